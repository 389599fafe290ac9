// The player controller and its state.
#pragma once
#include <cstdint>

// DirectInput scan codes of the player's keys.
constexpr int KeyShift = 42;
constexpr int KeySpace = 57;
constexpr int KeyA = 30;
constexpr int KeyD = 32;
constexpr int KeyS = 31;
constexpr int KeyTab = 15;
constexpr int KeyUp = 200;
constexpr int KeyLeft = 203;
constexpr int KeyRight = 205;
constexpr int KeyDown = 208;
constexpr int KeyJ = 36;
constexpr int KeyL = 38;

extern int32_t RunHeld;
extern int32_t JumpReady;
extern int32_t JumpRequest;
extern int32_t Airborne;
extern int32_t AirJumpReady;
extern int32_t DashCooldown;
extern int32_t Facing;       // 1 right, -1 left
extern int32_t PlayerSprite; // sprite of the current animation sheet (4 to 7)

// Copies PlayerSpawn into PlayerBody.
void InitPlayer();
// Keys, forces and the move through the level; changes PlayerBody and the
// jump and dash state.
void UpdatePlayer();
// Pixel snap on blocked axes, facing, and the animation sheet.
void SettlePlayer();
