// Placeholder until the asset index lands.
#include "IndexedFile.h"

AssetMap AssetIndex;
void CreateAssetIndex() {
    AssetIndex.clear();
}
void IndexDirectory(AssetMap&, const std::string&, int32_t) {}
