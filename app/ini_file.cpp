#include "app/ini_file.h"

// Values are converted by us (Windows-1252 <-> UTF-8); SimpleIni only sees bytes.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // this file is the only user: compile the templates here
#include <SimpleIni.h>
#include <sys/stat.h>

#include "platform/atomic_file.h"
#include "platform/code_page.h"

namespace kalore {

struct IniFile::Impl {
    CSimpleIniA ini{/*isUtf8=*/false, /*multiKey=*/false, /*multiLine=*/false};
};

IniFile::IniFile() : impl_(std::make_unique<Impl>()) {
    // key=value without blanks, as the private-profile functions write it.
    impl_->ini.SetSpaces(false);
}

IniFile::~IniFile() = default;

bool IniFile::Load(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        return false;
    }
    impl_->ini.Reset();
    return impl_->ini.LoadData(bytes.data(), bytes.size()) >= 0;
}

std::string IniFile::Value(const std::string& section, const std::string& key) const {
    const char* value =
        impl_->ini.GetValue(Utf8ToWin1252(section).c_str(), Utf8ToWin1252(key).c_str(), "");
    return Win1252ToUtf8(value != nullptr ? value : "");
}

void IniFile::SetValue(const std::string& section, const std::string& key,
                       const std::string& value) {
    impl_->ini.SetValue(Utf8ToWin1252(section).c_str(), Utf8ToWin1252(key).c_str(),
                        Utf8ToWin1252(value).c_str());
}

bool IniFile::Save(const std::string& path, std::string& error) const {
    // A file without any write bit is read-only, for root too, as the read-only
    // attribute is on the system this format comes from.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
        error = path + ": read-only";
        return false;
    }
    std::string bytes;
    if (impl_->ini.Save(bytes, /*addSignature=*/false) < 0) {
        error = path + ": can't be formatted";
        return false;
    }
    // The file keeps the line ends of the system it comes from.
    std::string crlf;
    crlf.reserve(bytes.size() + bytes.size() / 16);
    for (const char c : bytes) {
        if (c == '\n') {
            crlf.push_back('\r');
        }
        if (c != '\r') {
            crlf.push_back(c);
        }
    }
    const FileResult written = WriteFilesAtomically({{path, crlf}});
    error = written.error;
    return written.ok();
}

} // namespace kalore
