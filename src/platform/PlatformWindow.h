// Windows, the window-event queue and popup menus, addressed by number.
#pragma once
#include <cstdint>
#include <string>

// Style bits the game reads and writes (their Windows values).
constexpr uint32_t PlatStyleBorder = 0x00800000;     // with the dialog frame: the title bar
constexpr uint32_t PlatStyleGameWindow = 0x80CF0000; // popup, caption, system menu, sizing
                                                     // border, minimise and maximise boxes

enum PlatEventKind : int32_t {
    PlatEventNone = 0,
    PlatEventCloseRequested,
    PlatEventRestored,
    PlatEventMaximized,
    PlatEventResized,
    PlatEventLeftButtonDown,
    PlatEventMenuCommand,
    PlatEventOther, // taken from the queue and ignored by the game
};

struct PlatEvent {
    int32_t kind = PlatEventNone;
    int32_t window = 0;
    int32_t number = 0; // the command of a PlatEventMenuCommand
};

// Opens window `window` with the given title, inner size and style at a
// position the window system chooses, shown at once. False when no window can
// be opened (no display).
bool PlatWindowOpen(int window, const std::string& title, int innerWidth, int innerHeight,
                    uint32_t style);
// Limits of the inner size; 0 means unlimited for the largest.
void PlatWindowSetSizeLimits(int window, int minWidth, int minHeight, int maxWidth, int maxHeight);
void PlatWindowSetBackground(int window, uint32_t color);
int PlatWindowInnerWidth(int window);
int PlatWindowInnerHeight(int window);
// Makes the inner area exactly width x height, keeping its position.
void PlatWindowSetInnerSize(int window, int width, int height);
uint32_t PlatWindowGetStyle(int window);
// Clearing PlatStyleBorder removes the title bar, setting it brings it back.
void PlatWindowSetStyle(int window, uint32_t style);
// Raise PlatEventMaximized / PlatEventRestored, then PlatEventResized.
void PlatWindowMaximize(int window);
void PlatWindowRestore(int window);
// Moves the window with the mouse until the left button is released, as a
// drag of the title bar would; returns then.
void PlatWindowStartDrag(int window);
// Screen position of the inner area's top-left corner.
void PlatWindowInnerScreenPos(int window, int* x, int* y);
bool PlatWindowIsForeground(int window);
void PlatWindowsEnd();

// Takes the oldest event without waiting; false when the queue is empty.
bool PlatNextEvent(PlatEvent* event);
// Appends an event; one equal to the last event waiting is not queued twice.
void PlatPostEvent(const PlatEvent& event);

// Popup menus: items carry command numbers; "\t" in a text separates the
// right-aligned key hint.
void PlatMenuCreate(int menu);
void PlatMenuOpenSubmenu(int menu, const std::string& text);
void PlatMenuCloseSubmenu(int menu);
void PlatMenuAddItem(int menu, int command, const std::string& text);
void PlatMenuAddSeparator(int menu);
// Shows the menu at a screen position, modal until it closes; a chosen item is
// posted as PlatEventMenuCommand for `window`. Dismissing chooses nothing.
void PlatMenuShow(int menu, int window, int screenX, int screenY);
