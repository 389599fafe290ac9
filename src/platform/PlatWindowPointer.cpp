// The pointer's screen position and buttons, read from the X server itself
// where SDL's cached global state lags (it misses moves during a button hold).
#include "PlatWindowInternal.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

#if defined(SDL_VIDEO_DRIVER_X11)
using QueryPointerFn = int (*)(Display*, Window, Window*, Window*, int*, int*, int*, int*,
                               unsigned int*);

// XQueryPointer from the X library SDL itself loaded, or null.
static QueryPointerFn QueryPointer() {
    static bool tried = false;
    static QueryPointerFn query = nullptr;
    if (tried) return query;
    tried = true;
    void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!lib) lib = dlopen("libX11.so.6", RTLD_LAZY);
    if (lib) query = reinterpret_cast<QueryPointerFn>(dlsym(lib, "XQueryPointer"));
    return query;
}
#endif

// Buttons as SDL_BUTTON masks; the position in screen pixels.
uint32_t PlatGlobalPointer(SDL_Window* window, int* x, int* y) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    QueryPointerFn query = window ? QueryPointer() : nullptr;
    if (query && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, winX = 0, winY = 0;
        unsigned int mask = 0;
        if (query(info.info.x11.display, info.info.x11.window, &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask)) {
            *x = rootX;
            *y = rootY;
            uint32_t buttons = 0;
            if (mask & Button1Mask) buttons |= SDL_BUTTON_LMASK;
            if (mask & Button2Mask) buttons |= SDL_BUTTON_MMASK;
            if (mask & Button3Mask) buttons |= SDL_BUTTON_RMASK;
            return buttons;
        }
    }
#endif
    return SDL_GetGlobalMouseState(x, y);
}
