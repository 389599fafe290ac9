// Entry of the game programs and the start-up sequence.
#include "Main.h"

#include "IndexedFile.h"
#include "OnErrorHandler.h"
#include "platform/PlatformProcess.h"
#include "platform/PlatformZip.h"

void GameMain(const char* title) {
    (void)title; // the window opens with it once the window joins the start-up
    InstallErrorHandler();
    PlatZipRegister();
    CreateAssetIndex();
    if (PlatParamCount() == 0) {
        PlatMessageBox("Error", "No parameters parsed.");
        ShutDown();
    }
    ParseCommandLine();
    // Asset loading, window, screen, gameplay and the frame loop join here.
    ShutDown();
}

int main(int argc, char** argv) {
    PlatSetParams(argc, argv);
    GameMain(VREM_WINDOW_TITLE);
}
