#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <QWidget>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_list_t;
struct libvlc_media_list_player_t;

namespace kalore {

// A failed operation of the embedded player, with libVLC's own text when it gave one.
class VlcError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The embedded live player: a native child window that libVLC draws into, with a
// playlist of stream addresses. Every operation that fails throws VlcError.
class TVLCPlugin final : public QWidget {
    Q_OBJECT

public:
    // Creates the player inside parent at bounds and shows it. libvlcArgs are the
    // options of its libVLC instance (tests pass "--vout=dummy" and the like).
    TVLCPlugin(QWidget* parent, const QRect& bounds, const std::vector<std::string>& libvlcArgs);
    ~TVLCPlugin() override;
    TVLCPlugin(const TVLCPlugin&) = delete;
    TVLCPlugin& operator=(const TVLCPlugin&) = delete;

    // A new player in the same window, with an empty playlist: what played stops.
    // Its video output is new too, so it shows the next picture at once (one kept
    // from another stream would wait for that picture's time).
    void Renew();

    void ClearPlaylist();
    // Queues address with its options. mode 1 inserts at position; other modes append.
    void AddItem(const std::string& address, const std::vector<std::string>& options, int mode,
                 int position);
    void NextItem();
    // Deinterlaces every picture with that mode ("blend"...) from now on. Options
    // given with an item can't do it: libVLC 3 applies them to the input, and its
    // video output never sees them.
    void SetDeinterlace(const std::string& mode);
    void Play();
    bool Playing() const;
    void Stop();
    // The playing item's length and position in milliseconds (0 when unknown),
    // and a jump within it.
    std::int64_t Length() const;
    std::int64_t Time() const;
    void SetTime(std::int64_t milliseconds);

    // Sound level in percent of the stream's own; -1 while libVLC has no audio output.
    void SetVolume(int percent);
    int Volume() const;
    void SetMute(bool muted);
    bool Muted() const;

    // Pauses or resumes a live channel: libVLC keeps what goes on coming (see
    // timeshift_folder.h) and resumes where it paused.
    void SetPause(bool paused);
    bool Paused() const;
    // Bytes read from the source so far: what a pause keeps grows with it.
    long long ReadBytes() const;

    // Number of playlist items, for callers that check what was queued.
    int ItemCount() const;

private:
    void MakePlayer();
    void ReleasePlayer();
    void Release();

    libvlc_instance_t* instance_ = nullptr;
    libvlc_media_player_t* player_ = nullptr;
    libvlc_media_list_t* list_ = nullptr;
    libvlc_media_list_player_t* listPlayer_ = nullptr;
};

// The libVLC options for live viewing: the ones Kalore always sets, followed by the
// blank-separated words of $KALORE_LIBVLC_ARGS (e.g. "--vout=dummy --aout=dummy").
std::vector<std::string> DefaultLibvlcArgs();

// Bytes `player` has read from its source so far (0 when unknown).
long long ReadBytes(libvlc_media_player_t* player);

// Hands the native window of widget to player as its video output; one per system.
void AttachVideoOutput(libvlc_media_player_t* player, QWidget& widget);

} // namespace kalore
