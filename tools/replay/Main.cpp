// vrem_replay: runs the game's start-up and frame loop headless from scripted
// keys, menu commands and random draws, writing a per-frame trace and
// screenshots. See README.md beside this file for the formats.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Body.h"
#include "Debris.h"
#include "Main.h"
#include "Orbs.h"
#include "Player.h"
#include "ReplayInput.h"
#include "WindowStartSize.h"
#include "World.h"
#include "platform/PlatformHeadless.h"
#include "platform/PlatformImageWrite.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformProcess.h"
#include "platform/PlatformRandom.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"

namespace {

constexpr int ExitBadInput = 2;

// Prints the message and ends with the bad-input code.
[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "vrem_replay: %s\n", message.c_str());
    PlatExit(ExitBadInput);
}

// Appends a float that reads back to the same single-precision value; JSON
// has no NaN or infinities, so those are written as null.
void PutFloat(std::string* out, float v) {
    if (!std::isfinite(v)) {
        *out += "null";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    *out += text;
}

// Appends an integer in decimal.
void PutInt(std::string* out, int64_t v) {
    *out += std::to_string(v);
}

// One trace line for frame `frame`: the player, its state, debris and orbs.
std::string TraceLine(int64_t frame) {
    const Body& p = PlayerBody;
    std::string s = "{\"frame\":";
    PutInt(&s, frame);
    s += ",\"player\":{\"x\":";
    PutFloat(&s, p.x);
    s += ",\"y\":";
    PutFloat(&s, p.y);
    s += ",\"vx\":";
    PutFloat(&s, p.vx);
    s += ",\"vy\":";
    PutFloat(&s, p.vy);
    s += ",\"hitX\":";
    PutInt(&s, p.hitX);
    s += ",\"hitY\":";
    PutInt(&s, p.hitY);
    s += "},\"facing\":";
    PutInt(&s, Facing);
    s += ",\"sprite\":";
    PutInt(&s, PlayerSprite);
    s += ",\"animFrame\":";
    PutInt(&s, AnimFrame);
    s += ",\"airborne\":";
    PutInt(&s, Airborne);
    s += ",\"airJumpReady\":";
    PutInt(&s, AirJumpReady);
    s += ",\"dashCooldown\":";
    PutInt(&s, DashCooldown);
    s += ",\"debris\":";
    PutInt(&s, static_cast<int64_t>(DebrisList.size()));
    s += ",\"orbs\":[";
    for (size_t i = 0; i < OrbList.size(); i++) {
        const Body& o = OrbList[i];
        if (i > 0) s += ',';
        s += '[';
        PutFloat(&s, o.x);
        s += ',';
        PutFloat(&s, o.y);
        s += ',';
        PutFloat(&s, o.vx);
        s += ',';
        PutFloat(&s, o.vy);
        s += ']';
    }
    s += "]}\n";
    return s;
}

// Saves the picture presented last; ends the run on failure.
void SaveShot(const std::string& path) {
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    if (!PlatScreenReadPresented(&pixels, &w, &h))
        Fail("cannot read the presented picture for " + path);
    if (!PlatImageWritePng(path, pixels.data(), w, h)) Fail(path + ": cannot be written");
}

// Applies the keys and posts the menu commands of `frame`; advances `next`.
void ApplyActions(const std::vector<ReplayAction>& actions, size_t* next, int64_t frame) {
    for (; *next < actions.size() && actions[*next].frame == frame; ++*next) {
        const ReplayAction& a = actions[*next];
        if (a.menu) {
            PlatEvent event;
            event.kind = PlatEventMenuCommand;
            event.window = GameWindow;
            event.number = a.code;
            PlatPostEvent(event);
        } else {
            PlatKeyboardScriptKey(a.code, a.down);
        }
    }
}

} // namespace

// Reads the options and files, starts the game headless and runs the frames;
// ends through ShutDown (0) or with 2 for bad input.
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ReplayOptions options;
    std::string error;
    if (!ParseReplayOptions(args, &options, &error)) Fail(error);
    std::vector<ReplayAction> actions;
    if (!options.keysPath.empty() && !ReadReplayKeys(options.keysPath, &actions, &error))
        Fail(error);
    std::vector<int32_t> draws;
    if (!options.drawsPath.empty() && !ReadReplayDraws(options.drawsPath, &draws, &error))
        Fail(error);
    // Opened before StartUp: "cd:" parameters must not move it.
    FILE* trace = nullptr;
    if (options.tracePath == "-") {
        trace = stdout;
    } else if (!options.tracePath.empty()) {
        trace = std::fopen(options.tracePath.c_str(), "wb");
        if (!trace) Fail(options.tracePath + ": cannot be written");
    }

    if (draws.empty())
        PlatRandomSeed(options.seed);
    else
        PlatRandomScript(draws);
    PlatUseHeadlessDrivers();
    StartInnerWidth = options.width;
    StartInnerHeight = options.height;
    PlatScreenSetPacing(false);

    std::vector<char*> params{argc > 0 ? argv[0] : nullptr};
    for (std::string& p : options.params) params.push_back(p.data());
    PlatSetParams(static_cast<int>(params.size()), params.data());
    StartUp("vrem_replay");
    // The keyboard starts unscripted with the game; pacing is a lasting
    // setting of the sprite back-end and survives every later screen.
    PlatKeyboardSetScripted(true);
    PlatScreenSetPacing(false);

    size_t next = 0;
    for (int64_t frame = 1; frame <= options.frames; frame++) {
        ApplyActions(actions, &next, frame);
        RunFrame();
        if (trace) {
            const std::string line = TraceLine(frame);
            // Flushed every frame: ShutDown ends the process without closing files.
            if (std::fwrite(line.data(), 1, line.size(), trace) != line.size() ||
                std::fflush(trace) != 0)
                Fail("cannot write the trace");
        }
        for (const ReplayShot& shot : options.shots)
            if (shot.frame == frame) SaveShot(shot.path);
    }
    if (trace && trace != stdout) std::fclose(trace);
    ShutDown();
}
