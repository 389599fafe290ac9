// Writes the game's two data sets into OUTDIR/base and OUTDIR/kl:
//   vrem_datagen OUTDIR
#include "DataGen.h"

#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Returns whether `bytes` were written to `path` (folders made on the way).
bool WriteBytes(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Returns whether the zip pack was written: entries in the given order, each
// deflated and stamped with one fixed time so the pack never changes.
bool WritePack(const fs::path& path,
               const std::vector<std::pair<std::string, std::string>>& entries) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    fs::remove(path, error);
    int code = 0;
    zip_t* zip = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip) return false;
    const time_t fixedTime = 1262304000; // 2010-01-01 00:00 UTC
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
        zip_int64_t index = source ? zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            zip_discard(zip);
            return false;
        }
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
        zip_file_set_mtime(zip, static_cast<zip_uint64_t>(index), fixedTime, 0);
    }
    return zip_close(zip) == 0;
}

} // namespace

// Returns 0 when both data sets were written, 1 otherwise.
int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrem_datagen OUTDIR\n");
        return 1;
    }
    fs::path out = argv[1];
    fs::path base = out / "base", kl = out / "kl";
    std::error_code error;
    fs::remove_all(base, error);
    fs::remove_all(kl, error);

    bool ok = true;
    // First set: the level, the player and the music as loose files; the
    // effects and a plain orb in a pack.
    ok &= WriteBytes(base / "maps/testlevel/collision.png", EncodePng(MakeLevelCollision()));
    ok &= WriteBytes(base / "maps/testlevel/color.png", EncodePng(MakeLevelBackground(false)));
    ok &= WriteBytes(base / "textures/player/collision.png", EncodePng(MakePlayerMask()));
    for (const char* sheet : {"stand", "walk", "jump", "run"})
        ok &= WriteBytes(base / "textures/player" / (std::string(sheet) + ".png"),
                         EncodePng(MakePlayerSheet(sheet, false)));
    ok &= WriteBytes(base / "sounds/music/turmoil_short.ogg", MakeMusic());
    // Pack bytes must stay alive until the pack is closed.
    std::string plainOrb = EncodePng(MakeOrb(false));
    std::string click = MakeEffect("click"), launch = MakeEffect("launch"), hit = MakeEffect("hit");
    ok &= WritePack(base / "base.zip", {{"textures/orb.png", plainOrb},
                                        {"sounds/click.wav", click},
                                        {"sounds/launch.wav", launch},
                                        {"sounds/hit.wav", hit}});

    // Second set: the evening picture replaces the first set's loose one; its
    // pack replaces the orb and the kill sound of the first set's pack, and
    // carries a green stand sheet that the first set's loose sheet must hide.
    ok &= WriteBytes(kl / "maps/testlevel/color.png", EncodePng(MakeLevelBackground(true)));
    std::string glowOrb = EncodePng(MakeOrb(true));
    std::string pop = MakeEffect("pop");
    std::string greenStand = EncodePng(MakePlayerSheet("stand", true));
    ok &= WritePack(kl / "kl.zip", {{"textures/orb.png", glowOrb},
                                    {"sounds/hit.wav", pop},
                                    {"textures/player/stand.png", greenStand}});
    if (!ok)
        std::fprintf(stderr, "vrem_datagen: could not write the data sets under %s\n", argv[1]);
    return ok ? 0 : 1;
}
