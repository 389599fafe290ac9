// The real game programs under a virtual X display with a window manager,
// driven by real key events and judged by screenshots of their window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Main.h"
#include "XvfbServer.h"

namespace {

// Output of a shell command, with its standard error thrown away.
std::string Sh(const std::string& command) {
    std::string out;
    FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

// True as soon as `done` holds, false when `seconds` pass first.
bool WaitFor(double seconds, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// Starts `argv` as a child that ends with the test; stderr goes to `errFile`.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& dir,
            const std::string& errFile, const std::function<void()>& setEnv) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    int null = open("/dev/null", O_WRONLY);
    int err = errFile.empty() ? null : open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(null, 1);
    dup2(err, 2);
    setEnv();
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Exit status of `pid` once it ends within `seconds`, or -1 (the child is then killed).
int WaitExit(pid_t pid, double seconds) {
    int status = 0;
    if (WaitFor(seconds, [&] { return waitpid(pid, &status, WNOHANG) == pid; }))
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One screenshot of a window, as 0xRRGGBB pixels.
struct Shot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Decodes an XWD dump of a TrueColor window; false for anything else or a short file.
bool DecodeXwd(const std::string& data, Shot* shot) {
    auto card = [&](size_t i) -> uint32_t {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data()) + 4 * i;
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    };
    if (data.size() < 100 || card(1) != 7 || card(2) != 2) return false;
    const uint32_t headerSize = card(0), width = card(4), height = card(5), byteOrder = card(7);
    const uint32_t bpp = card(11), stride = card(12), ncolors = card(19);
    const uint32_t masks[3] = {card(14), card(15), card(16)};
    if ((bpp != 32 && bpp != 24) || width == 0 || height == 0 || width > 8192 || height > 8192)
        return false;
    const size_t start = size_t(headerSize) + size_t(ncolors) * 12;
    if (stride < width * (bpp / 8) || data.size() < start + size_t(stride) * height) return false;
    shot->width = int(width);
    shot->height = int(height);
    shot->pixels.assign(size_t(width) * height, 0);
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) {
            const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + start +
                            size_t(y) * stride + size_t(x) * (bpp / 8);
            uint32_t v = 0;
            for (uint32_t k = 0; k < bpp / 8; k++)
                v |= uint32_t(p[k]) << (byteOrder == 0 ? 8 * k : 8 * (bpp / 8 - 1 - k));
            uint32_t rgb = 0;
            for (uint32_t mask : masks) {
                uint32_t shift = 0;
                while (mask && !(mask >> shift & 1)) shift++;
                rgb = rgb << 8 | ((v & mask) >> shift & 0xFF);
            }
            shot->pixels[size_t(y) * width + x] = rgb;
        }
    }
    return true;
}

// True when every pixel repeats the top-left one of its `zoom` x `zoom` block.
bool BlockAligned(const Shot& s, int zoom) {
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++)
            if (s.At(x, y) != s.At(x - x % zoom, y - y % zoom)) return false;
    return true;
}

// Number of pixels in the game's background colour.
size_t BackgroundPixels(const Shot& s) {
    size_t n = 0;
    for (uint32_t p : s.pixels) n += p == BackgroundColor;
    return n;
}

// Number of different colours in the picture.
size_t ColourCount(const Shot& s) {
    return std::set<uint32_t>(s.pixels.begin(), s.pixels.end()).size();
}

// Colours near the middle (within `nearWorld` world pixels) found nowhere
// beyond `farWorld` world pixels from it: what a sprite drawn there adds.
size_t MiddleOnlyColours(const Shot& s, int zoom, int nearWorld, int farWorld) {
    std::set<uint32_t> near, far;
    const int cx = s.width / 2, cy = s.height / 2;
    for (int y = 0; y < s.height; y++) {
        for (int x = 0; x < s.width; x++) {
            const int dx = std::abs(x - cx) / zoom, dy = std::abs(y - cy) / zoom;
            if (dx < nearWorld && dy < nearWorld) near.insert(s.At(x, y));
            if (dx > farWorld || dy > farWorld) far.insert(s.At(x, y));
        }
    }
    size_t n = 0;
    for (uint32_t c : near) n += far.count(c) == 0;
    return n;
}

struct Geometry {
    int x = -1, y = -1, width = -1, height = -1;
    int frame[4] = {-1, -1, -1, -1}; // left, right, top, bottom kept by the manager
    bool maximised = false;
};

// Reads "Label: number" from xwininfo's output.
int Field(const std::string& text, const std::string& label) {
    size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

class GameUnderX : public ::testing::TestWithParam<const char*> {
  protected:
    XvfbServer server;
    pid_t game = -1;
    std::string window; // the game window's X id
    std::string errFile;

    void SetUp() override {
        if (std::system("command -v xdotool xwd xwininfo xprop openbox > /dev/null") != 0)
            GTEST_SKIP() << "xdotool, xwd, xwininfo, xprop or openbox is missing";
        ASSERT_TRUE(server.Start()) << "Xvfb did not start";
        ASSERT_TRUE(server.StartWindowManager()) << "openbox did not start";
        errFile = testing::TempDir() + "e2e_" + std::to_string(getpid()) + ".err";
    }
    void TearDown() override {
        if (game > 0) WaitExit(game, 0);
        if (!errFile.empty()) std::remove(errFile.c_str());
    }
    std::string Program() const { return std::string(VREM_BIN_DIR) + "/" + GetParam(); }

    void StartGame() {
        const std::string display = server.display;
        game =
            Spawn({Program(), "ld:data\\base", "ld:data\\kl"}, VREM_BUILD_DIR, errFile, [&display] {
                setenv("DISPLAY", display.c_str(), 1);
                setenv("SDL_VIDEODRIVER", "x11", 1);
                setenv("SDL_AUDIODRIVER", "dummy", 1);
                setenv("ASAN_OPTIONS", "detect_leaks=0", 1); // Mesa's leftovers
            });
    }
    // The game window's id once it is mapped. A renderer can replace the
    // window it is given by a new one, so the id must stay for half a second.
    bool FindWindow() {
        int seen = 0;
        return WaitFor(60, [this, &seen] {
            std::istringstream ids(Sh("xdotool search --onlyvisible --name '^Vrem!'"));
            std::string id;
            if (!(ids >> id)) return false;
            seen = id == window ? seen + 1 : 0;
            window = id;
            return seen >= 5;
        });
    }
    Geometry Geom() const {
        Geometry g;
        const std::string info = Sh("xwininfo -id " + window);
        g.x = Field(info, "Absolute upper-left X:");
        g.y = Field(info, "Absolute upper-left Y:");
        g.width = Field(info, "Width:");
        g.height = Field(info, "Height:");
        const std::string props = Sh("xprop -id " + window + " _NET_FRAME_EXTENTS _NET_WM_STATE");
        size_t eq = props.find("_NET_FRAME_EXTENTS(CARDINAL) = ");
        if (eq != std::string::npos)
            std::sscanf(props.c_str() + eq + 31, "%d, %d, %d, %d", &g.frame[0], &g.frame[1],
                        &g.frame[2], &g.frame[3]);
        g.maximised = props.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
                      props.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
        return g;
    }
    bool Screenshot(Shot* shot) const {
        const std::string file = errFile + ".xwd";
        Sh("xwd -silent -id " + window + " -out " + file);
        const bool ok = DecodeXwd(ReadAll(file), shot);
        std::remove(file.c_str());
        return ok;
    }
    // Real key presses and releases through XTest to the focused game window.
    void Keys(const std::string& keys) const {
        Sh("xdotool windowactivate --sync " + window);
        Sh("xdotool key --delay 200 " + keys);
    }
    // Waits for a screenshot of the game at `zoom` in the sharp mode with the
    // inner size `want` (width, height; 0 = any); false with `why` otherwise.
    bool WaitForPicture(int zoom, int wantW, int wantH, Shot* shot, std::string* why) const {
        return WaitFor(20, [&] {
            if (!Screenshot(shot)) {
                *why = "no screenshot";
                return false;
            }
            std::ostringstream w;
            w << shot->width << "x" << shot->height << " colours " << ColourCount(*shot);
            *why = w.str();
            if ((wantW && shot->width != wantW) || (wantH && shot->height != wantH)) return false;
            if (ColourCount(*shot) < 16) return false; // not drawn yet
            if (!BlockAligned(*shot, zoom)) {
                *why += " not in blocks of " + std::to_string(zoom);
                return false;
            }
            // A window the manager has just resized can show part of an
            // earlier frame until the game draws the next one.
            if (BackgroundPixels(*shot) != 0) {
                *why += " background showing";
                return false;
            }
            return true;
        });
    }
    // A level picture at `zoom`: exact zoom-sized blocks (not larger ones)
    // and no background showing.
    void ExpectLevelPicture(const Shot& s, int zoom) const {
        EXPECT_TRUE(BlockAligned(s, zoom));
        EXPECT_FALSE(BlockAligned(s, 2 * zoom)) << "blocks larger than the zoom";
        EXPECT_GE(ColourCount(s), 16u);
        EXPECT_EQ(BackgroundPixels(s), 0u) << "the background shows where the level should be";
    }
    // What a player sees soon after the start: the level and, while the
    // camera still has the start in view, the player in the middle.
    void ExpectGamePicture(const Shot& s, int zoom) const {
        ExpectLevelPicture(s, zoom);
        EXPECT_GE(MiddleOnlyColours(s, zoom, 10, 18), 2u) << "no sprite of its own in the middle";
    }
};

TEST_P(GameUnderX, ZoomFullScreenMenuAndExitWithRealKeys) {
    StartGame();
    ASSERT_TRUE(FindWindow()) << "no game window; stderr: " << ReadAll(errFile);
    Geometry g = Geom();
    EXPECT_EQ(g.width, 800);
    EXPECT_EQ(g.height, 600);
    EXPECT_GT(g.frame[2], 0) << "a new window has a title bar";
    Shot shot;
    std::string why;
    ASSERT_TRUE(WaitForPicture(4, 800, 600, &shot, &why)) << why;
    ExpectGamePicture(shot, 4);

    // Zoom + twelve times up to 16, the limit, with the window rounded to
    // 2 x zoom. A key tap shorter than a frame can be missed by the game's
    // polling, so each one waits for the picture it should give.
    for (int zoom = 5; zoom <= 16; zoom++) {
        Keys("F7");
        ASSERT_TRUE(WaitForPicture(zoom, 0, 0, &shot, &why)) << "zoom " << zoom << ": " << why;
    }
    // The window settles after its last resize.
    Geometry zoomed;
    WaitFor(5, [&] {
        zoomed = Geom();
        return zoomed.width % 32 == 0 && zoomed.height % 32 == 0;
    });
    EXPECT_EQ(zoomed.width % 32, 0);
    EXPECT_EQ(zoomed.height % 32, 0);
    EXPECT_LE(zoomed.width, 800);
    EXPECT_LE(zoomed.height, 600);
    EXPECT_GE(zoomed.width, 640);
    EXPECT_GE(zoomed.height, 448);
    ASSERT_TRUE(WaitForPicture(16, zoomed.width, zoomed.height, &shot, &why)) << why;
    ExpectGamePicture(shot, 16);
    // A thirteenth changes nothing.
    Keys("F7");
    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // time to change wrongly
    ASSERT_TRUE(WaitForPicture(16, zoomed.width, zoomed.height, &shot, &why)) << why;
    ExpectGamePicture(shot, 16);
    g = Geom();
    EXPECT_EQ(g.width, zoomed.width);
    EXPECT_EQ(g.height, zoomed.height);

    // F12: borderless and maximised over the whole 1024 x 768 screen.
    Keys("F12");
    EXPECT_TRUE(WaitFor(10,
                        [&] {
                            g = Geom();
                            return g.width == 1024 && g.height == 768;
                        }))
        << g.width << "x" << g.height;
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_TRUE(g.maximised);
    for (int side = 0; side < 4; side++) EXPECT_EQ(g.frame[side], 0) << side;
    ASSERT_TRUE(WaitForPicture(16, 1024, 768, &shot, &why)) << why;
    ExpectGamePicture(shot, 16);

    // F12 again: the normal window with its title bar and its earlier size.
    Keys("F12");
    EXPECT_TRUE(WaitFor(10,
                        [&] {
                            g = Geom();
                            return !g.maximised && g.frame[2] > 0 && g.width == zoomed.width &&
                                   g.height == zoomed.height;
                        }))
        << g.width << "x" << g.height << ", title bar " << g.frame[2];
    ASSERT_TRUE(WaitForPicture(16, zoomed.width, zoomed.height, &shot, &why)) << why;
    ExpectGamePicture(shot, 16);

    // Escape: the popup menu, a window of its own the manager leaves alone.
    Keys("Escape");
    std::string menu;
    ASSERT_TRUE(WaitFor(10, [&] {
        std::istringstream ids(Sh("xdotool search --onlyvisible --name '^PopupMenu 0$'"));
        return static_cast<bool>(ids >> menu);
    })) << "no popup menu";
    EXPECT_NE(Sh("xwininfo -all -id " + menu).find("Override Redirect State: yes"),
              std::string::npos);

    // End goes to "Exit", the last entry; Return chooses it.
    Sh("xdotool key --delay 150 End Return");
    const int code = WaitExit(game, 15);
    game = -1;
    EXPECT_EQ(code, 0) << "stderr: " << ReadAll(errFile);
}

// Leaving full screen gives back the window's earlier size, also where the
// full-screen size is not a whole number of 2 x zoom blocks (zoom 7). The
// manager restores some time after being asked; a resize asked for from the
// still maximised size used to reach it after the restore and undo it.
TEST_P(GameUnderX, LeavingFullScreenGivesTheEarlierSizeBack) {
    StartGame();
    ASSERT_TRUE(FindWindow()) << "no game window; stderr: " << ReadAll(errFile);
    Shot shot;
    std::string why;
    ASSERT_TRUE(WaitForPicture(4, 800, 600, &shot, &why)) << why;
    Geometry g;
    int wantW = 800, wantH = 600; // each zoom step rounds the size before it
    for (int zoom : {4, 7}) {
        for (int step = 5; step <= zoom; step++) {
            Keys("F7");
            ASSERT_TRUE(WaitForPicture(step, 0, 0, &shot, &why)) << "zoom " << step << ": " << why;
            wantW -= wantW % (2 * step);
            wantH -= wantH % (2 * step);
        }
        ASSERT_TRUE(WaitForPicture(zoom, wantW, wantH, &shot, &why)) << why;
        for (int round = 0; round < 3; round++) {
            const std::string at =
                "zoom " + std::to_string(zoom) + " round " + std::to_string(round) + ": ";
            Keys("F12");
            ASSERT_TRUE(WaitFor(10, [&] {
                g = Geom();
                return g.maximised && g.frame[2] == 0;
            })) << at;
            // The manager keeps a maximised window at the screen's size; at
            // zoom 7 that is not a multiple of 14, so its picture is not in
            // exact blocks, and only the way back is checked.
            if (zoom == 4) {
                ASSERT_TRUE(WaitForPicture(zoom, 1024, 768, &shot, &why)) << at << why;
            }
            Keys("F12");
            EXPECT_TRUE(WaitFor(10,
                                [&] {
                                    g = Geom();
                                    return !g.maximised && g.frame[2] > 0 && g.width == wantW &&
                                           g.height == wantH;
                                }))
                << at << g.width << "x" << g.height;
            ASSERT_TRUE(WaitForPicture(zoom, wantW, wantH, &shot, &why)) << at << why;
            ExpectLevelPicture(shot, zoom);
        }
    }
}

class GameWithoutDisplay : public ::testing::TestWithParam<const char*> {};

// Without any display the program says so and ends normally.
TEST_P(GameWithoutDisplay, ExplainsOnStandardErrorAndExitsZero) {
    const std::string err = testing::TempDir() + "e2e_nodisplay_" + std::to_string(getpid());
    const std::string program = std::string(VREM_BIN_DIR) + "/" + GetParam();
    pid_t pid = Spawn({program, "ld:data\\base", "ld:data\\kl"}, VREM_BUILD_DIR, err, [] {
        setenv("DISPLAY", "", 1);
        setenv("WAYLAND_DISPLAY", "", 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    });
    EXPECT_EQ(WaitExit(pid, 60), 0);
    const std::string text = ReadAll(err);
    EXPECT_NE(text.find("Cannot open the game window: no display is available."), std::string::npos)
        << text;
    std::remove(err.c_str());
}

std::string ProgramName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param;
}

INSTANTIATE_TEST_SUITE_P(Programs, GameUnderX, ::testing::Values("vrem_gl", "vrem_dx9"),
                         ProgramName);
INSTANTIATE_TEST_SUITE_P(Programs, GameWithoutDisplay, ::testing::Values("vrem_gl", "vrem_dx9"),
                         ProgramName);

} // namespace
