// The SDL platform's services against a real X server (the private Xvfb of
// the rendering tests, 1024 x 768 at depth 24, one mode only).
#include "app/platform.h"
#include "app/window.h"
#include "tests/support/gl_window.h"

#include <gtest/gtest.h>

namespace {

intptr_t ignoringProcedure(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

class PlatformSdl : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(openTestGlWindow(800, 600)); }
};

}  // namespace

TEST_F(PlatformSdl, QuitComesAfterTheQueuedMessagesAndOnlyOnce) {
    platPostQuitMessage(5);
    int quits = 0;
    PlatMessage message = {};
    // A pending quit never lets the queue report empty.
    for (int i = 0; i < 10000 && quits == 0; ++i) {
        ASSERT_TRUE(platPeekMessage(&message)) << "the queue reported empty with a quit pending";
        if (message.message == MSG_QUIT) {
            ++quits;
            EXPECT_EQ(5u, message.wParam);
        }
    }
    EXPECT_EQ(1, quits);
    for (int i = 0; i < 100 && platPeekMessage(&message); ++i) EXPECT_NE(MSG_QUIT, message.message);
}

// A wait with a quit pending would otherwise sleep until the next input.
TEST_F(PlatformSdl, WaitingReturnsAtOnceWhileAQuitIsPending) {
    platPostQuitMessage(7);
    platWaitMessage();
    PlatMessage message = {};
    bool quit = false;
    for (int i = 0; i < 10000 && !quit; ++i)
        quit = platPeekMessage(&message) && message.message == MSG_QUIT;
    EXPECT_TRUE(quit);
}

TEST_F(PlatformSdl, WindowsComeOnlyFromRegisteredClasses) {
    InstanceHandle instance = platModuleInstance();
    EXPECT_EQ(nullptr, platCreateWindow("NoSuchClass", "x", STYLE_POPUP, 0, 0, 10, 10, instance));

    WindowClassDesc desc = {0, ignoringProcedure, instance, "PlatformSdlTest"};
    for (WindowClassDesc halfClass : {WindowClassDesc{0, nullptr, instance, "PlatformSdlTest"},
                                      WindowClassDesc{0, ignoringProcedure, instance, nullptr}})
        EXPECT_FALSE(platRegisterWindowClass(&halfClass));
    EXPECT_TRUE(platRegisterWindowClass(&desc));
    EXPECT_FALSE(platRegisterWindowClass(&desc));  // already there
    // The name is a class only within the instance that registered it.
    EXPECT_EQ(nullptr, platCreateWindow("PlatformSdlTest", "x", STYLE_POPUP, 0, 0, 10, 10,
                                        reinterpret_cast<InstanceHandle>(&desc)));
    WindowHandle window =
        platCreateWindow("PlatformSdlTest", "x", STYLE_POPUP, 0, 0, 32, 16, instance);
    ASSERT_NE(nullptr, window);
    // Created hidden: it has no focus and is nobody's focus window.
    EXPECT_FALSE(platHasInputFocus(window));
    EXPECT_NE(window, platFocusWindow());
    ClientRect rect = {-1, -1, -1, -1};
    ASSERT_TRUE(platGetClientRect(window, &rect));
    EXPECT_EQ(32, rect.right);
    EXPECT_EQ(16, rect.bottom);

    EXPECT_TRUE(platUnregisterWindowClass("PlatformSdlTest", instance));
    EXPECT_FALSE(platUnregisterWindowClass("PlatformSdlTest", instance));
    EXPECT_EQ(nullptr,
              platCreateWindow("PlatformSdlTest", "x", STYLE_POPUP, 0, 0, 10, 10, instance));
}

// SDL sizes client areas itself, so the outer size is the client size.
TEST_F(PlatformSdl, AdjustingTheRectangleKeepsTheClientSize) {
    ClientRect rect = {0, 0, 800, 600};
    EXPECT_TRUE(platAdjustWindowRect(&rect, STYLE_OVERLAPPEDWINDOW));
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(800, rect.right);
    EXPECT_EQ(600, rect.bottom);
}

TEST_F(PlatformSdl, DisplayModeIsReadAndOnlyListedModesAreAccepted) {
    DisplayMode mode = {0, 0, 0, 0};
    ASSERT_TRUE(platReadDisplayMode(&mode));
    EXPECT_EQ(1024, mode.width);
    EXPECT_EQ(768, mode.height);
    EXPECT_EQ(24, mode.bitsPerPixel);

    DisplayMode small = mode;
    small.width = 800;
    small.height = 600;
    EXPECT_FALSE(platChangeDisplayMode(&small));  // Xvfb lists its own size only
    DisplayMode otherDepth = mode;
    otherDepth.bitsPerPixel = 16;
    EXPECT_FALSE(platChangeDisplayMode(&otherDepth));
    EXPECT_TRUE(platChangeDisplayMode(&mode));
    platRestoreDisplayMode();
    ASSERT_TRUE(platReadDisplayMode(&mode));
    EXPECT_EQ(1024, mode.width);
}

// The program re-centres the cursor every frame and reads it back the next.
TEST_F(PlatformSdl, CursorSetIsTheCursorRead) {
    for (int point : {0, 1}) {
        const int x = point ? 400 : 123, y = point ? 300 : 45;
        ASSERT_TRUE(platSetCursorPos(x, y));
        int readX = -1, readY = -1;
        ASSERT_TRUE(platGetCursorPos(&readX, &readY));
        EXPECT_EQ(x, readX);
        EXPECT_EQ(y, readY);
    }
}

TEST_F(PlatformSdl, NoKeyIsHeldWhenNoneIsPressed) {
    const int keys[] = {KEY_ESCAPE, KEY_SPACE, KEY_LEFT, KEY_UP, KEY_RIGHT, KEY_DOWN,
                        KEY_A,      KEY_D,     KEY_S,    KEY_W,  'Z',       '0'};
    for (int key : keys) EXPECT_FALSE(platKeyHeld(key)) << key;
    EXPECT_FALSE(platKeyHeld(0));
}

TEST_F(PlatformSdl, EntryPointsNeedACurrentContext) {
    EXPECT_NE(nullptr, platGetProcAddress("glMultiTexCoord2fARB"));
    ASSERT_TRUE(platMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(nullptr, platGetProcAddress("glMultiTexCoord2fARB"));
    ASSERT_TRUE(platMakeCurrent(deviceContext, renderContext));
    EXPECT_NE(nullptr, platGetProcAddress("glMultiTexCoord2fARB"));
}
