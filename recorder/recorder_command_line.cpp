#include "recorder/recorder_command_line.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_space.h"
#include "platform/program_folder.h"
#include "schedule/date_time_text.h"

namespace kalore {
namespace {

constexpr const char* kHighQualityChain =
    "#transcode{threads=2,vcodec=mp2v,vb=8000,fps=30,acodec=mp3,ab=192,scale=1,channels=2,"
    "deinterlace,audio-sync,sfilter=logo}:standard{access=file,mux=ps,dst=";
constexpr const char* kH264Chain =
    "#transcode{threads=2,width=320,height=240,fps=25,vcodec=h264,vb=256,venc=x264{aud,profile="
    "baseline,level=30,keyint=30,bframes=0,ref=1,nocabac},acodec=mp3,ab=96,sfilter=logo}:"
    "standard{access=file,mux=ts,dst=";
constexpr const char* kCopyChain = "#standard{access=file,mux=ts,dst=";

bool IsControl(unsigned char c) {
    return c < 32 || c == 127;
}

// Control characters would garble the log line that names the refused text.
std::string Printable(const std::string& text) {
    std::string shown = text;
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); },
        '?');
    return shown;
}

// vlc reads a leading "-" or ":" as an option; blanks, quotes and control
// characters have no place in a stream address.
bool IsUnsafeAddress(const std::string& url) {
    if (!url.empty() && (url.front() == '-' || url.front() == ':')) {
        return true;
    }
    return std::any_of(url.begin(), url.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte == ' ' || byte == '"' || IsControl(byte);
    });
}

} // namespace

std::optional<std::vector<std::string>> RecorderArguments(const std::string& playerPath,
                                                          const RecordingJob& job) {
    const char* chain = nullptr;
    if (job.Format == kFormatHighQuality) {
        chain = kHighQualityChain;
    } else if (job.Format == kFormatH264) {
        chain = kH264Chain;
    } else if (job.Format == kFormatCopy) {
        chain = kCopyChain;
    } else {
        return std::nullopt;
    }
    std::vector<std::string> arguments = {playerPath, "-I", "dummy"};
    if (!job.Url.empty()) {
        arguments.push_back(job.Url);
    }
    if (job.IsTimed()) {
        arguments.insert(arguments.end(), {"--stop-time", job.Duration});
    }
    arguments.insert(arguments.end(),
                     {"--play-and-exit", "--sout", chain + ChainQuoted(job.OutputFile) + "}"});
    return arguments;
}

std::string ChainQuoted(std::string_view value) {
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '\\' || c == '"' || c == '\'') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::optional<std::string> ScheduledOutputName(const std::string& programFolder,
                                               const std::string& startDate,
                                               const std::string& startTime,
                                               const std::string& format) {
    if (!IsDateText(startDate) || !IsTimeText(startTime)) {
        return std::nullopt;
    }
    std::string date = startDate;
    std::replace(date.begin(), date.end(), '/', '-');
    std::string time = startTime;
    std::replace(time.begin(), time.end(), ':', '-');
    // The folder ends in its separator and another one follows it; the file
    // system reads the two as one.
    return programFolder + PathSeparator() + "RECORDS" + PathSeparator() + "programme-" + date +
           "_" + time + (format == kFormatCopy ? ".ts" : ".avi");
}

std::string ContinuationPath(const std::string& path, int number) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    // A dot that begins the name (".avi") is no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    const std::size_t cut = hasExtension ? dot : path.size();
    return path.substr(0, cut) + "-" + std::to_string(number) + path.substr(cut);
}

bool NamesAFolder(const std::string& path) {
    return !path.empty() && (path.back() == '/' || IsFolder(path));
}

std::string RecordNowFileName(const std::string& folder, const std::string& channel,
                              const std::string& format, const LocalDateTime& now) {
    constexpr std::size_t kLongestName = 100; // bytes of the channel's part
    std::string name;
    for (const char c : channel) {
        const bool refused = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
                             std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        name += refused ? '-' : c;
    }
    // No hidden file, nothing vlc or a shell would take for an option.
    const std::size_t first = name.find_first_not_of(" .-");
    name = first == std::string::npos ? std::string() : name.substr(first);
    if (name.size() > kLongestName) {
        std::size_t cut = kLongestName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut; // not within a character
        }
        name.resize(cut);
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) {
        name.pop_back();
    }
    if (name.empty()) {
        name = "Enregistrement";
    }
    char when[32];
    std::snprintf(when, sizeof when, " - %04d-%02d-%02d %02dh%02d", now.year, now.month, now.day,
                  now.hour, now.minute);
    const std::string separator =
        !folder.empty() && folder.back() == '/' ? std::string() : std::string(1, PathSeparator());
    return folder + separator + name + when + (format == kFormatCopy ? ".ts" : ".avi");
}

std::optional<std::string> RefuseUnsafeJob(const RecordingJob& job) {
    if (job.Url.empty()) {
        return std::string("Adresse vide : aucune chaîne n'est choisie");
    }
    if (IsUnsafeAddress(job.Url)) {
        return "Adresse refusée, elle pourrait passer des options à vlc : " + Printable(job.Url);
    }
    const std::string& path = job.OutputFile;
    const std::string shown = Printable(path);
    if (path.empty()) {
        return std::string("Chemin d'enregistrement refusé, il est vide");
    }
    // vlc writes "-" to its own output, which nobody keeps.
    if (path == "-") {
        return std::string("Chemin d'enregistrement refusé, ce n'est pas un nom de fichier : -");
    }
    if (path.back() == '/' || IsFolder(path)) {
        return "Chemin d'enregistrement refusé, c'est un dossier : " + shown;
    }
    if (const std::string folder = FolderOf(path); !folder.empty() && !IsFolder(folder)) {
        return "Chemin d'enregistrement refusé, le dossier n'existe pas : " + Printable(folder);
    }
    return std::nullopt;
}

} // namespace kalore
