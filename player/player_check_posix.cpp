#include "player/player_check.h"

#include <cstring>

#include <dlfcn.h>
#include <vlc/vlc.h>

namespace kalore {

namespace {

// libVLC is looked up at run time, so that a missing library is an answer rather
// than a program that won't start.
template <typename Fn> Fn* Symbol(void* library, const char* name) {
    return reinterpret_cast<Fn*>(dlsym(library, name));
}

bool HasDeinterlace(const libvlc_module_description_t* list) {
    for (; list != nullptr; list = list->p_next) {
        if (list->psz_name != nullptr && std::strcmp(list->psz_name, "deinterlace") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool PlayerControlAvailable() {
    void* library = dlopen("libvlc.so.5", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return false;
    }
    auto* create = Symbol<decltype(libvlc_new)>(library, "libvlc_new");
    auto* release = Symbol<decltype(libvlc_release)>(library, "libvlc_release");
    auto* filters =
        Symbol<decltype(libvlc_video_filter_list_get)>(library, "libvlc_video_filter_list_get");
    auto* releaseFilters = Symbol<decltype(libvlc_module_description_list_release)>(
        library, "libvlc_module_description_list_release");
    bool available = false;
    if (create != nullptr && release != nullptr && filters != nullptr &&
        releaseFilters != nullptr) {
        const char* const args[] = {"--no-xlib", "--quiet"};
        if (libvlc_instance_t* instance = create(2, args)) {
            libvlc_module_description_t* list = filters(instance);
            available = HasDeinterlace(list);
            releaseFilters(list);
            release(instance);
        }
    }
    // The library stays loaded: libVLC does not support being unloaded and reloaded.
    return available;
}

} // namespace kalore
