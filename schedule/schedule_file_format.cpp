#include "schedule/schedule_file_format.h"

#include <algorithm>
#include <charconv>

#include "platform/code_page.h"

namespace kalore {
namespace {

constexpr const char* kNotANumber = "Saisie numérique incorrecte";

void AppendLine(std::string& out, std::string_view utf8) {
    // Most cells are ASCII, the same in both code pages: no converted copy for them.
    const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        out.append(utf8);
    } else {
        out.append(Utf8ToWin1252(utf8));
    }
    out.append("\r\n");
}

// A Pascal text file read: Ctrl-Z ends it, a line ends at LF (a CR before it
// belongs to the end), a lone CR inside a line is dropped.
class RecordsListReader {
public:
    explicit RecordsListReader(std::string_view bytes)
        : bytes_(bytes.substr(0, bytes.find('\x1A'))) {}

    bool AtEnd() const { return pos_ >= bytes_.size(); }

    // Blanks and line ends skipped, then digits up to a blank or control character;
    // 0 past the end. False when the token isn't a whole number.
    bool ReadInteger(long long& value) {
        while (!AtEnd() && static_cast<unsigned char>(bytes_[pos_]) <= ' ') {
            ++pos_;
        }
        const std::size_t start = pos_;
        while (!AtEnd() && static_cast<unsigned char>(bytes_[pos_]) > ' ') {
            ++pos_;
        }
        std::string_view token = bytes_.substr(start, pos_ - start);
        SkipRestOfLine();
        value = 0;
        if (token.empty()) {
            return true;
        }
        if (token.front() == '+') {
            token.remove_prefix(1);
        }
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        return error == std::errc() && end == token.data() + token.size() && !token.empty();
    }

    std::string ReadLine() {
        auto end = bytes_.find('\n', pos_);
        if (end == std::string_view::npos) {
            end = bytes_.size();
        }
        const std::string_view raw = bytes_.substr(pos_, end - pos_);
        pos_ = std::min(end + 1, bytes_.size());
        std::string line;
        line.reserve(raw.size());
        for (const char c : raw) {
            if (c != '\r') {
                line.push_back(c);
            }
        }
        return line;
    }

private:
    void SkipRestOfLine() {
        while (!AtEnd() && bytes_[pos_] != '\n') {
            ++pos_;
        }
        if (!AtEnd()) {
            ++pos_;
        }
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// One item per line, lines split at CR LF, LF or a lone CR.
std::vector<std::string> SplitUrlList(std::string_view bytes) {
    std::vector<std::string> urls;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            urls.push_back(Win1252ToUtf8(bytes.substr(pos)));
            break;
        }
        urls.push_back(Win1252ToUtf8(bytes.substr(pos, end - pos)));
        pos = end + 1;
        if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') {
            ++pos;
        }
    }
    return urls;
}

std::size_t CountLines(std::string_view bytes) {
    std::size_t lines = 0;
    for (const char c : bytes) {
        lines += c == '\n';
    }
    return lines + 1;
}

} // namespace

std::string RecordsListBytes(const ScheduleTable& table) {
    const auto& rows = table.StoredRows();
    std::string out;
    out.reserve(16 + rows.size() * kScheduleColumns * 24);
    AppendLine(out, std::to_string(kScheduleColumns));
    AppendLine(out, std::to_string(table.RowCount()));
    for (const ScheduleRow& row : rows) {
        for (const std::string& cell : row) {
            AppendLine(out, cell);
        }
    }
    return out;
}

std::string RecordsUrlListBytes(const ScheduleTable& table) {
    std::string out;
    out.reserve(table.Urls().size() * 32);
    for (const std::string& url : table.Urls()) {
        AppendLine(out, url);
    }
    return out;
}

bool IsWholeRecordsList(std::string_view bytes) {
    RecordsListReader reader(bytes);
    long long columns = 0;
    long long rowCount = 0;
    if (!bytes.ends_with("\r\n") || !reader.ReadInteger(columns) || !reader.ReadInteger(rowCount) ||
        columns != kScheduleColumns || rowCount < 2) {
        return false;
    }
    const auto lines = static_cast<long long>(std::count(bytes.begin(), bytes.end(), '\n'));
    return lines == 2 + kScheduleColumns * (rowCount - 1);
}

ParsedSchedule ParseScheduleFiles(std::string_view recordsList, std::string_view urlList) {
    ParsedSchedule parsed;
    RecordsListReader reader(recordsList);
    long long columns = 0;
    long long rowCount = 0;
    if (!reader.ReadInteger(columns) || !reader.ReadInteger(rowCount)) {
        parsed.error = kNotANumber;
        return parsed;
    }
    if (columns != kScheduleColumns) {
        parsed.error = "nombre de colonnes " + std::to_string(columns) + " au lieu de 7";
        return parsed;
    }
    // The row count includes the header and the input row.
    const long long heldRows = static_cast<long long>(CountLines(recordsList) / kScheduleColumns);
    if (rowCount < 2 || rowCount - 1 > heldRows + kMaxClaimedScheduleRows) {
        parsed.error = "nombre de lignes " + std::to_string(rowCount) + " impossible";
        return parsed;
    }
    parsed.rows.resize(static_cast<std::size_t>(rowCount - 1));
    for (ScheduleRow& row : parsed.rows) {
        for (std::string& cell : row) {
            cell = Win1252ToUtf8(reader.ReadLine());
        }
    }
    parsed.urls = SplitUrlList(urlList);
    return parsed;
}

} // namespace kalore
