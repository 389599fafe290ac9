// The replay tool run as a child process on the generated data sets.
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

const std::string DataBase = "ld:" VREM_BUILD_DIR "/data/base";
const std::string DataKl = "ld:" VREM_BUILD_DIR "/data/kl";
const std::string ExpectedDir = VREM_TEST_SOURCE_DIR "/replay";

// Runs the tool in `dir` with `args`.
RunResult Replay(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), VREM_REPLAY);
    return RunProgram(args, dir.path, {}, 120);
}

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The number after "\"name\":" in a trace line; NAN when absent.
double Field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const size_t at = line.find(key);
    if (at == std::string::npos) return NAN;
    return std::strtod(line.c_str() + at + key.size(), nullptr);
}

// The "orbs" array of a trace line as text.
std::string Orbs(const std::string& line) {
    const size_t at = line.find("\"orbs\":");
    return at == std::string::npos ? std::string() : line.substr(at);
}

// A command line (with files made for it) the tool must refuse.
struct BadCase {
    const char* what;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> files; // name, contents
    std::string message;                                    // part of the error, %D = the folder
};

TEST(ReplayErrors, BadOptionsAndFilesEndWithCodeTwoAndAMessage) {
    const std::vector<BadCase> cases = {
        {"unknown option", {"--frames", "1", "--fast"}, {}, "unknown option --fast"},
        {"missing value", {"--frames"}, {}, "--frames needs a value"},
        {"no frame count", {}, {}, "--frames N is required"},
        {"negative frames", {"--frames", "-1"}, {}, "--frames needs a whole number"},
        {"frames not a number", {"--frames", "10x"}, {}, "--frames needs a whole number"},
        {"size without x", {"--frames", "1", "--size", "800"}, {}, "--size needs"},
        {"empty size", {"--frames", "1", "--size", "0x600"}, {}, "--size needs"},
        {"shot frame 0", {"--frames", "1", "--shot", "0:a.png"}, {}, "--shot needs"},
        {"shot without file", {"--frames", "1", "--shot", "1:"}, {}, "--shot needs"},
        {"shot after the end", {"--frames", "2", "--shot", "3:a.png"}, {}, "after the last frame"},
        {"seed and draws",
         {"--frames", "1", "--seed", "3", "--draws", "d"},
         {{"d", "1"}},
         "exclude each other"},
        {"bad seed", {"--frames", "1", "--seed", "abc"}, {}, "--seed needs"},
        {"missing keys file",
         {"--frames", "1", "--keys", "nothing.keys"},
         {},
         "%D/nothing.keys: cannot be read"},
        {"missing draws file",
         {"--frames", "1", "--draws", "nothing"},
         {},
         "%D/nothing: cannot be read"},
        {"unknown key",
         {"--frames", "1", "--keys", "k"},
         {{"k", "# c\n\n1 d down\n2 ctrl down\n"}},
         "%D/k:4: unknown key \"ctrl\""},
        {"bad key state",
         {"--frames", "1", "--keys", "k"},
         {{"k", "1 space pressed\n"}},
         "%D/k:1: expected down or up"},
        {"frame 0",
         {"--frames", "1", "--keys", "k"},
         {{"k", "0 space down\n"}},
         "%D/k:1: expected"},
        {"short line",
         {"--frames", "1", "--keys", "k"},
         {{"k", "1 2 space down\n3 a\n"}},
         "%D/k:1: expected"},
        {"scan code too large",
         {"--frames", "1", "--keys", "k"},
         {{"k", "1 0x100 down\n"}},
         "%D/k:1: unknown key"},
        {"bad menu number",
         {"--frames", "1", "--keys", "k"},
         {{"k", "1 menu nine\n"}},
         "%D/k:1: bad menu command"},
        {"draw out of range",
         {"--frames", "1", "--draws", "d"},
         {{"d", "0 1 2\n3 4\n"}},
         "%D/d:2: draw \"4\""},
        {"draw not a number", {"--frames", "1", "--draws", "d"}, {{"d", "1 x\n"}}, "%D/d:1: draw"},
        {"no draws", {"--frames", "1", "--draws", "d"}, {{"d", "\n \n"}}, "%D/d: holds no draws"},
        {"trace not writable",
         {"--frames", "1", "--trace", "no/such/dir/t"},
         {},
         "%D/no/such/dir/t: cannot be written"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        for (const auto& [name, text] : c.files) WriteFile(dir.path + "/" + name, text);
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), DataBase);
        const RunResult r = Replay(dir, args);
        std::string message = c.message;
        if (const size_t at = message.find("%D"); at != std::string::npos)
            message.replace(at, 2, dir.path);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(ReplayRuns, ZeroFramesStartsAndEndsWithAnEmptyTrace) {
    TempDir dir;
    const RunResult r = Replay(dir, {"--frames", "0", "--trace", "t.jsonl", DataBase, DataKl});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.path + "/t.jsonl"), "");
}

TEST(ReplayRuns, WithoutGameParametersEndsAsTheGameDoes) {
    TempDir dir;
    const RunResult r = Replay(dir, {"--frames", "5", "--trace", "-"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("No parameters parsed."), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(ReplayRuns, SameInputsGiveTheSameTraceAndSeedsChangeTheOrbs) {
    TempDir dir;
    WriteFile(dir.path + "/k", "1 d down\n20 space down\n24 space up\n");
    WriteFile(dir.path + "/draws", "3 0\n1 2 2\n");
    auto trace = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--frames", "60", "--keys", "k", "--trace", "-"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(DataBase);
        args.push_back(DataKl);
        const RunResult r = Replay(dir, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    };
    const std::string seven = trace({"--seed", "7"});
    const std::vector<std::string> lines = Lines(seven);
    ASSERT_EQ(lines.size(), 60u);
    for (size_t i = 0; i < lines.size(); i++)
        EXPECT_EQ(lines[i].rfind("{\"frame\":" + std::to_string(i + 1) + ",", 0), 0u) << lines[i];
    EXPECT_EQ(trace({"--seed", "7"}), seven);
    const std::vector<std::string> eight = Lines(trace({"--seed", "8"}));
    ASSERT_EQ(eight.size(), 60u);
    EXPECT_NE(Orbs(eight.back()), Orbs(lines.back()));
    const std::string scripted = trace({"--draws", "draws"});
    EXPECT_EQ(trace({"--draws", "draws"}), scripted);
    EXPECT_NE(Orbs(Lines(scripted).back()), Orbs(lines.back()));
    // The default seed is 1.
    EXPECT_EQ(trace({}), trace({"--seed", "1"}));
}

// The walk through the level: the trace must match the stored one exactly.
// VREM_REPLAY_REGENERATE=1 (tests/replay/regenerate.sh) stores a new one when
// the behaviour is meant to change.
TEST(ReplayRuns, ScriptedRunThroughTheLevelMatchesTheStoredTrace) {
    TempDir dir;
    const std::string expectedPath = ExpectedDir + "/level_run.jsonl";
    const RunResult r =
        Replay(dir, {"--frames", "400", "--seed", "1", "--keys", ExpectedDir + "/level_run.keys",
                     "--trace", "-", DataBase, DataKl});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 400u);
    // What the script does must show in the trace, whatever the stored copy says.
    auto at = [&](int frame, const char* name) { return Field(lines[size_t(frame - 1)], name); };
    EXPECT_GT(at(89, "x"), at(30, "x") + 50.0) << "walks right";
    EXPECT_GT(at(140, "vx"), at(85, "vx")) << "runs faster than it walks";
    EXPECT_EQ(at(152, "airborne"), 1);
    EXPECT_EQ(at(160, "airJumpReady"), 1);
    EXPECT_EQ(at(170, "vy"), -3.0) << "the second jump starts in the air";
    EXPECT_EQ(at(172, "airJumpReady"), 0) << "the second jump used the air jump";
    EXPECT_GT(at(231, "dashCooldown"), 70);
    EXPECT_EQ(at(299, "debris"), 0);
    EXPECT_GT(at(300, "debris"), 50) << "menu 9 kills";
    EXPECT_EQ(at(300, "x"), at(1, "x")) << "back at the spawn point";
    EXPECT_GT(at(342, "debris"), at(341, "debris")) << "F9 kills when released";
    // Only a run that does what the script asks is stored.
    ASSERT_FALSE(HasFailure());
    const char* regenerate = std::getenv("VREM_REPLAY_REGENERATE");
    if (regenerate && std::strcmp(regenerate, "1") == 0) {
        WriteFile(expectedPath, r.out);
        GTEST_SKIP() << "stored a new " << expectedPath;
    }
    const std::string expected = ReadFileBytes(expectedPath);
    const std::vector<std::string> want = Lines(expected);
    ASSERT_EQ(want.size(), lines.size()) << "run tests/replay/regenerate.sh if this is meant";
    for (size_t i = 0; i < lines.size(); i++) ASSERT_EQ(lines[i], want[i]) << "frame " << i + 1;
}

TEST(ReplayRuns, ShotIsAPngOfTheWindowWithThePlayerAtTheCentre) {
    TempDir dir;
    const RunResult r =
        Replay(dir, {"--frames", "12", "--seed", "1", "--size", "320x240", "--shot", "3:early.png",
                     "--shot", "12:shots/late.png", DataBase, DataKl});
    ASSERT_EQ(r.exitCode, 2) << "the shots folder does not exist: " << r.err;
    EXPECT_NE(r.err.find(dir.path + "/shots/late.png: cannot be written"), std::string::npos)
        << r.err;

    const RunResult ok = Replay(dir, {"--frames", "12", "--seed", "1", "--size", "320x240",
                                      "--shot", "12:late.png", "cd:" + dir.path, DataBase, DataKl});
    ASSERT_EQ(ok.exitCode, 0) << ok.err;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    const std::string path = dir.path + "/late.png";
    ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr), 0) << image.message;
    ASSERT_EQ(image.width, 320u);
    ASSERT_EQ(image.height, 240u);
    // The player (a few pixels magnified four times) covers the centre; the
    // background around it is one colour, the player several.
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &rgba[(size_t(y) * 320 + size_t(x)) * 4];
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    };
    const uint32_t corner = pixel(0, 0);
    int differing = 0;
    for (int y = 120 - 16; y < 120 + 16; y++)
        for (int x = 160 - 16; x < 160 + 16; x++) differing += pixel(x, y) != corner;
    EXPECT_GT(differing, 100);
    for (int i = 3; i < int(rgba.size()); i += 4) ASSERT_EQ(rgba[size_t(i)], 255);
}

} // namespace
