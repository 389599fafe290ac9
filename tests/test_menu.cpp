// The popup menu: worked by keys headless, and by real pointer clicks and key
// presses on a private X server.
#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/PlatWindowInternal.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformWindow.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <vector>

namespace {

constexpr int GameWindow = 1, PopupMenu = 1;
constexpr int NoCommand = -1;

// The game's menu, built as the start-up builds it.
void BuildGameMenu() {
    PlatMenuCreate(PopupMenu);
    PlatMenuOpenSubmenu(PopupMenu, "Display");
    PlatMenuAddItem(PopupMenu, 1, "Stretch\tF1");
    PlatMenuAddItem(PopupMenu, 2, "Outline\tF2");
    PlatMenuAddItem(PopupMenu, 4, "Sharpdisplay\tF4");
    PlatMenuAddItem(PopupMenu, 6, "Zoom -\tF6");
    PlatMenuAddItem(PopupMenu, 7, "Zoom +\tF7");
    PlatMenuAddItem(PopupMenu, 12, "Toggle Fullscreen\tF12");
    PlatMenuCloseSubmenu(PopupMenu);
    PlatMenuOpenSubmenu(PopupMenu, "Game");
    PlatMenuAddItem(PopupMenu, 9, "Kill\tF9");
    PlatMenuCloseSubmenu(PopupMenu);
    PlatMenuAddSeparator(PopupMenu);
    PlatMenuAddItem(PopupMenu, 0, "Exit");
}

void PushQuit() {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

struct MenuResult {
    int command = NoCommand; // the MenuCommand that arrived, if any
    int menuCommands = 0;    // how many arrived
    bool leftButtonDown = false;
    bool closeRequested = false; // a quit arrived (the watchdog's, when the menu hung)
};

// Shows the menu at the window's inner top-left while `drive` works it from
// another thread; a watchdog ends a menu that the driving left open.
MenuResult ShowAndDrive(const std::function<void()>& drive) {
    int x = 0, y = 0;
    PlatWindowInnerScreenPos(GameWindow, &x, &y);
    std::atomic<bool> shown{true};
    std::thread driver([&] {
        drive();
        for (int i = 0; i < 40 && shown; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (shown) {
            PushQuit();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    PlatMenuShow(PopupMenu, GameWindow, x, y);
    shown = false;
    driver.join();
    MenuResult result;
    PlatEvent e;
    while (PlatNextEvent(&e)) {
        if (e.kind == PlatEventMenuCommand) {
            EXPECT_EQ(e.window, GameWindow);
            if (result.menuCommands++ == 0) result.command = e.number;
        }
        if (e.kind == PlatEventLeftButtonDown) result.leftButtonDown = true;
        if (e.kind == PlatEventCloseRequested) result.closeRequested = true;
    }
    return result;
}

struct MenuTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(PlatWindowOpen(GameWindow, "Vrem! b82, v56", 800, 600, PlatStyleGameWindow));
        BuildGameMenu();
    }
    void TearDown() override { PlatWindowsEnd(); }
};

// Key presses as SDL delivers them, pushed once the menu is up.
std::function<void()> PressKeys(std::vector<SDL_Scancode> keys) {
    return [keys] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (SDL_Scancode k : keys) {
            for (bool down : {true, false}) {
                SDL_Event e{};
                e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
                e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
                e.key.keysym.scancode = k;
                SDL_PushEvent(&e);
            }
        }
    };
}

struct KeyCase {
    const char* name;
    std::vector<SDL_Scancode> keys;
    int command;
};

const std::vector<KeyCase> KeyCases = {
    {"Display, Zoom +",
     {SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN,
      SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_RETURN},
     7},
    {"Enter opens a submenu", {SDL_SCANCODE_DOWN, SDL_SCANCODE_RETURN, SDL_SCANCODE_RETURN}, 1},
    {"Game, Kill",
     {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_RETURN},
     9},
    {"the separator is skipped",
     {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_RETURN},
     0},
    {"up wraps to Exit", {SDL_SCANCODE_UP, SDL_SCANCODE_RETURN}, 0},
    {"left closes the submenu",
     {SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_LEFT, SDL_SCANCODE_DOWN,
      SDL_SCANCODE_RETURN, SDL_SCANCODE_RETURN},
     9},
    {"last display item, wrapping up",
     {SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_UP, SDL_SCANCODE_RETURN},
     12},
    {"escape dismisses", {SDL_SCANCODE_ESCAPE}, NoCommand},
    {"escape closes one level at a time",
     {SDL_SCANCODE_DOWN, SDL_SCANCODE_RIGHT, SDL_SCANCODE_ESCAPE, SDL_SCANCODE_ESCAPE},
     NoCommand},
    {"alt dismisses", {SDL_SCANCODE_DOWN, SDL_SCANCODE_LALT}, NoCommand},
    {"enter on nothing chooses nothing", {SDL_SCANCODE_RETURN, SDL_SCANCODE_ESCAPE}, NoCommand},
};

} // namespace

TEST_F(MenuTest, KeysChooseOrDismiss) {
    for (const KeyCase& c : KeyCases) {
        MenuResult r = ShowAndDrive(PressKeys(c.keys));
        EXPECT_EQ(r.command, c.command) << c.name;
        EXPECT_LE(r.menuCommands, 1) << c.name;
        EXPECT_FALSE(r.closeRequested) << c.name;
    }
}

TEST_F(MenuTest, WorksWithoutAnyFont) {
    TempDir dir;
    WriteFile(dir.path + "/fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    setenv("FONTCONFIG_FILE", (dir.path + "/fonts.conf").c_str(), 1);
    MenuResult r = ShowAndDrive(PressKeys(
        {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_RETURN, SDL_SCANCODE_RETURN}));
    unsetenv("FONTCONFIG_FILE");
    EXPECT_EQ(r.command, 9);
}

TEST_F(MenuTest, QuitWhileOpenClosesTheMenuAndAsksToClose) {
    MenuResult r = ShowAndDrive([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PushQuit();
    });
    EXPECT_EQ(r.menuCommands, 0);
    EXPECT_TRUE(r.closeRequested);
}

TEST_F(MenuTest, ScriptedRunsCloseTheMenuAtOnce) {
    PlatKeyboardSetScripted(true);
    PlatMenuShow(PopupMenu, GameWindow, 0, 0); // would wait for ever otherwise
    PlatKeyboardSetScripted(false);
    PlatEvent e;
    EXPECT_FALSE(PlatNextEvent(&e));
}

TEST_F(MenuTest, MissingOrEmptyMenusReturnAtOnce) {
    PlatMenuCreate(2);
    PlatMenuShow(2, GameWindow, 0, 0);
    PlatMenuShow(3, GameWindow, 0, 0);
    PlatMenuAddItem(3, 5, "Nowhere"); // no such menu: ignored
    PlatMenuCloseSubmenu(PopupMenu);  // more closes than opens: ignored
    PlatEvent e;
    EXPECT_FALSE(PlatNextEvent(&e));
}

// Real pointer and keyboard input through the X server.
struct XMenuTest : MenuTest {
    XvfbServer server;
    int x = 0, y = 0; // the window's inner top-left on the screen
    bool leakCheckOff = false;
    void SetUp() override {
        if (!server.Start()) GTEST_SKIP() << "Xvfb is not available";
        if (std::system("command -v xdotool > /dev/null") != 0) GTEST_SKIP() << "no xdotool";
        // The popups' X libraries keep blocks that the checker sees only through
        // an unloaded module; the menu code itself is leak-checked headless.
        if (__lsan_disable) {
            __lsan_disable();
            leakCheckOff = true;
        }
        MenuTest::SetUp();
        PlatEvent e;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        while (PlatNextEvent(&e)) {
        }
        PlatWindowInnerScreenPos(GameWindow, &x, &y);
    }

    void TearDown() override {
        MenuTest::TearDown();
        if (leakCheckOff) __lsan_enable();
    }

    // Runs a shell script with X, Y (the menu's corner) set; returns its output.
    std::function<void()> Script(const std::string& body, std::string* out = nullptr) {
        std::string script =
            "X0=" + std::to_string(x) + "; Y0=" + std::to_string(y) +
            "; xdotool search --sync --name '^PopupMenu 0$' > /dev/null; sleep 0.5; " + body;
        std::string display = "DISPLAY=" + server.display;
        return [script, display, out] {
            RunResult r = RunProgram({"/bin/sh", "-c", script}, "", {display}, 20);
            if (out) *out = r.out;
        };
    }
};

// Geometry of popup level N as "X Y W H" on one line.
const std::string LevelGeometry =
    "geometry() { eval $(xdotool getwindowgeometry --shell "
    "$(xdotool search --sync --name \"^PopupMenu $1\\$\" | head -n 1)); }; ";

TEST_F(XMenuTest, OpensAtTheInnerCornerAndTheMouseChoosesZoomIn) {
    std::string out;
    MenuResult r = ShowAndDrive(Script(
        LevelGeometry + "geometry 0; echo $X $Y; "
                        "xdotool mousemove $((X0 + 30)) $((Y0 + 14)); sleep 0.3; "
                        "geometry 1; xdotool mousemove $((X + 30)) $((Y + 3 + 4 * 22 + 11)); "
                        "sleep 0.3; xdotool click 1",
        &out));
    std::istringstream words(out);
    int menuX = -1, menuY = -1;
    words >> menuX >> menuY;
    EXPECT_EQ(menuX, x);
    EXPECT_EQ(menuY, y);
    EXPECT_EQ(r.command, 7);
    EXPECT_EQ(r.menuCommands, 1);
}

TEST_F(XMenuTest, MouseButtonsChooseExitAndKill) {
    struct Case {
        const char* name;
        std::string body;
        int command;
    };
    const std::vector<Case> cases = {
        {"right button on Exit",
         "xdotool mousemove $((X0 + 30)) $((Y0 + 67)); sleep 0.2; xdotool click 3", 0},
        {"left click on Game, then Kill",
         LevelGeometry + "xdotool mousemove $((X0 + 30)) $((Y0 + 36)) click 1; sleep 0.3; "
                         "geometry 1; xdotool mousemove $((X + 40)) $((Y + 14)); sleep 0.2; "
                         "xdotool click 1",
         9},
        {"press outside the windows",
         "xdotool mousemove 1015 760 mousedown 1; sleep 0.2; xdotool mouseup 1", NoCommand},
        {"click on the game window beside the menu",
         "xdotool mousemove $((X0 + 600)) $((Y0 + 400)) click 1", NoCommand},
        {"a click on the separator keeps the menu open",
         "xdotool mousemove $((X0 + 30)) $((Y0 + 51)) click 1; sleep 0.3; "
         "xdotool mousemove $((X0 + 30)) $((Y0 + 67)) click 1",
         0},
    };
    for (const Case& c : cases) {
        MenuResult r = ShowAndDrive(Script(c.body));
        EXPECT_EQ(r.command, c.command) << c.name;
        EXPECT_FALSE(r.closeRequested) << c.name;
        EXPECT_FALSE(r.leftButtonDown) << c.name; // the menu's clicks are its own
    }
}

TEST_F(XMenuTest, RealKeysWorkTheMenu) {
    MenuResult r = ShowAndDrive(Script("xdotool key --delay 150 Down Right; sleep 0.3; "
                                       "xdotool key --delay 150 Down Down Down Down Return"));
    EXPECT_EQ(r.command, 7);
    r = ShowAndDrive(Script("xdotool key Escape"));
    EXPECT_EQ(r.command, NoCommand);
    EXPECT_FALSE(r.closeRequested);
}
