// Command line and orderly end of the game program.
#include "Main.h"

#include "IndexedFile.h"
#include "OnErrorHandler.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformProcess.h"
#include "platform/PlatformSound.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"
#include "platform/PlatformZip.h"

// True when `param` starts with `prefix`, ignoring the case of A to Z.
static bool HasPrefix(const std::string& param, const char* prefix) {
    std::string lower = PlatLowerCase(param);
    return lower.rfind(prefix, 0) == 0;
}

// Indexes `dir` as one data root with the given pack depth; the current
// directory is the same afterwards.
static void IndexRoot(const std::string& dir, int32_t packDepth) {
    std::string saved = PlatCurrentDir();
    PlatSetCurrentDir(dir);
    IndexDirectory(AssetIndex, "", packDepth);
    PlatSetCurrentDir(saved);
}

void ParseCommandLine() {
    for (int i = 0; i < PlatParamCount(); i++) {
        std::string param = PlatParam(i);
        if (HasPrefix(param, "cd:"))
            PlatSetCurrentDir(param.substr(3));
        else if (HasPrefix(param, "ld:"))
            IndexRoot(param.substr(3), 16);
        else if (HasPrefix(param, "ldnz:"))
            IndexRoot(param.substr(5), 0);
    }
}

void ShutDown() {
    PlatSoundEnd();
    PlatZipCloseAll();
    RemoveErrorHandler();
    PlatKeyboardEnd();
    PlatScreenEnd();
    PlatSpritesEnd();
    PlatWindowsEnd();
    PlatImagesEnd();
    PlatExit(0);
}
