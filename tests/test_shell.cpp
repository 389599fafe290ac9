// The shell on the headless back-end: screen set-up, sharp presentation, the
// event drain, menu commands and the shell keys.
#include <gtest/gtest.h>

#include <vector>

#include "AssetTable.h"
#include "Debris.h"
#include "Main.h"
#include "Player.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"

namespace {

// Everything an event drain would see, taken from the queue.
std::vector<PlatEvent> TakeEvents() {
    std::vector<PlatEvent> events;
    PlatEvent e;
    while (PlatNextEvent(&e)) events.push_back(e);
    return events;
}

int CountKind(const std::vector<PlatEvent>& events, int kind) {
    int n = 0;
    for (const PlatEvent& e : events) n += e.kind == kind;
    return n;
}

class Shell : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PlatSpriteInit();
        PlatImageCreate(ImagePixel, 1, 1, 32);
        ASSERT_TRUE(OpenGameWindow("shell test"));
    }
    void SetUp() override {
        Zoom = 4;
        SharpDisplay = 1;
        FullScreenOn = 0;
        StretchOff = 0;
        OutlineOn = 0;
        TypedCode.clear();
        LastScreenWidth = 0;
        LastScreenHeight = 0;
        PlatKeyboardSetScripted(true);
        PlatWindowSetInnerSize(GameWindow, 800, 600);
        TakeEvents();
    }
    // Sets the inner size, then runs SetupScreen as a Resized event would.
    static void ResizeAndSetUp(int w, int h) {
        PlatWindowSetInnerSize(GameWindow, w, h);
        TakeEvents();
        SetupScreen(GameWindow, Zoom, ScreenDivisor());
    }
    // One scripted keyboard frame: the keys go down, are captured, then up.
    static void TapKeys(std::initializer_list<int> keys) {
        for (int k : keys) PlatKeyboardScriptKey(k, true);
        PollShellKeys();
        for (int k : keys) PlatKeyboardScriptKey(k, false);
        PollShellKeys();
    }
};

TEST_F(Shell, ScreenSizeFollowsInnerSizeRoundedToTwiceTheZoom) {
    struct Case {
        int zoom, sharp, innerW, innerH;
        int wantInnerW, wantInnerH, wantScreenW, wantScreenH;
    } cases[] = {
        {4, 1, 800, 600, 800, 600, 800, 600}, {4, 0, 800, 600, 800, 600, 200, 150},
        {7, 1, 800, 600, 798, 588, 798, 588}, {7, 0, 800, 600, 798, 588, 114, 84},
        {1, 1, 801, 599, 800, 598, 800, 598}, {16, 0, 800, 600, 800, 576, 50, 36},
    };
    for (const Case& c : cases) {
        Zoom = c.zoom;
        SharpDisplay = c.sharp;
        LastScreenWidth = LastScreenHeight = 0;
        ResizeAndSetUp(c.innerW, c.innerH);
        EXPECT_EQ(PlatWindowInnerWidth(GameWindow), c.wantInnerW) << c.zoom << " " << c.innerW;
        EXPECT_EQ(PlatWindowInnerHeight(GameWindow), c.wantInnerH) << c.zoom << " " << c.innerH;
        EXPECT_EQ(PlatScreenWidth(), c.wantScreenW);
        EXPECT_EQ(PlatScreenHeight(), c.wantScreenH);
    }
}

TEST_F(Shell, ResizeRaisesOneMoreResizedOnlyWhenTheRoundedSizeChanges) {
    ResizeAndSetUp(800, 600);
    TakeEvents();
    // 805 rounds down to the 800 applied last: the window keeps its size.
    PlatWindowSetInnerSize(GameWindow, 805, 600);
    TakeEvents();
    SetupScreen(GameWindow, Zoom, ScreenDivisor());
    EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 805);
    EXPECT_EQ(PlatScreenWidth(), 800);
    EXPECT_EQ(CountKind(TakeEvents(), PlatEventResized), 0);
    // 810 rounds to 808, which is new: the window shrinks and says so.
    PlatWindowSetInnerSize(GameWindow, 810, 600);
    TakeEvents();
    SetupScreen(GameWindow, Zoom, ScreenDivisor());
    EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 808);
    EXPECT_EQ(PlatScreenWidth(), 808);
    EXPECT_EQ(CountKind(TakeEvents(), PlatEventResized), 1);
}

TEST_F(Shell, InnerSizeBelowTwiceTheZoomGivesAnEmptyScreenWithoutCrashing) {
    ResizeAndSetUp(5, 5);
    EXPECT_EQ(PlatScreenWidth(), 0);
    EXPECT_EQ(PlatScreenHeight(), 0);
    EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 5); // never resized to nothing
    PresentFrame();
    SharpDisplay = 0;
    SetupScreen(GameWindow, Zoom, ScreenDivisor());
    PresentFrame();
}

TEST_F(Shell, SharpModeMagnifiesTheMiddleIntoZoomSizedBlocks) {
    for (int zoom : {1, 4, 7}) {
        Zoom = zoom;
        LastScreenWidth = LastScreenHeight = 0;
        ResizeAndSetUp(800, 600);
        const int w = PlatScreenWidth(), h = PlatScreenHeight();
        const int gx = w / 2 - w / (2 * zoom), gy = h / 2 - h / (2 * zoom);
        PresentFrame(); // a new screen is cleared by the frame before
        // Two marked world pixels inside the grabbed rectangle.
        PlatSpriteDisplaySilhouette(ImagePixel, gx, gy, 255, 0x0000FF);
        PlatSpriteDisplaySilhouette(ImagePixel, gx + 3, gy + 2, 255, 0x00FF00);
        PresentFrame();
        std::vector<uint32_t> shot;
        int sw = 0, sh = 0;
        ASSERT_TRUE(PlatScreenReadPresented(&shot, &sw, &sh));
        ASSERT_EQ(sw, w);
        auto at = [&](int x, int y) { return shot[size_t(y) * size_t(sw) + size_t(x)] & 0xFFFFFF; };
        for (int dy = 0; dy < zoom; dy++) {
            for (int dx = 0; dx < zoom; dx++) {
                EXPECT_EQ(at(dx, dy), 0x0000FFu) << zoom;
                EXPECT_EQ(at(3 * zoom + dx, 2 * zoom + dy), 0x00FF00u) << zoom;
            }
        }
        EXPECT_EQ(at(zoom, 0), BackgroundColor) << zoom;
        EXPECT_EQ(at(0, zoom), BackgroundColor) << zoom;
    }
}

TEST_F(Shell, ZoomStopsAtItsLimitsAndOnlyRealChangesPostResized) {
    for (int i = 0; i < 12; i++) DispatchMenuCommand(MenuZoomIn);
    EXPECT_EQ(Zoom, 16);
    EXPECT_EQ(CountKind(TakeEvents(), PlatEventResized), 1); // equal events fold into one
    DispatchMenuCommand(MenuZoomIn);
    EXPECT_EQ(Zoom, 16);
    EXPECT_TRUE(TakeEvents().empty());
    for (int i = 0; i < 20; i++) DispatchMenuCommand(MenuZoomOut);
    EXPECT_EQ(Zoom, 1);
    TakeEvents();
    DispatchMenuCommand(MenuZoomOut);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(Shell, TogglesExitAndUnusedCommands) {
    struct Case {
        int32_t command;
        int32_t* flag;
    } toggles[] = {
        {MenuStretch, &StretchOff}, {MenuOutline, &OutlineOn}, {MenuSharpDisplay, &SharpDisplay}};
    for (const Case& c : toggles) {
        const int32_t before = *c.flag;
        DispatchMenuCommand(c.command);
        EXPECT_EQ(*c.flag, 1 - before) << c.command;
        DispatchMenuCommand(c.command);
        EXPECT_EQ(*c.flag, before) << c.command;
    }
    // The sharp-display switch sets the screen up at once.
    DispatchMenuCommand(MenuSharpDisplay);
    EXPECT_EQ(PlatScreenWidth(), 200);
    DispatchMenuCommand(MenuSharpDisplay);
    EXPECT_EQ(PlatScreenWidth(), 800);
    TakeEvents();

    for (int32_t unused : {3, 5, 8, 10, 11, 13, 15, -1}) DispatchMenuCommand(unused);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(Zoom, 4);

    DispatchMenuCommand(MenuExit);
    std::vector<PlatEvent> events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, PlatEventCloseRequested);
}

TEST_F(Shell, FullScreenDropsTheTitleBarAndARestoreBringsItBack) {
    DispatchMenuCommand(MenuFullScreen);
    EXPECT_EQ(FullScreenOn, 1);
    EXPECT_EQ(PlatWindowGetStyle(GameWindow) & PlatStyleBorder, 0u);
    std::vector<PlatEvent> events = TakeEvents();
    EXPECT_EQ(CountKind(events, PlatEventMaximized), 1);
    EXPECT_EQ(CountKind(events, PlatEventResized), 1);

    // A restore by the window system's own means, handled by the drain.
    PlatWindowRestore(GameWindow);
    DrainWindowEvents();
    EXPECT_EQ(FullScreenOn, 0);
    EXPECT_NE(PlatWindowGetStyle(GameWindow) & PlatStyleBorder, 0u);

    DispatchMenuCommand(MenuFullScreen);
    DrainWindowEvents();
    DispatchMenuCommand(MenuFullScreen);
    EXPECT_EQ(FullScreenOn, 0);
    EXPECT_NE(PlatWindowGetStyle(GameWindow) & PlatStyleBorder, 0u);
    DrainWindowEvents();
    EXPECT_EQ(PlatScreenWidth(),
              PlatWindowInnerWidth(GameWindow) - PlatWindowInnerWidth(GameWindow) % 8);
}

TEST_F(Shell, KillFromTheMenuBurstsThePlayer) {
    PlatImageCreate(ImagePlayerStand, 2, 2, 32); // four opaque black pixels
    PlayerSprite = ImagePlayerStand;
    Facing = 1;
    DebrisList.clear();
    DispatchMenuCommand(MenuKill);
    EXPECT_EQ(DebrisList.size(), 4u);
    DebrisList.clear();
}

TEST_F(Shell, ShellKeysPostTheirCommandsOnRelease) {
    struct Case {
        int key;
        int32_t command;
    } cases[] = {{0x01, MenuShowPopup},    {0x3B, MenuStretch},   {0x3C, MenuOutline},
                 {0x3E, MenuSharpDisplay}, {0x40, MenuZoomOut},   {0x41, MenuZoomIn},
                 {0x43, MenuKill},         {0x58, MenuFullScreen}};
    for (const Case& c : cases) {
        PlatKeyboardScriptKey(c.key, true);
        PollShellKeys();
        EXPECT_TRUE(TakeEvents().empty()) << c.key; // nothing on the press
        PlatKeyboardScriptKey(c.key, false);
        PollShellKeys();
        std::vector<PlatEvent> events = TakeEvents();
        ASSERT_EQ(events.size(), 1u) << c.key;
        EXPECT_EQ(events[0].kind, PlatEventMenuCommand);
        EXPECT_EQ(events[0].number, c.command);
    }
}

TEST_F(Shell, TheDigitCodeOpensTheMenuFromItsLastFourDigits) {
    const int one = 0x02, three = 0x04, seven = 0x08, nine = 0x0A;
    for (int key : {nine, nine, seven, three, nine}) TapKeys({key});
    EXPECT_TRUE(TakeEvents().empty());
    TapKeys({one});
    std::vector<PlatEvent> events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].number, MenuShowPopup);
    EXPECT_EQ(TypedCode, "");

    // Digits released together are taken in key order 0 to 9: 1, 3, 7, 9.
    TapKeys({seven, three, nine, one});
    EXPECT_EQ(TypedCode, "1379");
    EXPECT_TRUE(TakeEvents().empty());
}

} // namespace
