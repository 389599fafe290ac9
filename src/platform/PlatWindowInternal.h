// Shared between the window code and the rendering back-ends; platform only.
#pragma once
#include <SDL.h>
#include <cstdint>
#include <string>

// The SDL window behind window number `window`, or null.
SDL_Window* PlatSdlWindow(int window);

// Extra SDL_CreateWindow flags a back-end needs (SDL_WINDOW_OPENGL); set by
// its PlatSpriteInit before the window opens.
extern uint32_t PlatWindowCreateFlags;

// Starts SDL's video subsystem as the window code needs it (use this instead
// of SDL_InitSubSystem(SDL_INIT_VIDEO)); false when there is no video at all.
bool PlatVideoInit();

// Background colour of window `window` (24-bit, red in the low byte): what a
// back-end shows where its screen does not cover the inner area.
uint32_t PlatWindowBackground(int window);

// --- Between the window, event, menu and keyboard files only ---

// Window number of an SDL window id, 0 when it is none of ours.
int PlatWindowNumberOf(uint32_t sdlWindowId);
// Window number of the first open window (the one SDL_QUIT is meant for), 0 when none.
int PlatWindowFirst();
// Handles one SDL event outside the popup menu: window events join the queue,
// key events go to the keyboard tracker, the rest is dropped.
void PlatHandleSdlEvent(const SDL_Event& event);
// Moves every pending SDL event through PlatHandleSdlEvent.
void PlatPumpEvents();
// True while one of our windows has the keyboard focus.
bool PlatWindowAnyForeground();
// Forgets every waiting event.
void PlatEventsClear();
// The pointer's screen position and SDL_BUTTON mask, asked of the window
// system through `window` where it can answer.
uint32_t PlatGlobalPointer(SDL_Window* window, int* x, int* y);
// Text in the single-byte code page as UTF-8 for SDL.
std::string PlatLatin1ToUtf8(const std::string& text);
// Records focus changes and window-state changes of our windows.
void PlatWindowOnFocus(int window, bool focused);
void PlatWindowOnStateEvent(int window);
// Records a size change SDL reports for one of our windows.
void PlatWindowOnSizeEvent(int window);
// Key events from SDL, and a full release when the focus goes.
void PlatKeyboardTrackKey(SDL_Scancode code, bool down);
void PlatKeyboardReleaseAll();
// True while snapshots come from a script instead of the device.
bool PlatKeyboardIsScripted();
// DirectInput scan code of an SDL scancode, 0 for keys without one.
int PlatDirectInputCode(SDL_Scancode code);
// The program's icon, 32 x 32 ARGB; the caller frees it.
SDL_Surface* PlatIconCreate();
// Closes the popup menus' windows and font.
void PlatMenusEnd();
