// Start-up asset work on the generated data set (data/base and data/kl of the
// build tree): indexing both roots and loading the asset table.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "AssetTable.h"
#include "IndexedFile.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSound.h"
#include "platform/PlatformZip.h"

namespace {

const std::string DataDir = std::string(VREM_BUILD_DIR) + "/data/";

// Rebuilds the global index from both roots as the launcher's command line
// does; false when the data set has not been generated.
bool IndexDataRoots() {
    PlatZipCloseAll();
    CreateAssetIndex();
    std::string saved = PlatCurrentDir();
    bool found = true;
    for (const char* root : {"base", "kl"}) {
        if (!PlatSetCurrentDir(DataDir + root))
            found = false;
        else
            IndexDirectory(AssetIndex, "", 16);
        PlatSetCurrentDir(saved);
    }
    return found && !AssetIndex.empty();
}

// The audio device must not depend on the machine's sound hardware.
void QuietAudio() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

// How many of the table's images and sounds are loaded.
int LoadedAssets() {
    int n = 0;
    for (int i = ImagePlayerCollision; i <= ImagePixel; i++) n += PlatImageExists(i);
    for (int i = SoundMusic; i <= SoundHit; i++) n += PlatSoundExists(i);
    return n;
}

// Start-up from an empty index to the end of LoadAssets. The audio device
// opens in the first iteration and stays open, as it does in the game.
void BM_StartupToLoadAssets(benchmark::State& state) {
    QuietAudio();
    for (auto _ : state) {
        if (!IndexDataRoots()) {
            state.SkipWithError(("no data set in " + DataDir).c_str());
            break;
        }
        LoadAssets();
    }
    state.counters["assets"] = LoadedAssets();
}
BENCHMARK(BM_StartupToLoadAssets)->Unit(benchmark::kMillisecond);

// Indexing alone: both roots with their packs.
void BM_IndexDataRoots(benchmark::State& state) {
    for (auto _ : state) {
        if (!IndexDataRoots()) {
            state.SkipWithError(("no data set in " + DataDir).c_str());
            break;
        }
    }
    state.counters["entries"] = static_cast<double>(AssetIndex.size());
}
BENCHMARK(BM_IndexDataRoots)->Unit(benchmark::kMillisecond);

// LoadAssets alone over an index built once.
void BM_LoadAssets(benchmark::State& state) {
    QuietAudio();
    if (!IndexDataRoots()) {
        state.SkipWithError(("no data set in " + DataDir).c_str());
        return;
    }
    for (auto _ : state) LoadAssets();
    state.counters["assets"] = LoadedAssets();
}
BENCHMARK(BM_LoadAssets)->Unit(benchmark::kMillisecond);

// One image per iteration, by logical name, from whichever source the data
// set gives it (loose file or pack entry).
void BM_LoadIndexedImage(benchmark::State& state, const char* name) {
    if (!IndexDataRoots() || AssetIndex.find(name) == AssetIndex.end()) {
        state.SkipWithError(("no " + std::string(name) + " in " + DataDir).c_str());
        return;
    }
    PlatImageRegisterPng();
    const AssetEntry& entry = AssetIndex[name];
    for (auto _ : state) benchmark::DoNotOptimize(LoadIndexedImage(AssetIndex, 1, name));
    state.SetLabel(entry.pack ? "packed" : "loose");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(entry.size));
}
BENCHMARK_CAPTURE(BM_LoadIndexedImage, level_color, "maps\\testlevel\\color.png")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadIndexedImage, orb, "textures\\orb.png")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadIndexedImage, player_stand, "textures\\player\\stand.png")
    ->Unit(benchmark::kMicrosecond);

} // namespace
