// The camera, the level picture and the animated player.
#pragma once
#include <cstdint>

struct ScreenPos {
    int32_t x;
    int32_t y;
};

extern float AnimCounter; // sixths of an animation frame
extern int32_t AnimFrame; // frame shown by the last DrawPlayer
extern float StretchTopX;
extern float StretchTopY;
extern float StretchBottomX;
extern float StretchBottomY;

constexpr float PlayerDrawSize = 32.0f;

// Top-left screen position of a sprite centred on world (wx, wy), with the
// player at the screen's centre.
ScreenPos WorldToScreen(float wx, float wy, float halfW, float halfH);
// Draws the level picture and the collision picture over it.
void DrawLevel();
// Draws the current animation frame leaned, squashed, mirrored and outlined;
// advances the animation.
void DrawPlayer();
