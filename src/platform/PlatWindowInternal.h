// Shared between the window code and the rendering back-ends; platform only.
#pragma once
#include <SDL.h>
#include <cstdint>

// The SDL window behind window number `window`, or null.
SDL_Window* PlatSdlWindow(int window);

// Extra SDL_CreateWindow flags a back-end needs (SDL_WINDOW_OPENGL); set by
// its PlatSpriteInit before the window opens.
extern uint32_t PlatWindowCreateFlags;
