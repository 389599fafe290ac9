// The game window, its popup menu and the full-screen switch.
#include "Main.h"

#include "WindowStartSize.h"
#include "platform/PlatformWindow.h"

int32_t StartInnerWidth = 800;
int32_t StartInnerHeight = 600;

bool OpenGameWindow(const char* title) {
    if (!PlatWindowOpen(GameWindow, title, StartInnerWidth, StartInnerHeight, PlatStyleGameWindow))
        return false;
    PlatWindowSetSizeLimits(GameWindow, 1, 1, 0, 0);
    PlatWindowSetBackground(GameWindow, 0x000000);
    PlatMenuCreate(PopupMenu);
    PlatMenuOpenSubmenu(PopupMenu, "Display");
    PlatMenuAddItem(PopupMenu, MenuStretch, "Stretch\tF1");
    PlatMenuAddItem(PopupMenu, MenuOutline, "Outline\tF2");
    PlatMenuAddItem(PopupMenu, MenuSharpDisplay, "Sharpdisplay\tF4");
    PlatMenuAddItem(PopupMenu, MenuZoomOut, "Zoom -\tF6");
    PlatMenuAddItem(PopupMenu, MenuZoomIn, "Zoom +\tF7");
    PlatMenuAddItem(PopupMenu, MenuFullScreen, "Toggle Fullscreen\tF12");
    PlatMenuCloseSubmenu(PopupMenu);
    PlatMenuOpenSubmenu(PopupMenu, "Game");
    PlatMenuAddItem(PopupMenu, MenuKill, "Kill\tF9");
    PlatMenuCloseSubmenu(PopupMenu);
    PlatMenuAddSeparator(PopupMenu);
    PlatMenuAddItem(PopupMenu, MenuExit, "Exit");
    return true;
}

void ToggleFullScreen() {
    const uint32_t style = PlatWindowGetStyle(GameWindow);
    if (FullScreenOn == 0) {
        PlatWindowSetStyle(GameWindow, style & ~PlatStyleBorder);
        PlatWindowMaximize(GameWindow);
        FullScreenOn = 1;
    } else {
        PlatWindowSetStyle(GameWindow, style | PlatStyleBorder);
        PlatWindowRestore(GameWindow);
        FullScreenOn = 0;
    }
}
