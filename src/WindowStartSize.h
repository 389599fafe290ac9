// Inner size the game window opens with; the game programs keep 800 x 600,
// tools that run the game may choose another before StartUp.
#pragma once
#include <cstdint>

extern int32_t StartInnerWidth;
extern int32_t StartInnerHeight;
