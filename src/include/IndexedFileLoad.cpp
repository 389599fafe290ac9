// Loading the fixed sounds and images by logical name, from loose files or
// zip packs.
#include "AssetTable.h"

#include "SinglePrecisionFloat.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformSound.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformZip.h"

#include <cstdlib>
#include <map>
#include <memory>

namespace {

// No asset of the game comes near this; a larger declared size is a damaged
// pack and is not worth reserving memory for.
constexpr int32_t MaxPackedSize = 256 << 20;

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};
using Block = std::unique_ptr<void, FreeBlock>;

// Pack buffers of streamed sounds: the sound reads its block while it plays,
// so each lives as long as the sound under its number. Never destroyed, so
// that no exit path frees a block the audio thread may still be reading.
std::map<int32_t, Block>& StreamBlocks() {
    static auto* blocks = new std::map<int32_t, Block>;
    return *blocks;
}

// The index entry for `name` after lower-casing, or null.
const AssetEntry* FindAsset(const AssetMap& index, const std::string& name) {
    auto it = index.find(PlatLowerCase(name));
    return it == index.end() ? nullptr : &it->second;
}

// A zero-filled block of exactly the entry's size holding the entry as far as
// it could be read; null for an unusable size or when memory is short.
Block ReadPacked(const AssetEntry& entry) {
    if (entry.size <= 0 || entry.size > MaxPackedSize) return nullptr;
    Block block(std::calloc(static_cast<size_t>(entry.size), 1));
    if (block) PlatZipRead(entry.pack, block.get(), entry.size, entry.source);
    return block;
}

} // namespace

int32_t LoadIndexedSound(const AssetMap& index, int32_t sound, const std::string& name,
                         int32_t flags) {
    const AssetEntry* entry = FindAsset(index, name);
    if (!entry) return 0;
    bool loaded = false;
    Block block;
    if (entry->pack == 0) {
        loaded = PlatSoundLoadFile(sound, entry->source, flags);
    } else {
        // Without a block the load of nothing fails and empties the number.
        block = ReadPacked(*entry);
        loaded = PlatSoundLoadMemory(sound, block.get(), block ? entry->size : 0, flags);
    }
    // The load has replaced the number's earlier sound, and with it the need
    // for that sound's block.
    StreamBlocks().erase(sound);
    if (loaded && block && PlatSoundIsStreamed(sound)) StreamBlocks()[sound] = std::move(block);
    return loaded ? 1 : 0;
}

int32_t LoadIndexedImage(const AssetMap& index, int32_t image, const std::string& name) {
    const AssetEntry* entry = FindAsset(index, name);
    if (!entry) return 0;
    if (entry->pack == 0) return PlatImageLoadFile(image, entry->source) ? 1 : 0;
    Block block = ReadPacked(*entry);
    return PlatImageLoadMemory(image, block.get(), block ? entry->size : 0) ? 1 : 0;
}

void LoadAssets() {
    // The sprite back-end starts before any window opens: it may need its own
    // kind of window.
    PlatSpriteInit();
    PlatSoundInit();
    PlatKeyboardInit();
    PlatImageRegisterPng();
    PlatSoundRegisterOgg();
    SetSinglePrecision(1);

    LoadIndexedSound(AssetIndex, SoundMusic, "sounds\\music\\turmoil_short.ogg", SoundStreamed);
    LoadIndexedSound(AssetIndex, SoundClick, "sounds\\click.wav", 0);
    LoadIndexedSound(AssetIndex, SoundLaunch, "sounds\\launch.wav", 0);
    LoadIndexedSound(AssetIndex, SoundHit, "sounds\\hit.wav", 0);

    LoadIndexedImage(AssetIndex, ImagePlayerCollision, "textures\\player\\collision.png");
    LoadIndexedImage(AssetIndex, ImageLevelCollision, "maps\\testlevel\\collision.png");
    LoadIndexedImage(AssetIndex, ImageLevelColor, "maps\\testlevel\\color.png");
    LoadIndexedImage(AssetIndex, ImagePlayerStand, "textures\\player\\stand.png");
    LoadIndexedImage(AssetIndex, ImagePlayerWalk, "textures\\player\\walk.png");
    LoadIndexedImage(AssetIndex, ImagePlayerJump, "textures\\player\\jump.png");
    LoadIndexedImage(AssetIndex, ImagePlayerRun, "textures\\player\\run.png");
    LoadIndexedImage(AssetIndex, ImageOrb, "textures\\orb.png");

    PlatImageCreate(ImagePixel, 1, 1, 32);
}
