// The frame timer: the first interval, the once-a-second report and the
// clock's wrap.
#include "app/frame_timer.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FrameTimer : public ::testing::Test {
protected:
    void SetUp() override {
        fakeReset();
        resetFrameCounter();
    }
    static void tickAt(uint32_t ms) {
        fake.clock = ms;
        tickFrameCounter();
    }
};

TEST_F(FrameTimer, FirstIntervalIsZeroHoweverLongTheSystemHasRun) {
    tickAt(5u * 24 * 3600 * 1000);  // five days of uptime
    EXPECT_EQ(frameSeconds, 0.0f);
    // The frame still counts: the report shows it.
    EXPECT_EQ(std::string(frameRateText), "Current Frames Per Second: 1");
}

TEST_F(FrameTimer, FirstTickWithinASecondOfTheClockOriginDoesNotReport) {
    tickAt(1000);
    EXPECT_EQ(std::string(frameRateText), "");
}

TEST_F(FrameTimer, ReportNeedsStrictlyMoreThanOneSecond) {
    tickAt(0);
    tickAt(1000);
    EXPECT_EQ(std::string(frameRateText), "");
    EXPECT_FLOAT_EQ(frameSeconds, 1.0f);
    tickAt(1001);
    EXPECT_EQ(std::string(frameRateText), "Current Frames Per Second: 3");
}

TEST_F(FrameTimer, FramesFourTenthsApartReportAtTheThirdWithCountThree) {
    tickAt(10000);  // reports (first call, count 1)
    tickAt(10400);
    tickAt(10800);
    EXPECT_EQ(std::string(frameRateText), "Current Frames Per Second: 1");
    tickAt(11200);
    EXPECT_EQ(std::string(frameRateText), "Current Frames Per Second: 3");
    EXPECT_FLOAT_EQ(frameSeconds, 0.4f);
}

TEST_F(FrameTimer, IntervalsStayExactAfterDaysOfUptime) {
    // As float seconds these readings would be 1/64 s apart at best.
    uint32_t start = 3u * 24 * 3600 * 1000;
    tickAt(start);
    tickAt(start + 16);
    EXPECT_FLOAT_EQ(frameSeconds, 0.016f);
    tickAt(start + 33);
    EXPECT_FLOAT_EQ(frameSeconds, 0.017f);
}

TEST_F(FrameTimer, ClockWrapGivesTheTrueShortInterval) {
    tickAt(0xFFFFFFF0u);
    tickAt(0x00000010u);  // 32 ms later, across the wrap
    EXPECT_FLOAT_EQ(frameSeconds, 0.032f);
    // The report keeps going across the wrap too.
    frameRateText[0] = '\0';
    tickAt(0x00000010u + 1001);
    EXPECT_EQ(std::string(frameRateText), "Current Frames Per Second: 2");
}

}  // namespace
