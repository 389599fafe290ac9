// One whole game frame (RunFrame: events, keys, player, level, debris, orbs,
// player drawing and presentation) with pacing off on the headless
// render-target back-end and the generated data sets, with 0, 10 000 and
// 100 000 live debris particles.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Body.h"
#include "Debris.h"
#include "Main.h"
#include "platform/PlatformHeadless.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformProcess.h"
#include "platform/PlatformRandom.h"
#include "platform/PlatformSprite.h"

namespace {

// Starts the game once on the generated data; false when the data is missing.
bool GameReady() {
    static int state = 0; // 0 untried, 1 ready, 2 no data
    if (state != 0) return state == 1;
    state = 2;
    const std::string base = VREM_BUILD_DIR "/data/base";
    const std::string kl = VREM_BUILD_DIR "/data/kl";
    if (!std::filesystem::is_directory(base) || !std::filesystem::is_directory(kl)) return false;
    PlatUseHeadlessDrivers();
    PlatRandomSeed(1);
    PlatScreenSetPacing(false);
    static std::string params[] = {"vrem_bench", "ld:" + base, "ld:" + kl};
    static char* argv[] = {params[0].data(), params[1].data(), params[2].data()};
    PlatSetParams(3, argv);
    StartUp("vrem_bench");
    PlatKeyboardSetScripted(true);
    PlatScreenSetPacing(false);
    state = 1;
    return true;
}

// `count` one-pixel particles at rest in a block above the player, on screen.
std::vector<Body> Particles(int64_t count) {
    std::vector<Body> list;
    list.reserve(size_t(count));
    const CollisionMask pixel = NewMask(1, 1, 1);
    for (int64_t i = 0; i < count; i++) {
        Body p;
        p.mask = pixel;
        p.color = 0x3366CC;
        p.bounceX = 0.5f;
        p.bounceY = 0.2f;
        p.x = PlayerSpawn.x - 150.0f + static_cast<float>(i % 300);
        p.y = PlayerSpawn.y - 40.0f - static_cast<float>((i / 300) % 200);
        list.push_back(p);
    }
    return list;
}

// Times RunFrame with state.range(0) particles live at the start of each frame.
void BM_Frame(benchmark::State& state) {
    if (!GameReady()) {
        state.SkipWithError("no generated data sets in the build folder");
        return;
    }
    // Another benchmark in this program may have replaced the screen.
    SetupScreen(GameWindow, Zoom, ScreenDivisor());
    PlatScreenSetPacing(false);
    const std::vector<Body> particles = Particles(state.range(0));
    for (auto _ : state) {
        // Particles fall and come to rest; every frame starts from the same ones.
        state.PauseTiming();
        DebrisList = particles;
        PlayerBody = PlayerSpawn;
        state.ResumeTiming();
        RunFrame();
    }
    state.counters["debris"] = static_cast<double>(particles.size());
    DebrisList.clear();
}
BENCHMARK(BM_Frame)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
