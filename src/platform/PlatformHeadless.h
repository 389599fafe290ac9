// Start-up choices for programs that run the game without a screen or speakers.
#pragma once

// Selects the dummy video and audio drivers unless SDL_VIDEODRIVER /
// SDL_AUDIODRIVER are already set; call before any platform service starts.
void PlatUseHeadlessDrivers();
