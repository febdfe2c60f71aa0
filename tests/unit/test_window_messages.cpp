// The window procedure: render toggles, quitting and resizing.
#include "app/window.h"
#include "app/window_messages.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

namespace {

class WindowMessages : public ::testing::Test {
protected:
    void SetUp() override {
        fakeReset();
        detailOn = true;
        detailRepeat = 16;
        filledPolygons = true;
        fullScreenMode = false;
        windowMinimised = false;
        clientRect = {0, 0, 0, 0};
    }

    static void send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        handleWindowMessage(fakeWindow(), message, wParam, lParam);
    }

    // The exit code of the quit request the queue holds, or -1 when none.
    static int pendingQuitCode() {
        PlatMessage message;
        while (platPeekMessage(&message))
            if (message.message == MSG_QUIT) return static_cast<int>(message.wParam);
        return -1;
    }
};

TEST_F(WindowMessages, SpaceWalksTheSevenStepRepeatCycle) {
    const int expected[] = {32, 64, 1, 2, 4, 8, 16, 32};
    for (int value : expected) {
        send(MSG_KEYDOWN, KEY_SPACE);
        EXPECT_EQ(detailRepeat, value);
    }
}

TEST_F(WindowMessages, ThreeSpacesFromTheStartGiveOneAndSevenComeBack) {
    for (int i = 0; i < 3; ++i) send(MSG_KEYDOWN, KEY_SPACE);
    EXPECT_EQ(detailRepeat, 1);
    for (int i = 0; i < 4; ++i) send(MSG_KEYDOWN, KEY_SPACE);
    EXPECT_EQ(detailRepeat, 16);
}

TEST_F(WindowMessages, ButtonsToggleDetailAndPolygonModeIndependently) {
    send(MSG_LBUTTONDOWN);
    EXPECT_FALSE(detailOn);
    EXPECT_TRUE(filledPolygons);
    send(MSG_LBUTTONDOWN);
    EXPECT_TRUE(detailOn);

    send(MSG_RBUTTONDOWN);
    EXPECT_FALSE(filledPolygons);
    EXPECT_TRUE(detailOn);
    send(MSG_RBUTTONDOWN);
    EXPECT_TRUE(filledPolygons);
}

TEST_F(WindowMessages, EscapeAndCloseAskToQuitWithZeroOtherKeysDoNothing) {
    send(MSG_KEYDOWN, 'Q');
    send(MSG_KEYDOWN, KEY_UP);
    EXPECT_EQ(pendingQuitCode(), -1);
    EXPECT_EQ(detailRepeat, 16);

    send(MSG_KEYDOWN, KEY_ESCAPE);
    EXPECT_EQ(pendingQuitCode(), 0);

    send(MSG_CLOSE);
    EXPECT_EQ(pendingQuitCode(), 0);
}

// Full screen too: a display server that only emulates the mode gives the
// popup the output's size after it is shown.
TEST_F(WindowMessages, ResizeRefreshesTheClientRectFramedAndFullScreen) {
    for (bool fullScreen : {true, false}) {
        fullScreenMode = fullScreen;
        clientRect = {0, 0, 0, 0};
        fake.clientWidth = 640;
        fake.clientHeight = 480;
        send(MSG_SIZE, SIZE_KIND_RESTORED, (480 << 16) | 640);
        EXPECT_EQ(clientRect.right, 640);
        EXPECT_EQ(clientRect.bottom, 480);
        EXPECT_FALSE(windowMinimised);

        // A minimised window reports 0 x 0; the projection treats the height as 1.
        fake.clientWidth = 0;
        fake.clientHeight = 0;
        send(MSG_SIZE, SIZE_KIND_MINIMIZED, 0);
        EXPECT_EQ(clientRect.bottom, 0);
        EXPECT_TRUE(windowMinimised);
        send(MSG_SIZE, SIZE_KIND_RESTORED, (480 << 16) | 640);
        EXPECT_FALSE(windowMinimised);
    }
}

TEST_F(WindowMessages, SizeParametersAreReadAsUnsigned16BitHalves) {
    // 0xFFFF in both halves must not turn negative on the way to the projection.
    fake.clientWidth = 65535;
    fake.clientHeight = 65535;
    send(MSG_SIZE, 0, static_cast<intptr_t>(0xFFFFFFFFu));
    EXPECT_EQ(clientRect.right, 65535);
}

TEST_F(WindowMessages, PaintValidatesTheWindow) {
    send(MSG_PAINT);
    EXPECT_EQ(fake.paints, 1);
}

}  // namespace
