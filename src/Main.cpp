// Entry of the game programs; the window title is the only difference between
// them outside the rendering back-end.
#include "Main.h"

#include "platform/PlatformProcess.h"

int main(int argc, char** argv) {
    PlatSetParams(argc, argv);
    GameMain(VREM_WINDOW_TITLE);
}
