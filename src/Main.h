// The game shell: start-up, command line, window, frame loop, commands,
// screen set-up and shutdown, with the shell's state.
#pragma once
#include <cstdint>
#include <string>

// Platform object numbers of the shell.
constexpr int32_t GameWindow = 1;
constexpr int32_t PopupMenu = 1;

// Menu command numbers; 3, 5, 8, 10, 11 and 13 are unused.
enum MenuCommandId : int32_t {
    MenuExit = 0,
    MenuStretch = 1,
    MenuOutline = 2,
    MenuSharpDisplay = 4,
    MenuZoomOut = 6,
    MenuZoomIn = 7,
    MenuKill = 9,
    MenuFullScreen = 12,
    MenuShowPopup = 14,
};

constexpr int32_t ZoomMin = 1;
constexpr int32_t ZoomMax = 16;
constexpr uint32_t BackgroundColor = 0xDDDDDD;

extern int32_t Zoom;         // 1 to 16
extern int32_t SharpDisplay; // 1: magnify the middle of the screen by grabbing it
extern int32_t StretchOff;   // 1: no squash-and-stretch of the player
extern int32_t OutlineOn;    // 1: black outline around the player
extern int32_t FullScreenOn; // 1: maximised without title bar
extern std::string TypedCode;
extern int32_t LastScreenWidth;
extern int32_t LastScreenHeight;

// Runs the start-up sequence up to the frame loop; `title` is the program's
// window title. Ends the process when there are no parameters or no display.
void StartUp(const char* title);
// StartUp, then the frame loop for ever.
[[noreturn]] void GameMain(const char* title);

// Acts on every "cd:", "ld:" and "ldnz:" parameter in order.
void ParseCommandLine();

// Closes the platform services in order and exits with code 0.
[[noreturn]] void ShutDown();

// Opens GameWindow with its limits and background and builds PopupMenu; false
// when no window can be opened.
bool OpenGameWindow(const char* title);

// One pass of the frame loop.
void RunFrame();
// Handles window events until the queue is empty.
void DrainWindowEvents();
// Acts on one menu command number.
void DispatchMenuCommand(int32_t command);
// Switches between the normal window and borderless full screen.
void ToggleFullScreen();
// Captures the keyboard and posts the commands of released shell keys.
void PollShellKeys();

// 1 in the sharp mode, else Zoom.
int32_t ScreenDivisor();
// (Re)opens the drawing screen for the window's size, zoom and mode.
void SetupScreen(int32_t window, int32_t zoom, int32_t divisor);
// Magnifies (sharp mode), flips and clears: the end of every frame.
void PresentFrame();
