#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/wake_signal.h"
#include "relay/private_playlist.h"
#include "relay/relay_options.h"

namespace kalore {

class Boxes;
class LoopbackListener;
class ReaderConnection;
class RelayedChannel;

// Serves the box's RTSP channels to the player and the recorder, which have no
// RTSP client, as MPEG-TS over HTTP on 127.0.0.1: one box session per channel
// whatever the number of readers. Only the channels asked for are served, each
// at a path of its own that can't be guessed, and only to programs of the user
// running Kalore; any other path gets 404.
class Relay {
public:
    using Options = RelayOptions;

    explicit Relay(Options options);
    // Closes every session (TEARDOWN) and every reader.
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // The local address serving `source` (an rtsp:// address), the same for every
    // call with it; empty when the relay can't listen on loopback.
    std::string LocalAddress(const std::string& source);
    // A playlist file holding the local address, in a folder only this user can
    // enter, for a program started with it (its command line is public); empty
    // when the relay can't listen or the file can't be written.
    std::string PlaylistFor(const std::string& source);
    // Opens the session of `source` now, waiting at most `limit` for it to flow:
    // the reason the box refused it, empty when it flows. For a recorder, which
    // must know before it starts; safe from any thread.
    std::string Open(const std::string& source, std::chrono::milliseconds limit);
    // Why the box refused `source` the last time it was opened; empty when it
    // didn't or when `source` was never asked for.
    std::string Refusal(const std::string& source) const;
    // How many box sessions are open now.
    int OpenSessions() const;
    // The live view left `source` for another channel: its session ends now unless
    // a recording needs it, so that a box with one stream can give the next one.
    void ViewerLeft(const std::string& source);
    // When `source` was refused for want of a stream while a recording holds the
    // box's stream: the address of the channel recorded; empty otherwise.
    std::string RecordingHolding(const std::string& source) const;

private:
    struct Pending;
    // The loop that answers the readers, and what wakes it up.
    void Serve();
    static unsigned ThisUser();
    // The channel of `source`, added at its first mention; null when the relay
    // can't listen. With the mutex held.
    RelayedChannel* ChannelOf(const std::string& source);
    void Admit(std::unique_ptr<ReaderConnection> connection, std::vector<Pending>& pending);
    void Answer(std::unique_ptr<ReaderConnection> connection, const std::string& head);
    // `source` was refused for want of a stream: the box's other sessions that no
    // recording needs end; true when one did.
    bool GiveWayTo(const std::string& source);

    const Options options_;
    const unsigned readerOwner_;
    const std::shared_ptr<Boxes> boxes_;
    std::unique_ptr<LoopbackListener> listener_;
    WakeSignal wake_;

    mutable std::mutex mutex_;
    bool stop_ = false;
    // Source address -> token, and token -> channel.
    std::map<std::string, std::string> tokenOf_;
    std::map<std::string, std::unique_ptr<RelayedChannel>> channels_;
    std::map<std::string, std::string> playlistOf_;
    PrivatePlaylists playlists_;
    std::set<unsigned> refusedOwners_;
    bool ownerUnknownTold_ = false;
    std::thread thread_;
};

} // namespace kalore
