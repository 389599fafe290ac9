// The start-up sequence of the game programs.
#include "Main.h"

#include <cstdio>

#include "AssetTable.h"
#include "Body.h"
#include "Debris.h"
#include "IndexedFile.h"
#include "OnErrorHandler.h"
#include "Orbs.h"
#include "Player.h"
#include "platform/PlatformProcess.h"
#include "platform/PlatformSound.h"
#include "platform/PlatformZip.h"

static constexpr int32_t StartZoom = 4;
static constexpr int MusicVolume = 20;

void StartUp(const char* title) {
    InstallErrorHandler();
    PlatZipRegister();
    CreateAssetIndex();
    if (PlatParamCount() == 0) {
        PlatMessageBox("Error", "No parameters parsed.");
        ShutDown();
    }
    ParseCommandLine();
    LoadAssets();
    Zoom = StartZoom;
    SharpDisplay = 1;
    if (!OpenGameWindow(title)) {
        // Nobody could see or close a frame loop without a window.
        PlatMessageBox(title, "Cannot open the game window: no display is available.");
        ShutDown();
    }
    SetupScreen(GameWindow, Zoom, ScreenDivisor());
    SetupCollision();
    InitPlayer();
    DebrisList.clear();
    InitOrbs();
    PlatSoundPlay(SoundMusic, MusicVolume, true);
    Facing = 1;
    JumpReady = 1;
}

void GameMain(const char* title) {
    StartUp(title);
    for (;;) RunFrame();
}
