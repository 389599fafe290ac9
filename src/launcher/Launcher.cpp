// The launcher: asks for the rendering back-end and starts the matching game
// program on the two data sets, without waiting for it.
#include "platform/PlatformLaunch.h"
#include "platform/PlatformProcess.h"

static const char* const ProgramYes = "bin\\vrem_dx9.exe";
static const char* const ProgramNo = "bin\\vrem_gl.exe";
static const char* const GameParams = "ld:data\\base ld:data\\kl";

// Asks once, starts at most one game program and ends with code 0.
int main() {
    PlatLaunchStart();
    PlatAnswer answer = PlatAskYesNo("OpenGL", "Do you wish to start KL in DirectX-Mode?");
    if (answer == PlatAnswerYes)
        PlatStartProgram(ProgramYes, GameParams, "");
    else if (answer == PlatAnswerNo)
        PlatStartProgram(ProgramNo, GameParams, "");
    PlatLaunchStop();
    PlatExit(0);
}
