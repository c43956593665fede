#include "recorder/recorder_command_line.h"

#include <algorithm>

#include "platform/program_folder.h"

namespace kalore {
namespace {

constexpr const char* kHighQualityChain =
    " --sout "
    "#transcode{threads=2,vcodec=mp2v,vb=8000,fps=30,acodec=mp3,ab=192,scale=1,channels=2,"
    "deinterlace,audio-sync,sfilter=logo}:standard{access=file,mux=ps,dst=\"";
constexpr const char* kH264Chain =
    " --sout "
    "#transcode{threads=2,width=320,height=240,fps=25,vcodec=h264,vb=256,venc=x264{aud,profile="
    "baseline,level=30,keyint=30,bframes=0,ref=1,nocabac},acodec=mp3,ab=96,sfilter=logo}:"
    "standard{access=file,mux=ts,dst=\"";

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

// vlc reads a leading "-" or ":" as an option, and a blank or quote would let
// the rest of the address become options of its own.
bool IsUnsafeAddress(const std::string& url) {
    if (!url.empty() && (url.front() == '-' || url.front() == ':')) {
        return true;
    }
    return std::any_of(url.begin(), url.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte == ' ' || byte == '"' || IsControl(byte);
    });
}

bool HoldsQuote(const std::string& path) {
    return path.find('"') != std::string::npos;
}

} // namespace

std::optional<std::string> BuildRecorderCommandLine(const std::string& playerPath,
                                                    const RecordingJob& job) {
    const char* chain = nullptr;
    if (job.Format == kFormatHighQuality) {
        chain = kHighQualityChain;
    } else if (job.Format == kFormatH264) {
        chain = kH264Chain;
    } else {
        return std::nullopt;
    }
    std::string line = "\"" + playerPath + "\"" + " -I dummy " + job.Url + " ";
    if (job.IsTimed()) {
        line += " --stop-time " + job.Duration;
    }
    return line + chain + job.OutputFile + "\"}";
}

std::string ScheduledOutputName(const std::string& programFolder, const std::string& startDate,
                                const std::string& startTime) {
    std::string date = startDate;
    std::replace(date.begin(), date.end(), '/', '-');
    std::string time = startTime;
    std::replace(time.begin(), time.end(), ':', '-');
    // The folder ends in its separator and another one follows it; the file
    // system reads the two as one.
    return programFolder + PathSeparator() + "RECORDS" + PathSeparator() + "programme-" + date +
           "_" + time + ".avi";
}

std::optional<std::string> RefuseUnsafeJob(const std::string& playerPath, const RecordingJob& job) {
    if (IsUnsafeAddress(job.Url)) {
        return "Adresse refusée, elle pourrait passer des options à vlc : " + Printable(job.Url);
    }
    if (HoldsQuote(job.OutputFile)) {
        return "Chemin d'enregistrement refusé, il contient un guillemet : " +
               Printable(job.OutputFile);
    }
    if (HoldsQuote(playerPath)) {
        return "Chemin du lecteur refusé, il contient un guillemet : " + Printable(playerPath);
    }
    return std::nullopt;
}

} // namespace kalore
