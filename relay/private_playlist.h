#pragma once

#include <string>

namespace kalore {

// Playlists holding the relay's local addresses, for the programs Kalore starts:
// an address on a command line is readable by every user of the machine, a file
// in a folder only its owner can enter is not.
class PrivatePlaylists {
public:
    PrivatePlaylists() = default;
    // Removes the playlists and their folder.
    ~PrivatePlaylists();
    PrivatePlaylists(const PrivatePlaylists&) = delete;
    PrivatePlaylists& operator=(const PrivatePlaylists&) = delete;

    // The path of a playlist holding `address`, the same for every call with the
    // same name; empty when it can't be written.
    std::string For(const std::string& name, const std::string& address);

private:
    std::string folder_;
};

} // namespace kalore
