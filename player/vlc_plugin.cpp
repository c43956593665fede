#include "player/vlc_plugin.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include <vlc/vlc.h>

namespace kalore {

namespace {

std::string LastError(const char* what) {
    const char* text = libvlc_errmsg();
    return std::string(what) + (text != nullptr && text[0] != '\0' ? ": " + std::string(text) : "");
}

} // namespace

std::vector<std::string> DefaultLibvlcArgs() {
    // Xlib-based outputs would need XInitThreads before Qt starts; the xcb ones don't.
    std::vector<std::string> args{"--no-xlib", "--quiet"};
    if (const char* extra = std::getenv("KALORE_LIBVLC_ARGS")) {
        std::istringstream words(extra);
        for (std::string word; words >> word;) {
            args.push_back(word);
        }
    }
    return args;
}

TVLCPlugin::TVLCPlugin(QWidget* parent, const QRect& bounds,
                       const std::vector<std::string>& libvlcArgs)
    : QWidget(parent) {
    setObjectName("VLCPlugin");
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::black));
    setGeometry(bounds);

    std::vector<const char*> argv;
    for (const auto& arg : libvlcArgs) {
        argv.push_back(arg.c_str());
    }
    instance_ = libvlc_new(static_cast<int>(argv.size()), argv.data());
    if (instance_ == nullptr) {
        throw VlcError(LastError("Impossible de créer le lecteur VLC"));
    }
    MakePlayer();
    show();
}

TVLCPlugin::~TVLCPlugin() {
    Release();
}

void TVLCPlugin::MakePlayer() {
    player_ = libvlc_media_player_new(instance_);
    list_ = libvlc_media_list_new(instance_);
    listPlayer_ = libvlc_media_list_player_new(instance_);
    if (player_ == nullptr || list_ == nullptr || listPlayer_ == nullptr) {
        const std::string error = LastError("Impossible de créer le lecteur VLC");
        Release();
        throw VlcError(error);
    }
    libvlc_media_list_player_set_media_player(listPlayer_, player_);
    libvlc_media_list_player_set_media_list(listPlayer_, list_);
    // Keys and clicks go to the window, not to the player.
    libvlc_video_set_key_input(player_, 0);
    libvlc_video_set_mouse_input(player_, 0);
    AttachVideoOutput(player_, *this);
}

void TVLCPlugin::Renew() {
    ReleasePlayer();
    MakePlayer();
}

void TVLCPlugin::Release() {
    ReleasePlayer();
    if (instance_ != nullptr) {
        libvlc_release(instance_);
        instance_ = nullptr;
    }
}

void TVLCPlugin::ReleasePlayer() {
    // Stop before the native window goes, so the video output never draws into a
    // destroyed window.
    if (listPlayer_ != nullptr) {
        libvlc_media_list_player_stop(listPlayer_);
        libvlc_media_list_player_release(listPlayer_);
        listPlayer_ = nullptr;
    }
    if (player_ != nullptr) {
        libvlc_media_player_stop(player_);
        libvlc_media_player_release(player_);
        player_ = nullptr;
    }
    if (list_ != nullptr) {
        libvlc_media_list_release(list_);
        list_ = nullptr;
    }
}

void TVLCPlugin::ClearPlaylist() {
    libvlc_media_list_lock(list_);
    int failed = 0;
    while (libvlc_media_list_count(list_) > 0 && failed == 0) {
        failed = libvlc_media_list_remove_index(list_, 0);
    }
    libvlc_media_list_unlock(list_);
    if (failed != 0) {
        throw VlcError(LastError("Impossible de vider la liste de lecture"));
    }
}

void TVLCPlugin::AddItem(const std::string& address, const std::vector<std::string>& options,
                         int mode, int position) {
    // An empty address would be accepted and then play nothing, without a word.
    libvlc_media_t* media =
        address.empty() ? nullptr : libvlc_media_new_location(instance_, address.c_str());
    if (media == nullptr) {
        throw VlcError(LastError("Adresse refusée par le lecteur VLC"));
    }
    for (const auto& option : options) {
        libvlc_media_add_option(media, option.c_str());
    }
    libvlc_media_list_lock(list_);
    const int count = libvlc_media_list_count(list_);
    const bool insert = mode == 1 && position >= 0 && position <= count;
    const int failed = insert ? libvlc_media_list_insert_media(list_, media, position)
                              : libvlc_media_list_add_media(list_, media);
    libvlc_media_list_unlock(list_);
    libvlc_media_release(media);
    if (failed != 0) {
        throw VlcError(LastError("Impossible d'ajouter l'adresse à la liste de lecture"));
    }
}

void TVLCPlugin::NextItem() {
    if (libvlc_media_list_player_next(listPlayer_) != 0) {
        throw VlcError(LastError("Pas d'élément suivant dans la liste de lecture"));
    }
}

void TVLCPlugin::SetDeinterlace(const std::string& mode) {
    libvlc_video_set_deinterlace(player_, mode.c_str());
}

void TVLCPlugin::Play() {
    libvlc_media_list_player_play(listPlayer_);
    if (libvlc_media_list_player_get_state(listPlayer_) == libvlc_Error) {
        throw VlcError(LastError("Lecture impossible"));
    }
}

bool TVLCPlugin::Playing() const {
    return libvlc_media_list_player_is_playing(listPlayer_) != 0;
}

void TVLCPlugin::Stop() {
    libvlc_media_list_player_stop(listPlayer_);
}

void TVLCPlugin::SetVolume(int percent) {
    libvlc_audio_set_volume(player_, percent);
}

int TVLCPlugin::Volume() const {
    return libvlc_audio_get_volume(player_);
}

void TVLCPlugin::SetMute(bool muted) {
    libvlc_audio_set_mute(player_, muted ? 1 : 0);
}

bool TVLCPlugin::Muted() const {
    return libvlc_audio_get_mute(player_) == 1;
}

void TVLCPlugin::SetPause(bool paused) {
    libvlc_media_player_set_pause(player_, paused ? 1 : 0);
}

bool TVLCPlugin::Paused() const {
    return libvlc_media_player_get_state(player_) == libvlc_Paused;
}

long long TVLCPlugin::ReadBytes() const {
    return kalore::ReadBytes(player_);
}

long long ReadBytes(libvlc_media_player_t* player) {
    libvlc_media_t* media = libvlc_media_player_get_media(player);
    if (media == nullptr) {
        return 0;
    }
    libvlc_media_stats_t stats{};
    const bool got = libvlc_media_get_stats(media, &stats) != 0;
    libvlc_media_release(media);
    return got ? stats.i_read_bytes : 0;
}

std::int64_t TVLCPlugin::Length() const {
    return std::max<std::int64_t>(0, libvlc_media_player_get_length(player_));
}

std::int64_t TVLCPlugin::Time() const {
    return std::max<std::int64_t>(0, libvlc_media_player_get_time(player_));
}

void TVLCPlugin::SetTime(std::int64_t milliseconds) {
    libvlc_media_player_set_time(player_, milliseconds);
}

int TVLCPlugin::ItemCount() const {
    libvlc_media_list_lock(list_);
    const int count = libvlc_media_list_count(list_);
    libvlc_media_list_unlock(list_);
    return count;
}

} // namespace kalore
