// The asset index: logical asset names (relative path, lower case, "\"
// separators) mapped to a loose file or a zip pack entry.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

struct AssetEntry {
    int pack = 0;       // open zip pack holding the entry, 0 for a loose file
    std::string source; // absolute path of a loose file, or the entry name in the pack
    int32_t size = 0;   // low 32 bits of the (uncompressed) size
};

using AssetMap = std::unordered_map<std::string, AssetEntry>;

extern AssetMap AssetIndex;

// Empties the global index and gives it its 512 buckets.
void CreateAssetIndex();

// Adds the directory `path` (relative to the current directory, "" or ending
// in "\") and everything below it to `index`; zip packs are opened in the
// first `packDepth` levels. A directory already on the way down (reached
// again through a link) is not entered twice. Reports nothing, never fails.
void IndexDirectory(AssetMap& index, const std::string& path, int32_t packDepth);
