#pragma once

#include <string>
#include <vector>

namespace kalore {

// Opens a file to read without ever waiting in the open: a FIFO with no writer, a
// device or a folder is refused at once. The descriptor, or -1 with `error` set.
int OpenFileToRead(const std::string& path, std::string& error);
void CloseFile(int fd);

// Whether `folder` is a real folder of this user's, no link: what Kalore makes for
// itself and writes into.
bool IsOwnFolder(const std::string& folder);
// Makes `folder` and its missing parents, with mode 0700 as the XDG rules ask; true
// when it then is a folder of this user's.
bool MakeOwnFolder(const std::string& folder);

// The names of the files and links of `folder`, opened without following a link as
// its last part: a folder turned into a link to elsewhere lists nothing.
std::vector<std::string> FilesIn(const std::string& folder);

// Deletes the file or link `name` of `folder`, the folder opened as FilesIn does:
// the name is never followed elsewhere, and a folder of that name stays.
bool RemoveFileIn(const std::string& folder, const std::string& name);

} // namespace kalore
