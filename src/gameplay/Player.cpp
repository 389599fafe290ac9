#include "Player.h"

#include <cmath>

#include "AssetTable.h"
#include "Body.h"
#include "CollisionAPI.h"
#include "SinglePrecisionFloat.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformSound.h"

int32_t RunHeld = 0;
int32_t JumpReady = 0;
int32_t JumpRequest = 0;
int32_t Airborne = 0;
int32_t AirJumpReady = 0;
int32_t DashCooldown = 0;
int32_t Facing = 0;
int32_t PlayerSprite = 0;

static constexpr float WalkAccel = 0.085f;
static constexpr float BackwardBrake = 0.02f;
static constexpr float JumpSpeed = -3.2f;
static constexpr float GroundJumpBoost = 2.0f;
static constexpr float DashSpeed = 6.0f;
static constexpr float DashLift = -1.0f;
static constexpr int32_t DashFrames = 75;
static constexpr float TabBoost = 1.09f;
static constexpr float Nudge = 1.0f;
static constexpr float Gravity = 0.2f;
static constexpr float Damping = 0.92f;
static constexpr double DeadZone = 0.02;
static constexpr double RunSheetSpeed = 1.7;
static constexpr double WalkSheetSpeed = 0.1;
static constexpr int EffectVolume = 100;

void InitPlayer() {
    PlayerBody = PlayerSpawn;
}

// Starts a jump from the pending request when one is possible.
static void TryJump(Body& p) {
    if (AirJumpReady == 1) {
        p.vy = JumpSpeed;
        AirJumpReady = 0;
        JumpRequest = 0;
        PlatSoundPlay(SoundClick, EffectVolume, false);
    } else if (Airborne == 0) {
        AirJumpReady = 1;
        JumpRequest = 0;
        p.vy = JumpSpeed;
        p.vx = p.vx * GroundJumpBoost;
        PlatSoundPlay(SoundClick, EffectVolume, false);
    }
}

void UpdatePlayer() {
    Body& p = PlayerBody;
    RunHeld = PlatKeyDown(KeyShift) ? 1 : 0;
    if (PlatKeyDown(KeySpace) && JumpReady == 1) {
        JumpRequest = 1;
        JumpReady = 0;
    }
    if (PlatKeyReleased(KeySpace)) {
        JumpReady = 1;
        JumpRequest = 0;
    }
    if (p.hitY == 1) {
        Airborne = 0;
        AirJumpReady = 0;
    } else {
        Airborne = 1;
    }
    if (JumpRequest == 1) TryJump(p);

    const float run = static_cast<float>(1 + RunHeld);
    if (PlatKeyDown(KeyA)) {
        const float againstFacing = Facing == 1 ? 1.0f : 0.0f;
        p.vx = p.vx - WalkAccel * run + againstFacing * BackwardBrake * run;
    }
    if (PlatKeyDown(KeyD)) {
        const float againstFacing = Facing == -1 ? 1.0f : 0.0f;
        p.vx = p.vx + WalkAccel * run - againstFacing * BackwardBrake * run;
    }
    if (PlatKeyDown(KeyS) && DashCooldown <= 0) {
        DashCooldown = DashFrames;
        p.vx = p.vx + static_cast<float>(Facing) * DashSpeed;
        if (p.vy > DashLift) p.vy = DashLift;
        PlatSoundPlay(SoundLaunch, EffectVolume, false);
    }
    if (DashCooldown > 0) DashCooldown--;
    if (PlatKeyDown(KeyTab)) p.vx = p.vx * TabBoost;

    if (PlatKeyDown(KeyUp)) p.y = p.y - Nudge;
    if (PlatKeyDown(KeyLeft)) p.x = p.x - Nudge;
    if (PlatKeyDown(KeyRight)) p.x = p.x + Nudge;
    if (PlatKeyDown(KeyDown)) p.y = p.y + Nudge;

    p.vy = p.vy + Gravity;
    p.vx = p.vx * Damping;
    if (std::fabs(static_cast<double>(p.vx)) < DeadZone) p.vx = 0.0f;
    MoveBody(PlayerBody, LevelBody, 0);
}

void SettlePlayer() {
    Body& p = PlayerBody;
    if (p.hitY != 0) p.y = RoundHalfAway(p.y);
    if (p.hitX != 0) p.x = RoundHalfAway(p.x);
    if (PlatKeyDown(KeyJ)) Facing = -1;
    if (PlatKeyDown(KeyL)) Facing = 1;
    const double speed = std::fabs(static_cast<double>(p.vx));
    if (speed > RunSheetSpeed)
        PlayerSprite = ImagePlayerRun;
    else if (speed > WalkSheetSpeed)
        PlayerSprite = ImagePlayerWalk;
    else
        PlayerSprite = ImagePlayerStand;
    if (p.hitY != 1) PlayerSprite = ImagePlayerJump;
}
