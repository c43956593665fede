#pragma once

#include <memory>
#include <string>

namespace kalore {

// An INI file of the Windows-1252 code page, read and written with SimpleIni so that
// other sections, keys and comments survive a save. Values come and go as UTF-8.
class IniFile {
public:
    IniFile();
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // False when the file can't be read.
    bool Load(const std::string& path);
    std::string Value(const std::string& section, const std::string& key) const;
    void SetValue(const std::string& section, const std::string& key, const std::string& value);
    // Writes through a temporary file and a rename; false with an error text on failure.
    bool Save(const std::string& path, std::string& error) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kalore
