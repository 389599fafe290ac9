// The window-event queue: SDL's events translated, plus the program's own.
#include "PlatWindowInternal.h"
#include "PlatformWindow.h"

#include <deque>

static std::deque<PlatEvent> EventQueue;

// Appends `event` unless it equals the last one waiting; changes the queue.
void PlatPostEvent(const PlatEvent& event) {
    if (!EventQueue.empty()) {
        const PlatEvent& last = EventQueue.back();
        if (last.kind == event.kind && last.window == event.window && last.number == event.number)
            return;
    }
    EventQueue.push_back(event);
}

// Posts an event of `kind` for `window` with no number; changes the queue.
static void PostKind(int kind, int window) {
    PlatEvent event;
    event.kind = kind;
    event.window = window;
    PlatPostEvent(event);
}

// Translates one SDL window event of our window `window`; may queue events.
static void HandleWindowEvent(const SDL_WindowEvent& e, int window) {
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        PostKind(PlatEventCloseRequested, window);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        PlatWindowOnSizeEvent(window);
        PostKind(PlatEventResized, window);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
        PlatWindowOnStateEvent(window);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        PlatWindowOnFocus(window, true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        PlatWindowOnFocus(window, false);
        break;
    default:
        break; // moves, repaints, enter and leave: nothing acts on them, and
               // leaving them out lets a run of size changes collapse
    }
}

// Routes one SDL event: window events to the queue, keys to the keyboard.
void PlatHandleSdlEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT: {
        int window = PlatWindowFirst();
        if (window != 0) PostKind(PlatEventCloseRequested, window);
        break;
    }
    case SDL_WINDOWEVENT: {
        int window = PlatWindowNumberOf(event.window.windowID);
        if (window != 0) HandleWindowEvent(event.window, window);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        PlatKeyboardTrackKey(event.key.keysym.scancode, event.type == SDL_KEYDOWN);
        break;
    case SDL_MOUSEBUTTONDOWN: {
        int window = PlatWindowNumberOf(event.button.windowID);
        if (window != 0 && event.button.button == SDL_BUTTON_LEFT)
            PostKind(PlatEventLeftButtonDown, window);
        break;
    }
    default:
        break; // motion, text input and the like are not window events here
    }
}

// Drains SDL's queue into ours; changes the queue and the keyboard tracker.
void PlatPumpEvents() {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) PlatHandleSdlEvent(event);
}

// Takes the oldest event without waiting; false when none is waiting.
bool PlatNextEvent(PlatEvent* event) {
    PlatPumpEvents();
    if (EventQueue.empty()) return false;
    *event = EventQueue.front();
    EventQueue.pop_front();
    return true;
}

void PlatEventsClear() {
    EventQueue.clear();
}
