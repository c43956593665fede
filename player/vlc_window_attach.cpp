#include "player/vlc_plugin.h"

#include <vlc/vlc.h>

namespace kalore {

void AttachVideoOutput(libvlc_media_player_t* player, QWidget& widget) {
#if defined(_WIN32)
    libvlc_media_player_set_hwnd(player, reinterpret_cast<void*>(widget.winId()));
#else
    libvlc_media_player_set_xwindow(player, static_cast<uint32_t>(widget.winId()));
#endif
}

} // namespace kalore
