// The frame loop: window events, shell keys, gameplay steps, presentation.
#include "Main.h"

#include "Debris.h"
#include "Orbs.h"
#include "Player.h"
#include "World.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformWindow.h"

// DirectInput scan codes of the shell's keys.
static constexpr int KeyEscape = 0x01;
static constexpr int DigitKeys[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
static constexpr struct {
    int key;
    int32_t command;
} FunctionKeys[] = {
    {0x3B, MenuStretch}, {0x3C, MenuOutline}, {0x3E, MenuSharpDisplay}, {0x40, MenuZoomOut},
    {0x41, MenuZoomIn},  {0x43, MenuKill},    {0x58, MenuFullScreen},
};
static const char* const PopupCode = "7391";

// Posts menu command `command` for the game window.
static void PostCommand(int32_t command) {
    PlatEvent event;
    event.kind = PlatEventMenuCommand;
    event.window = GameWindow;
    event.number = command;
    PlatPostEvent(event);
}

// Posts an event without a number for the game window.
static void PostWindowEvent(int32_t kind) {
    PlatEvent event;
    event.kind = kind;
    event.window = GameWindow;
    PlatPostEvent(event);
}

void RunFrame() {
    DrainWindowEvents();
    PollShellKeys();
    UpdatePlayer();
    DrawLevel();
    UpdateDebris();
    UpdateOrbs();
    SettlePlayer();
    DrawPlayer();
    PresentFrame();
}

void DrainWindowEvents() {
    PlatEvent event;
    while (PlatNextEvent(&event)) {
        switch (event.kind) {
        case PlatEventCloseRequested:
            ShutDown();
        case PlatEventRestored:
            if (FullScreenOn == 1) {
                PlatWindowSetStyle(GameWindow, PlatWindowGetStyle(GameWindow) | PlatStyleBorder);
                FullScreenOn = 0;
            }
            break;
        case PlatEventResized:
            SetupScreen(GameWindow, Zoom, ScreenDivisor());
            break;
        case PlatEventLeftButtonDown:
            PlatWindowStartDrag(GameWindow);
            break;
        case PlatEventMenuCommand:
            DispatchMenuCommand(event.number);
            break;
        default:
            break;
        }
    }
}

void DispatchMenuCommand(int32_t command) {
    switch (command) {
    case MenuExit:
        PostWindowEvent(PlatEventCloseRequested);
        break;
    case MenuStretch:
        StretchOff = StretchOff == 0 ? 1 : 0;
        break;
    case MenuOutline:
        OutlineOn = OutlineOn == 0 ? 1 : 0;
        break;
    case MenuSharpDisplay:
        SharpDisplay = SharpDisplay == 0 ? 1 : 0;
        SetupScreen(GameWindow, Zoom, ScreenDivisor());
        break;
    case MenuZoomOut:
        if (Zoom > ZoomMin) {
            Zoom--;
            PostWindowEvent(PlatEventResized);
        }
        break;
    case MenuZoomIn:
        if (Zoom < ZoomMax) {
            Zoom++;
            PostWindowEvent(PlatEventResized);
        }
        break;
    case MenuKill:
        KillPlayer();
        break;
    case MenuFullScreen:
        ToggleFullScreen();
        break;
    case MenuShowPopup: {
        int x = 0, y = 0;
        PlatWindowInnerScreenPos(GameWindow, &x, &y);
        PlatMenuShow(PopupMenu, GameWindow, x, y);
        break;
    }
    default:
        break;
    }
}

void PollShellKeys() {
    PlatKeyboardCapture();
    for (int digit = 0; digit <= 9; digit++)
        if (PlatKeyReleased(DigitKeys[digit])) TypedCode += static_cast<char>('0' + digit);
    if (TypedCode.size() > 4) TypedCode = TypedCode.substr(TypedCode.size() - 4);
    if (TypedCode == PopupCode) {
        PostCommand(MenuShowPopup);
        TypedCode.clear();
    }
    if (PlatKeyReleased(KeyEscape)) PostCommand(MenuShowPopup);
    for (const auto& f : FunctionKeys)
        if (PlatKeyReleased(f.key)) PostCommand(f.command);
}
