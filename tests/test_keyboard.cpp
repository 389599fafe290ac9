// Keyboard snapshots: the scan-code table, held keys, the release query,
// presses between captures, focus and scripted input.
#include "TestSupport.h"
#include "platform/PlatWindowInternal.h"
#include "platform/PlatformKeyboard.h"
#include "platform/PlatformWindow.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int GameWindow = 1;
constexpr int KeySpace = 57, KeyEscape = 0x01, KeyF7 = 0x41, KeyA = 30;

struct KeyboardTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(PlatWindowOpen(GameWindow, "Vrem! b82, v56", 800, 600, PlatStyleGameWindow));
        PlatKeyboardInit();
        Focus(true);
    }
    void TearDown() override {
        PlatKeyboardEnd();
        PlatWindowsEnd();
    }

    // The window system gives or takes the focus.
    void Focus(bool gained) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(PlatSdlWindow(GameWindow));
        e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&e);
        PlatEvent ignored;
        while (PlatNextEvent(&ignored)) {
        }
    }
};

// A key event as SDL delivers it.
void Key(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.windowID = SDL_GetWindowID(PlatSdlWindow(GameWindow));
    SDL_PushEvent(&e);
}

} // namespace

TEST(ScanCodeTable, GameKeysHaveTheirDirectInputCodes) {
    const std::map<SDL_Scancode, int> expected = {
        {SDL_SCANCODE_ESCAPE, 0x01},   {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_1, 0x02},        {SDL_SCANCODE_3, 0x04},
        {SDL_SCANCODE_7, 0x08},        {SDL_SCANCODE_9, 0x0A},
        {SDL_SCANCODE_F1, 0x3B},       {SDL_SCANCODE_F2, 0x3C},
        {SDL_SCANCODE_F4, 0x3E},       {SDL_SCANCODE_F6, 0x40},
        {SDL_SCANCODE_F7, 0x41},       {SDL_SCANCODE_F9, 0x43},
        {SDL_SCANCODE_F12, 0x58},      {SDL_SCANCODE_LSHIFT, 42},
        {SDL_SCANCODE_SPACE, 57},      {SDL_SCANCODE_A, 30},
        {SDL_SCANCODE_D, 32},          {SDL_SCANCODE_S, 31},
        {SDL_SCANCODE_TAB, 15},        {SDL_SCANCODE_UP, 200},
        {SDL_SCANCODE_LEFT, 203},      {SDL_SCANCODE_RIGHT, 205},
        {SDL_SCANCODE_DOWN, 208},      {SDL_SCANCODE_J, 36},
        {SDL_SCANCODE_L, 38},          {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_RALT, 0xB8},     {SDL_SCANCODE_LGUI, 0xDB},
        {SDL_SCANCODE_RGUI, 0xDC},     {SDL_SCANCODE_APPLICATION, 0xDD},
        {SDL_SCANCODE_HOME, 0xC7},     {SDL_SCANCODE_END, 0xCF},
        {SDL_SCANCODE_PAGEUP, 0xC9},   {SDL_SCANCODE_PAGEDOWN, 0xD1},
        {SDL_SCANCODE_INSERT, 0xD2},   {SDL_SCANCODE_DELETE, 0xD3},
        {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_KP_0, 0x52},     {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LCTRL, 0x1D},    {SDL_SCANCODE_LALT, 0x38},
        {SDL_SCANCODE_F11, 0x57},      {SDL_SCANCODE_PAUSE, 0xC5},
        {SDL_SCANCODE_RETURN, 0x1C},
    };
    for (const auto& [sdl, dik] : expected)
        EXPECT_EQ(PlatDirectInputCode(sdl), dik) << SDL_GetScancodeName(sdl);
    EXPECT_EQ(PlatDirectInputCode(SDL_SCANCODE_UNKNOWN), 0);
}

TEST(ScanCodeTable, CoversAStandardKeyboardWithoutSharingCodes) {
    // Every key from A to the right GUI key (letters to modifiers) has a code,
    // and no two keys share one except the two positions of the same key.
    std::map<int, std::string> owner;
    const std::vector<std::pair<SDL_Scancode, SDL_Scancode>> ranges = {
        {SDL_SCANCODE_A, SDL_SCANCODE_APPLICATION},
        {SDL_SCANCODE_LCTRL, SDL_SCANCODE_RGUI},
    };
    for (auto [from, to] : ranges) {
        for (int c = from; c <= to; c++) {
            auto code = static_cast<SDL_Scancode>(c);
            int dik = PlatDirectInputCode(code);
            EXPECT_NE(dik, 0) << SDL_GetScancodeName(code);
            if (dik == 0 || code == SDL_SCANCODE_NONUSHASH) continue;
            auto [it, fresh] = owner.emplace(dik, SDL_GetScancodeName(code));
            EXPECT_TRUE(fresh) << SDL_GetScancodeName(code) << " shares " << dik << " with "
                               << it->second;
        }
    }
}

TEST_F(KeyboardTest, HeldKeysAndTheReleaseQueryOverSeveralCaptures) {
    // Each step: key events before the capture, then what the frame reads.
    struct Step {
        std::vector<std::pair<SDL_Scancode, bool>> events;
        bool down;
        bool released;
    };
    const std::vector<Step> steps = {
        {{}, false, false},
        {{{SDL_SCANCODE_SPACE, true}}, true, false},
        {{}, true, false}, // still held
        {{{SDL_SCANCODE_SPACE, false}}, false, true},
        {{}, false, false}, // reported once only
        // Pressed and released between two captures: down once, released next.
        {{{SDL_SCANCODE_SPACE, true}, {SDL_SCANCODE_SPACE, false}}, true, false},
        {{}, false, true},
        // Released and pressed again between captures: stays down, no release.
        {{{SDL_SCANCODE_SPACE, true}}, true, false},
        {{{SDL_SCANCODE_SPACE, false}, {SDL_SCANCODE_SPACE, true}}, true, false},
        {{{SDL_SCANCODE_SPACE, false}}, false, true},
    };
    for (size_t i = 0; i < steps.size(); i++) {
        for (auto [code, down] : steps[i].events) Key(code, down);
        PlatKeyboardCapture();
        EXPECT_EQ(PlatKeyDown(KeySpace), steps[i].down) << "step " << i;
        EXPECT_EQ(PlatKeyReleased(KeySpace), steps[i].released) << "step " << i;
    }
}

TEST_F(KeyboardTest, ReleaseNeedsAQueryThatSawTheKeyDown) {
    Key(SDL_SCANCODE_F7, true);
    PlatKeyboardCapture();
    Key(SDL_SCANCODE_F7, false);
    PlatKeyboardCapture();
    // No query saw F7 down, so its release is not reported.
    EXPECT_FALSE(PlatKeyReleased(KeyF7));

    Key(SDL_SCANCODE_F7, true);
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyReleased(KeyF7));
    Key(SDL_SCANCODE_F7, false);
    PlatKeyboardCapture();
    // Every query in the releasing snapshot agrees; the next snapshot has none.
    EXPECT_TRUE(PlatKeyReleased(KeyF7));
    EXPECT_TRUE(PlatKeyReleased(KeyF7));
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyReleased(KeyF7));
    // Keys are independent, and numbers outside the table are never down.
    EXPECT_FALSE(PlatKeyReleased(KeyEscape));
    EXPECT_FALSE(PlatKeyDown(-1));
    EXPECT_FALSE(PlatKeyDown(256));
    EXPECT_FALSE(PlatKeyReleased(1000));
}

TEST_F(KeyboardTest, WithoutTheFocusAllKeysAreUp) {
    Key(SDL_SCANCODE_A, true);
    PlatKeyboardCapture();
    ASSERT_TRUE(PlatKeyDown(KeyA));
    EXPECT_FALSE(PlatKeyReleased(KeyA));

    Focus(false);
    Key(SDL_SCANCODE_SPACE, true); // typed into another program
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyDown(KeyA));
    EXPECT_FALSE(PlatKeyDown(KeySpace));
    EXPECT_TRUE(PlatKeyReleased(KeyA)); // A went up for the game

    // Back in front: A is not stuck down although no key-up ever came.
    Focus(true);
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyDown(KeyA));
    Key(SDL_SCANCODE_A, true);
    PlatKeyboardCapture();
    EXPECT_TRUE(PlatKeyDown(KeyA));
}

TEST_F(KeyboardTest, ScriptedInputIgnoresTheDeviceAndTheFocus) {
    PlatKeyboardSetScripted(true);
    Focus(false);
    Key(SDL_SCANCODE_A, true);
    PlatKeyboardScriptKey(KeySpace, true);
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyDown(KeyA));
    EXPECT_TRUE(PlatKeyDown(KeySpace));
    EXPECT_FALSE(PlatKeyReleased(KeySpace));

    // A scripted tap between captures counts like a real one.
    PlatKeyboardScriptKey(KeySpace, false);
    PlatKeyboardScriptKey(KeyEscape, true);
    PlatKeyboardScriptKey(KeyEscape, false);
    PlatKeyboardCapture();
    EXPECT_TRUE(PlatKeyReleased(KeySpace));
    EXPECT_TRUE(PlatKeyDown(KeyEscape));
    EXPECT_FALSE(PlatKeyReleased(KeyEscape));
    PlatKeyboardCapture();
    EXPECT_TRUE(PlatKeyReleased(KeyEscape));
    PlatKeyboardScriptKey(999, true); // out of range: ignored

    // Leaving scripted mode forgets the scripted keys; the device counts again.
    PlatKeyboardScriptKey(KeySpace, true);
    PlatKeyboardSetScripted(false);
    Focus(true);
    Key(SDL_SCANCODE_A, true);
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyDown(KeySpace));
    EXPECT_TRUE(PlatKeyDown(KeyA));
    PlatKeyboardScriptKey(KeySpace, true); // no effect outside scripted mode
    PlatKeyboardCapture();
    EXPECT_FALSE(PlatKeyDown(KeySpace));
}
