// The game window and its event queue: dedupe and order, SDL's events,
// style bits, maximise and restore, size changes, drag and no display.
#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/PlatWindowInternal.h"
#include "platform/PlatformWindow.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

constexpr int GameWindow = 1;

struct WindowTest : ::testing::Test {
    void TearDown() override { PlatWindowsEnd(); }

    // Opens the game window as the start-up does.
    void OpenGameWindow() {
        ASSERT_TRUE(PlatWindowOpen(GameWindow, "Vrem! b82, v56", 800, 600, PlatStyleGameWindow));
        PlatWindowSetSizeLimits(GameWindow, 1, 1, 0, 0);
        PlatWindowSetBackground(GameWindow, 0);
    }
};

// Everything waiting now, after `settleMs` for late window-system replies.
std::vector<PlatEvent> TakeAll(int settleMs = 0) {
    if (settleMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    std::vector<PlatEvent> events;
    PlatEvent e;
    while (PlatNextEvent(&e)) events.push_back(e);
    return events;
}

PlatEvent Ev(int kind, int window = GameWindow, int number = 0) {
    PlatEvent e;
    e.kind = kind;
    e.window = window;
    e.number = number;
    return e;
}

std::vector<int> Kinds(const std::vector<PlatEvent>& events) {
    std::vector<int> kinds;
    for (const PlatEvent& e : events) kinds.push_back(e.kind);
    return kinds;
}

void PushWindowEvent(int sdlEvent, int window = GameWindow) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(PlatSdlWindow(window));
    e.window.event = static_cast<Uint8>(sdlEvent);
    SDL_PushEvent(&e);
}

void PushMouseDown(int button, uint32_t windowId) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = windowId;
    e.button.button = static_cast<Uint8>(button);
    e.button.state = SDL_PRESSED;
    SDL_PushEvent(&e);
}

} // namespace

TEST_F(WindowTest, PostedEventsKeepOrderAndSkipOnlyARepeatOfTheLastWaiting) {
    struct Case {
        const char* name;
        std::vector<PlatEvent> posted;
        std::vector<PlatEvent> expected;
    };
    const std::vector<Case> cases = {
        {"repeat of the last",
         {Ev(PlatEventResized), Ev(PlatEventResized)},
         {Ev(PlatEventResized)}},
        {"other window",
         {Ev(PlatEventResized, 1), Ev(PlatEventResized, 2)},
         {Ev(PlatEventResized, 1), Ev(PlatEventResized, 2)}},
        {"other number",
         {Ev(PlatEventMenuCommand, 1, 7), Ev(PlatEventMenuCommand, 1, 6)},
         {Ev(PlatEventMenuCommand, 1, 7), Ev(PlatEventMenuCommand, 1, 6)}},
        {"same number",
         {Ev(PlatEventMenuCommand, 1, 7), Ev(PlatEventMenuCommand, 1, 7)},
         {Ev(PlatEventMenuCommand, 1, 7)}},
        {"only the last counts",
         {Ev(PlatEventResized), Ev(PlatEventMenuCommand, 1, 9), Ev(PlatEventResized)},
         {Ev(PlatEventResized), Ev(PlatEventMenuCommand, 1, 9), Ev(PlatEventResized)}},
        {"order kept",
         {Ev(PlatEventCloseRequested), Ev(PlatEventMaximized), Ev(PlatEventResized),
          Ev(PlatEventLeftButtonDown)},
         {Ev(PlatEventCloseRequested), Ev(PlatEventMaximized), Ev(PlatEventResized),
          Ev(PlatEventLeftButtonDown)}},
    };
    for (const Case& c : cases) {
        for (const PlatEvent& e : c.posted) PlatPostEvent(e);
        std::vector<PlatEvent> got = TakeAll();
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_EQ(got[i].kind, c.expected[i].kind) << c.name << " #" << i;
            EXPECT_EQ(got[i].window, c.expected[i].window) << c.name << " #" << i;
            EXPECT_EQ(got[i].number, c.expected[i].number) << c.name << " #" << i;
        }
    }
    // Once taken, an equal event is queued again.
    PlatPostEvent(Ev(PlatEventResized));
    PlatEvent e;
    ASSERT_TRUE(PlatNextEvent(&e));
    PlatPostEvent(Ev(PlatEventResized));
    EXPECT_EQ(TakeAll().size(), 1u);
    EXPECT_FALSE(PlatNextEvent(&e));
}

TEST_F(WindowTest, SdlEventsBecomeWindowEventsAfterThosePostedEarlier) {
    OpenGameWindow();
    TakeAll();
    PlatPostEvent(Ev(PlatEventMenuCommand, GameWindow, 9));
    for (int i = 0; i < 3; i++) PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
    PushWindowEvent(SDL_WINDOWEVENT_MOVED);
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
    uint32_t id = SDL_GetWindowID(PlatSdlWindow(GameWindow));
    PushMouseDown(SDL_BUTTON_RIGHT, id);
    PushMouseDown(SDL_BUTTON_LEFT, id);
    PushMouseDown(SDL_BUTTON_LEFT, id + 1000); // none of ours
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);

    std::vector<PlatEvent> got = TakeAll();
    // Moves and repaints are dropped, so the run of size changes leaves one Resized.
    EXPECT_EQ(Kinds(got), (std::vector<int>{PlatEventMenuCommand, PlatEventResized,
                                            PlatEventLeftButtonDown, PlatEventCloseRequested}));
    for (const PlatEvent& e : got) EXPECT_EQ(e.window, GameWindow);
    EXPECT_EQ(got[0].number, 9);
}

TEST_F(WindowTest, OpensWithTheAskedInnerSizeAndResizesInPlace) {
    OpenGameWindow();
    EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 800);
    EXPECT_EQ(PlatWindowInnerHeight(GameWindow), 600);
    uint32_t flags = SDL_GetWindowFlags(PlatSdlWindow(GameWindow));
    EXPECT_TRUE(flags & SDL_WINDOW_RESIZABLE);
    EXPECT_FALSE(flags & SDL_WINDOW_BORDERLESS);
    TakeAll();

    PlatWindowSetInnerSize(GameWindow, 798, 588);
    EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 798);
    EXPECT_EQ(PlatWindowInnerHeight(GameWindow), 588);
    EXPECT_EQ(Kinds(TakeAll()), std::vector<int>{PlatEventResized});
    // The same size again is no change and raises nothing.
    PlatWindowSetInnerSize(GameWindow, 798, 588);
    EXPECT_TRUE(TakeAll().empty());
    // The smallest inner size is 1 x 1.
    PlatWindowSetInnerSize(GameWindow, 0, -5);
    EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 1);
    EXPECT_EQ(PlatWindowInnerHeight(GameWindow), 1);
}

TEST_F(WindowTest, UnknownWindowNumbersAreHarmless) {
    EXPECT_EQ(PlatSdlWindow(5), nullptr);
    EXPECT_EQ(PlatWindowInnerWidth(5), 0);
    PlatWindowSetStyle(5, 0);
    PlatWindowMaximize(5);
    PlatWindowRestore(5);
    PlatWindowStartDrag(5);
    PlatWindowSetInnerSize(5, 10, 10);
    int x = -1, y = -1;
    PlatWindowInnerScreenPos(5, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_FALSE(PlatWindowIsForeground(5));
    EXPECT_TRUE(TakeAll().empty());
}

TEST_F(WindowTest, FocusFollowsTheWindowSystem) {
    OpenGameWindow();
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    TakeAll();
    EXPECT_TRUE(PlatWindowIsForeground(GameWindow));
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    TakeAll();
    EXPECT_FALSE(PlatWindowIsForeground(GameWindow));
}

TEST_F(WindowTest, DragWithTheButtonUpReturnsAtOnce) {
    OpenGameWindow();
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    PlatWindowInnerScreenPos(GameWindow, &x0, &y0);
    PlatWindowStartDrag(GameWindow);
    PlatWindowInnerScreenPos(GameWindow, &x1, &y1);
    EXPECT_EQ(x1, x0);
    EXPECT_EQ(y1, y0);
}

TEST_F(WindowTest, NoDisplayMeansNoWindow) {
    // As the game runs: no driver named, no X11 or Wayland server to reach.
    unsetenv("SDL_VIDEODRIVER");
    setenv("DISPLAY", "", 1);
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(PlatWindowOpen(GameWindow, "Vrem! b82, v56", 800, 600, PlatStyleGameWindow));
    EXPECT_EQ(PlatSdlWindow(GameWindow), nullptr);
    PlatEvent e;
    EXPECT_FALSE(PlatNextEvent(&e));
    PlatWindowsEnd();
    // A server that is named but not there.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("DISPLAY", ":987", 1);
    EXPECT_FALSE(PlatWindowOpen(GameWindow, "Vrem! b82, v56", 800, 600, PlatStyleGameWindow));
}

// The same machinery on a real X server.
struct XWindowTest : WindowTest {
    XvfbServer server;
    void SetUp() override {
        if (!server.Start()) GTEST_SKIP() << "Xvfb is not available";
        OpenGameWindow();
        TakeAll(200);
    }
};

TEST_F(XWindowTest, ClearingTheBorderBitRemovesTheTitleBarAndSettingItBringsItBack) {
    SDL_Window* w = PlatSdlWindow(GameWindow);
    EXPECT_EQ(PlatWindowGetStyle(GameWindow), PlatStyleGameWindow);
    EXPECT_FALSE(SDL_GetWindowFlags(w) & SDL_WINDOW_BORDERLESS);

    uint32_t style = PlatWindowGetStyle(GameWindow) & ~PlatStyleBorder;
    PlatWindowSetStyle(GameWindow, style);
    EXPECT_EQ(PlatWindowGetStyle(GameWindow), style);
    EXPECT_TRUE(SDL_GetWindowFlags(w) & SDL_WINDOW_BORDERLESS);
    EXPECT_TRUE(SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE); // the sizing border stays

    PlatWindowSetStyle(GameWindow, style | PlatStyleBorder);
    EXPECT_EQ(PlatWindowGetStyle(GameWindow), PlatStyleGameWindow);
    EXPECT_FALSE(SDL_GetWindowFlags(w) & SDL_WINDOW_BORDERLESS);

    PlatWindowSetStyle(GameWindow, PlatStyleGameWindow & ~0x00040000u);
    EXPECT_FALSE(SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE);
}

TEST_F(XWindowTest, MaximiseAndRestoreRaiseTheirEventsOnceEach) {
    // The full-screen path: no border, maximise; then border back, restore.
    PlatWindowSetStyle(GameWindow, PlatStyleGameWindow & ~PlatStyleBorder);
    PlatWindowMaximize(GameWindow);
    EXPECT_TRUE(SDL_GetWindowFlags(PlatSdlWindow(GameWindow)) & SDL_WINDOW_MAXIMIZED);
    EXPECT_EQ(Kinds(TakeAll(300)), (std::vector<int>{PlatEventMaximized, PlatEventResized}));
    PlatWindowMaximize(GameWindow); // already maximised
    EXPECT_TRUE(TakeAll(100).empty());

    PlatWindowSetStyle(GameWindow, PlatStyleGameWindow);
    PlatWindowRestore(GameWindow);
    EXPECT_FALSE(SDL_GetWindowFlags(PlatSdlWindow(GameWindow)) & SDL_WINDOW_MAXIMIZED);
    EXPECT_EQ(Kinds(TakeAll(300)), (std::vector<int>{PlatEventRestored, PlatEventResized}));
    PlatWindowRestore(GameWindow);
    EXPECT_TRUE(TakeAll(100).empty());
}

TEST_F(XWindowTest, StateChangesReportedByTheWindowSystemRaiseTheSameEvents) {
    // A maximise or restore that SDL reports (the maximise box, the taskbar).
    SDL_Window* w = PlatSdlWindow(GameWindow);
    SDL_MaximizeWindow(w);
    PushWindowEvent(SDL_WINDOWEVENT_MAXIMIZED);
    EXPECT_EQ(Kinds(TakeAll(200)), (std::vector<int>{PlatEventMaximized, PlatEventResized}));
    SDL_RestoreWindow(w);
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_EQ(Kinds(TakeAll(200)), (std::vector<int>{PlatEventRestored, PlatEventResized}));
    // A second report of the same state adds nothing.
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_TRUE(TakeAll().empty());
}

TEST_F(XWindowTest, FreshWindowHasTheFocusAndItsIcon) {
    EXPECT_TRUE(PlatWindowIsForeground(GameWindow));
    SDL_Surface* icon = PlatIconCreate();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->w, 32);
    EXPECT_EQ(icon->h, 32);
    // Opaque in the middle, clear in the corners.
    auto* px = static_cast<uint32_t*>(icon->pixels);
    EXPECT_EQ(px[16 * (icon->pitch / 4) + 16] >> 24, 0xFFu);
    EXPECT_EQ(px[0] >> 24, 0u);
    SDL_FreeSurface(icon);
}

TEST_F(XWindowTest, LeftButtonDragMovesTheWindow) {
    int x0 = 0, y0 = 0;
    PlatWindowInnerScreenPos(GameWindow, &x0, &y0);
    int grabX = x0 + 400, grabY = y0 + 300;
    std::string script = "xdotool mousemove " + std::to_string(grabX) + " " +
                         std::to_string(grabY) + " sleep 0.2 mousedown 1 sleep 0.8 mousemove " +
                         std::to_string(grabX + 60) + " " + std::to_string(grabY + 20) +
                         " sleep 0.2 mousemove " + std::to_string(grabX + 120) + " " +
                         std::to_string(grabY + 70) + " sleep 0.3 mouseup 1";
    std::thread mouse([&] { RunProgram({"/bin/sh", "-c", script}, "", {}, 20); });
    bool dragged = false;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!dragged && std::chrono::steady_clock::now() < until) {
        PlatEvent e;
        while (PlatNextEvent(&e)) {
            if (e.kind != PlatEventLeftButtonDown) continue;
            EXPECT_EQ(e.window, GameWindow);
            PlatWindowStartDrag(GameWindow);
            dragged = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    mouse.join();
    ASSERT_TRUE(dragged);
    int x1 = 0, y1 = 0;
    PlatWindowInnerScreenPos(GameWindow, &x1, &y1);
    EXPECT_EQ(x1, x0 + 120);
    EXPECT_EQ(y1, y0 + 70);
}

// The same on an X server with a window manager, which decorates the window
// and maximises and restores it some time after being asked.
struct XManagedWindowTest : WindowTest {
    XvfbServer server;
    void SetUp() override {
        if (!server.Start()) GTEST_SKIP() << "Xvfb is not available";
        if (RunProgram({"/bin/sh", "-c", "command -v openbox xprop"}, "").exitCode != 0)
            GTEST_SKIP() << "openbox or xprop is missing";
        ASSERT_TRUE(server.StartWindowManager()) << "openbox did not start";
        OpenGameWindow();
        TakeAll(200);
    }
    // Pumps events until the inner size is `width` x `height` or 5 s pass.
    bool WaitForSize(int width, int height) {
        for (int i = 0; i < 500; i++) {
            TakeAll();
            if (PlatWindowInnerWidth(GameWindow) == width &&
                PlatWindowInnerHeight(GameWindow) == height)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

// As on Windows, a restore returns with the normal size in place, so the
// screen set-up that follows reads that size; a resize asked for from the
// maximised size would reach the manager after the restore and undo it.
TEST_F(XManagedWindowTest, RestoreReturnsWithTheEarlierSizeInPlace) {
    for (int round = 0; round < 3; round++) {
        PlatWindowSetStyle(GameWindow, PlatStyleGameWindow & ~PlatStyleBorder);
        PlatWindowMaximize(GameWindow);
        ASSERT_TRUE(WaitForSize(1024, 768)) << round;
        TakeAll(200);

        PlatWindowSetStyle(GameWindow, PlatStyleGameWindow);
        PlatWindowRestore(GameWindow);
        EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 800) << round;
        EXPECT_EQ(PlatWindowInnerHeight(GameWindow), 600) << round;
        // Size changes seen on the way may come first; Restored and its
        // Resized end the run.
        std::vector<int> kinds = Kinds(TakeAll());
        ASSERT_GE(kinds.size(), 2u);
        EXPECT_EQ(kinds[kinds.size() - 2], PlatEventRestored);
        EXPECT_EQ(kinds.back(), PlatEventResized);
        // What the screen set-up then does; the size must stay.
        PlatWindowSetInnerSize(GameWindow, PlatWindowInnerWidth(GameWindow),
                               PlatWindowInnerHeight(GameWindow));
        TakeAll(300);
        EXPECT_EQ(PlatWindowInnerWidth(GameWindow), 800) << round;
        EXPECT_EQ(PlatWindowInnerHeight(GameWindow), 600) << round;
    }
}
