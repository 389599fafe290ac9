// The asset index: data roots and their zip packs listed under logical names.
#include "IndexedFile.h"

#include <array>
#include <vector>

#include "platform/PlatformFiles.h"
#include "platform/PlatformZip.h"

AssetMap AssetIndex;

using DirIdentity = std::array<uint64_t, 2>;

// Empties the global index and gives it its 512 buckets.
void CreateAssetIndex() {
    AssetIndex.clear();
    AssetIndex.rehash(512);
}

// Returns the low 32 bits of `size` as the index keeps them.
static int32_t LowSize32(int64_t size) {
    // Unsigned to signed is modular since C++20, so 5 GiB keeps its low bits.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(size)));
}

// Returns `text` with every "/" turned into "\".
static std::string BackslashSeparators(std::string text) {
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}

// Adds every file entry of the open pack `pack`, found in the directory
// `path`, to `index`; loose files already there keep their key.
static void IndexPack(AssetMap& index, const std::string& path, int pack) {
    PlatZipFirstEntry(pack);
    while (PlatZipNextEntry(pack)) {
        if (PlatZipEntryIsDirectory(pack)) continue;
        std::string name = PlatZipEntryName(pack);
        if (name.empty()) continue; // cannot be read back by name
        std::string key = PlatLowerCase(path + BackslashSeparators(name));
        auto found = index.find(key);
        if (found != index.end() && found->second.pack == 0) continue;
        AssetEntry& entry = index[key];
        entry.pack = pack;
        entry.source = name;
        entry.size = LowSize32(PlatZipEntrySize(pack));
    }
}

// Indexes `path` and below; `current` is the absolute current directory and
// `ancestors` the identities of the directories on the way down to `path`,
// `path` included. Adds to `index` and opens packs.
static void IndexTree(AssetMap& index, const std::string& current, const std::string& path,
                      int32_t packDepth, std::vector<DirIdentity>& ancestors) {
    PlatDirListing* dir = PlatDirStart(path, "*");
    while (PlatDirNext(dir)) {
        const std::string& name = PlatDirName(dir);
        if (name == "." || name == "..") continue;
        if (PlatDirIsDirectory(dir)) {
            std::string sub = path + name + "\\";
            DirIdentity id;
            bool known = PlatDirIdentity(sub, id.data());
            bool onTheWay = false;
            for (const DirIdentity& a : ancestors) onTheWay = onTheWay || (known && a == id);
            if (onTheWay) continue; // a link back up would never end
            if (known) ancestors.push_back(id);
            // A depth already at its floor stays there instead of overflowing.
            IndexTree(index, current, sub, packDepth > 0 ? packDepth - 1 : packDepth, ancestors);
            if (known) ancestors.pop_back();
            continue;
        }
        if (packDepth > 0 && PlatLowerCase(PlatExtension(name)) == "zip") {
            int pack = PlatZipOpen(path + name);
            if (pack) IndexPack(index, path, pack);
        }
        AssetEntry& entry = index[PlatLowerCase(path + name)];
        entry.pack = 0;
        entry.source = current + path + name;
        entry.size = LowSize32(PlatDirSize(dir));
    }
    PlatDirFinish(dir);
}

// Indexes `path` and below into `index`; see the header.
void IndexDirectory(AssetMap& index, const std::string& path, int32_t packDepth) {
    std::vector<DirIdentity> ancestors;
    DirIdentity id;
    if (PlatDirIdentity(path, id.data())) ancestors.push_back(id);
    IndexTree(index, PlatCurrentDir(), path, packDepth, ancestors);
}
