// Top-level windows on SDL2: style bits, size, maximise and restore, drag.
#include "PlatWindowInternal.h"
#include "PlatformWindow.h"

#include <map>

uint32_t PlatWindowCreateFlags = 0;

namespace {

constexpr uint32_t StyleThickFrame = 0x00040000; // sizing border

enum WindowState { StateNormal, StateMaximized, StateMinimized };

struct WindowRecord {
    SDL_Window* sdl = nullptr;
    uint32_t style = 0;
    uint32_t background = 0;
    int state = StateNormal;
    bool focused = false;
    int normalWidth = 0, normalHeight = 0; // inner size when last neither maximised nor minimised
};

std::map<int, WindowRecord> Windows;
SDL_Cursor* ArrowCursor = nullptr;

} // namespace

// The record of window `window`, or null when it is not open.
static WindowRecord* Find(int window) {
    auto it = Windows.find(window);
    return it == Windows.end() ? nullptr : &it->second;
}

SDL_Window* PlatSdlWindow(int window) {
    WindowRecord* w = Find(window);
    return w ? w->sdl : nullptr;
}

uint32_t PlatWindowBackground(int window) {
    WindowRecord* w = Find(window);
    return w ? w->background : 0;
}

int PlatWindowNumberOf(uint32_t sdlWindowId) {
    for (auto& [number, w] : Windows)
        if (SDL_GetWindowID(w.sdl) == sdlWindowId) return number;
    return 0;
}

int PlatWindowFirst() {
    return Windows.empty() ? 0 : Windows.begin()->first;
}

// Text in the single-byte code page (Latin-1 here) as UTF-8 for SDL.
std::string PlatLatin1ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Posts the events of a change to `state`; changes the window's record.
static void EnterState(int window, WindowRecord& w, int state) {
    if (w.state == state) return;
    w.state = state;
    PlatEvent event;
    event.window = window;
    if (state == StateMinimized) return; // minimising is of no interest to the game
    event.kind = state == StateMaximized ? PlatEventMaximized : PlatEventRestored;
    PlatPostEvent(event);
    event.kind = PlatEventResized;
    PlatPostEvent(event);
}

// Notes the inner size as the one a restore returns to, while SDL reports the
// window neither maximised nor minimised; changes the window's record.
static void RememberNormalSize(WindowRecord& w) {
    const uint32_t flags = SDL_GetWindowFlags(w.sdl);
    if (w.state != StateNormal ||
        (flags & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED | SDL_WINDOW_FULLSCREEN)))
        return;
    SDL_GetWindowSize(w.sdl, &w.normalWidth, &w.normalHeight);
}

void PlatWindowOnSizeEvent(int window) {
    if (WindowRecord* w = Find(window)) RememberNormalSize(*w);
}

// Takes the window state SDL now reports after a state event of its own.
void PlatWindowOnStateEvent(int window) {
    WindowRecord* w = Find(window);
    if (!w) return;
    uint32_t flags = SDL_GetWindowFlags(w->sdl);
    int state = (flags & SDL_WINDOW_MINIMIZED)   ? StateMinimized
                : (flags & SDL_WINDOW_MAXIMIZED) ? StateMaximized
                                                 : StateNormal;
    EnterState(window, *w, state);
}

// Records the focus; without a focused window of ours all keys go up.
void PlatWindowOnFocus(int window, bool focused) {
    WindowRecord* w = Find(window);
    if (!w) return;
    w->focused = focused;
    for (auto& entry : Windows)
        if (entry.second.focused) return;
    PlatKeyboardReleaseAll();
}

bool PlatWindowAnyForeground() {
    for (auto& entry : Windows)
        if (entry.second.focused) return true;
    return false;
}

// Destroys window `window` if open; changes the window table.
static void CloseWindow(int window) {
    WindowRecord* w = Find(window);
    if (!w) return;
    SDL_DestroyWindow(w->sdl);
    Windows.erase(window);
}

// True when SDL found a real display, or runs on a headless driver that was
// asked for by name; SDL falls back to an invisible one on its own otherwise.
static bool HaveDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    if (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0) return true;
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return asked && SDL_strstr(asked, driver) != nullptr;
}

// Starts SDL's video; false when it cannot start. The game reads keys, never
// text, so text input stays off.
bool PlatVideoInit() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_StopTextInput();
    return true;
}

// Opens the window shown at once; false without a display.
bool PlatWindowOpen(int window, const std::string& title, int innerWidth, int innerHeight,
                    uint32_t style) {
    if (!PlatVideoInit()) return false;
    if (!HaveDisplay()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    CloseWindow(window);
    uint32_t flags = SDL_WINDOW_SHOWN | PlatWindowCreateFlags;
    if (style & StyleThickFrame) flags |= SDL_WINDOW_RESIZABLE;
    if (!(style & PlatStyleBorder)) flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* sdl = SDL_CreateWindow(PlatLatin1ToUtf8(title).c_str(), SDL_WINDOWPOS_UNDEFINED,
                                       SDL_WINDOWPOS_UNDEFINED, innerWidth < 1 ? 1 : innerWidth,
                                       innerHeight < 1 ? 1 : innerHeight, flags);
    if (!sdl) return false;
    WindowRecord& w = Windows[window];
    w.sdl = sdl;
    w.style = style;
    uint32_t now = SDL_GetWindowFlags(sdl);
    w.state = (now & SDL_WINDOW_MAXIMIZED) ? StateMaximized : StateNormal;
    w.focused = (now & SDL_WINDOW_INPUT_FOCUS) != 0;
    RememberNormalSize(w);
    if (SDL_Surface* icon = PlatIconCreate()) {
        SDL_SetWindowIcon(sdl, icon);
        SDL_FreeSurface(icon);
    }
    if (!ArrowCursor) ArrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (ArrowCursor) SDL_SetCursor(ArrowCursor);
    return true;
}

// Sets the smallest and largest inner size; 0 for the largest lifts the limit.
void PlatWindowSetSizeLimits(int window, int minWidth, int minHeight, int maxWidth, int maxHeight) {
    WindowRecord* w = Find(window);
    if (!w) return;
    SDL_SetWindowMinimumSize(w->sdl, minWidth < 1 ? 1 : minWidth, minHeight < 1 ? 1 : minHeight);
    // SDL has no "unlimited": the largest size it accepts stands for it.
    const int unlimited = 16384;
    SDL_SetWindowMaximumSize(w->sdl, maxWidth > 0 ? maxWidth : unlimited,
                             maxHeight > 0 ? maxHeight : unlimited);
}

void PlatWindowSetBackground(int window, uint32_t color) {
    if (WindowRecord* w = Find(window)) w->background = color & 0xFFFFFF;
}

int PlatWindowInnerWidth(int window) {
    WindowRecord* w = Find(window);
    if (!w) return 0;
    int width = 0, height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    return width;
}

int PlatWindowInnerHeight(int window) {
    WindowRecord* w = Find(window);
    if (!w) return 0;
    int width = 0, height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    return height;
}

// Resizes the inner area in place; a real change queues Resized.
void PlatWindowSetInnerSize(int window, int width, int height) {
    WindowRecord* w = Find(window);
    if (!w) return;
    int oldWidth = 0, oldHeight = 0, newWidth = 0, newHeight = 0;
    SDL_GetWindowSize(w->sdl, &oldWidth, &oldHeight);
    SDL_SetWindowSize(w->sdl, width < 1 ? 1 : width, height < 1 ? 1 : height);
    SDL_GetWindowSize(w->sdl, &newWidth, &newHeight);
    RememberNormalSize(*w);
    // SDL reports most changes itself; an equal event waiting last is not queued twice.
    if (newWidth != oldWidth || newHeight != oldHeight) {
        PlatEvent event;
        event.kind = PlatEventResized;
        event.window = window;
        PlatPostEvent(event);
    }
}

uint32_t PlatWindowGetStyle(int window) {
    WindowRecord* w = Find(window);
    return w ? w->style : 0;
}

// Stores the style and applies what SDL can show of it: title bar and sizing border.
void PlatWindowSetStyle(int window, uint32_t style) {
    WindowRecord* w = Find(window);
    if (!w) return;
    w->style = style;
    SDL_SetWindowBordered(w->sdl, (style & PlatStyleBorder) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(w->sdl, (style & StyleThickFrame) ? SDL_TRUE : SDL_FALSE);
}

// SDL reports no state change that the program asked for itself, so the events
// are raised here.
void PlatWindowMaximize(int window) {
    WindowRecord* w = Find(window);
    if (!w) return;
    RememberNormalSize(*w);
    SDL_MaximizeWindow(w->sdl);
    EnterState(window, *w, StateMaximized);
}

// A window manager restores some time after being asked. Until it has, the
// size SDL reports is the maximised one, and a resize asked for from it would
// reach the manager after the restore and undo it; so, as a restore is on
// Windows, this returns once the normal size is back (within a second).
void PlatWindowRestore(int window) {
    WindowRecord* w = Find(window);
    if (!w) return;
    const bool wasMaximized = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED) != 0;
    const int wantWidth = w->normalWidth, wantHeight = w->normalHeight;
    SDL_RestoreWindow(w->sdl);
    const Uint64 giveUp = SDL_GetTicks64() + 1000;
    while (wasMaximized && SDL_GetTicks64() < giveUp) {
        PlatPumpEvents();
        w = Find(window);
        if (!w) return;
        int width = 0, height = 0;
        SDL_GetWindowSize(w->sdl, &width, &height);
        if (!(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED) && width == wantWidth &&
            height == wantHeight)
            break;
        SDL_Delay(5);
    }
    EnterState(window, *w, StateNormal);
}

// Moves the window after the mouse while the left button is held; runs its own
// loop, so no frame runs meanwhile. A maximised window stays where it is.
void PlatWindowStartDrag(int window) {
    WindowRecord* w = Find(window);
    if (!w || w->state != StateNormal) return;
    int startX = 0, startY = 0, windowX = 0, windowY = 0;
    SDL_PumpEvents();
    if (!(PlatGlobalPointer(w->sdl, &startX, &startY) & SDL_BUTTON_LMASK)) return;
    SDL_GetWindowPosition(w->sdl, &windowX, &windowY);
    bool captured = SDL_CaptureMouse(SDL_TRUE) == 0;
    int lastX = startX, lastY = startY;
    for (;;) {
        PlatPumpEvents();
        w = Find(window);
        if (!w) break;
        int x = 0, y = 0;
        if (!(PlatGlobalPointer(w->sdl, &x, &y) & SDL_BUTTON_LMASK)) break;
        if (x != lastX || y != lastY) {
            SDL_SetWindowPosition(w->sdl, windowX + x - startX, windowY + y - startY);
            lastX = x;
            lastY = y;
        }
        SDL_Delay(4);
    }
    if (captured) SDL_CaptureMouse(SDL_FALSE);
}

void PlatWindowInnerScreenPos(int window, int* x, int* y) {
    int px = 0, py = 0;
    if (WindowRecord* w = Find(window)) SDL_GetWindowPosition(w->sdl, &px, &py);
    if (x) *x = px;
    if (y) *y = py;
}

bool PlatWindowIsForeground(int window) {
    WindowRecord* w = Find(window);
    return w && w->focused;
}

// Closes menus and windows, forgets waiting events and ends SDL; call last.
void PlatWindowsEnd() {
    PlatMenusEnd();
    while (!Windows.empty()) CloseWindow(Windows.begin()->first);
    if (ArrowCursor) SDL_FreeCursor(ArrowCursor);
    ArrowCursor = nullptr;
    PlatEventsClear();
    PlatKeyboardReleaseAll();
    SDL_Quit();
}
