// Draws the back-end comparison scene headless and writes its presented
// frames to the file named on the command line: "width height\n" and then
// the 0xAABBGGRR pixels of each frame in turn.
#include "SpriteScenes.h"

#include <cstdio>

// Exit code 0 when every frame was written.
int main(int argc, char** argv) {
    if (argc != 2) return 2;
    if (!OpenTestScreen(160, 120, 160, 120)) return 3;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 4;
    for (int frame = 0; frame < ComparisonFrames; ++frame) {
        if (!DrawComparisonScene(frame)) return 5;
        Picture p = FlipAndRead();
        PlatScreenClear(0xDDDDDD);
        if (p.width <= 0) return 6;
        if (frame == 0) std::fprintf(out, "%d %d\n", p.width, p.height);
        std::fwrite(p.pixels.data(), sizeof(uint32_t), p.pixels.size(), out);
    }
    std::fclose(out);
    CloseTestScreen();
    return 0;
}
