#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kalore {

// The size of a regular file in bytes; nothing when there is no such file.
std::optional<std::uint64_t> FileSizeOf(const std::string& path);

// The bytes an unprivileged program may still write on the file system that holds
// `path` (a file, which need not exist yet, or a folder); nothing when its folder
// can't be reached.
std::optional<std::uint64_t> FreeSpaceFor(const std::string& path);

// False when the file system that holds `path` (as FreeSpaceFor) is mounted read-only,
// or its folder may not be written by this program; true when it can't be told.
bool FolderAcceptsWrites(const std::string& path);

bool IsFolder(const std::string& path);

// The folder part of a path, without its final separator: "" for a bare name,
// "/" for a file at the root.
std::string FolderOf(const std::string& path);

} // namespace kalore
