// Driver selection for headless runs.
#include "PlatformHeadless.h"

#include <SDL.h>

void PlatUseHeadlessDrivers() {
    // Overwrite 0 keeps a driver the caller chose on purpose.
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);
}
