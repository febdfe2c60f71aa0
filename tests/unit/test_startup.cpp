// Start-up, the main loop and shut-down on the scripted platform.
#include "app/startup.h"

#include "app/gl_api.h"
#include "app/window.h"
#include "app/window_classes.h"
#include "app/window_messages.h"
#include "assets/textures.h"
#include "camera/camera_rig.h"
#include "tests/support/fake_platform.h"
#include "tests/support/scratch_folder.h"
#include "world/height_map.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const QUESTION = "Click Yes to go to full screen (Recommended)";
const char* const TITLE = "Merrowind - Terrain, Skybox, Go Kart";

// Each test starts in an empty folder, so every asset is missing unless the
// test writes it.
class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        fakeReset();
        fullScreenMode = true;
        windowMinimised = false;
        appInstance = nullptr;
        mainWindow = nullptr;
        clientRect = {0, 0, 0, 0};
        deviceContext = nullptr;
        renderContext = nullptr;
        glActiveTextureARB = nullptr;
        glMultiTexCoord2fARB = nullptr;
        std::memset(heightField, 0, sizeof heightField);
        std::memset(TextureSet, 0, sizeof TextureSet);
        folder.reset();  // leave any earlier folder first, so its exit is not ours
        folder.reset(new ScratchFolder(false));
    }
    void TearDown() override { folder.reset(); }

    static std::vector<std::string> boxTexts() {
        std::vector<std::string> texts;
        for (const FakeBox& box : fake.boxes) texts.push_back(box.text);
        return texts;
    }

    std::unique_ptr<ScratchFolder> folder;
};

TEST_F(Startup, NoGivesAFramedWindowAt00WithAnExact800x600ClientArea) {
    fake.boxAnswers = {BOX_RESULT_NO};
    fake.quitAfterSwaps = 1;
    EXPECT_EQ(appEntry(platModuleInstance()), 0);

    ASSERT_GE(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, QUESTION);
    EXPECT_EQ(fake.boxes[0].caption, "Options");
    EXPECT_EQ(fake.boxes[0].style, BOX_YESNO | BOX_ICONQUESTION);
    EXPECT_EQ(fake.boxes[0].owner, nullptr);

    EXPECT_FALSE(fullScreenMode);
    EXPECT_EQ(fake.registeredClass, "Quillmoor");
    EXPECT_EQ(fake.windowStyle, STYLE_OVERLAPPEDWINDOW | STYLE_CLIPSIBLINGS | STYLE_CLIPCHILDREN);
    EXPECT_EQ(fake.windowX, 0);
    EXPECT_EQ(fake.windowY, 0);
    EXPECT_EQ(fake.clientWidth, 800);
    EXPECT_EQ(fake.clientHeight, 600);
    EXPECT_GT(fake.outerWidth, 800);  // the frame is added around the client area
    EXPECT_EQ(fake.createdTitle, TITLE);

    // Framed mode leaves display and cursor alone, at start and at the end.
    EXPECT_FALSE(fake.displayChanged);
    EXPECT_EQ(fake.displayRestores, 0);
    EXPECT_EQ(fake.cursorShowCount, 0);
    EXPECT_EQ(fake.unregisters, 1);
    EXPECT_EQ(classProcedure("Quillmoor", platModuleInstance()), nullptr);
}

TEST_F(Startup, YesSwitchesTo800x600AtTheCurrentDepthAndRestoresAtTheEnd) {
    fake.currentMode = {1280, 1024, 32, 75};
    fake.quitAfterSwaps = 1;
    EXPECT_EQ(appEntry(platModuleInstance()), 0);

    EXPECT_TRUE(fullScreenMode);
    EXPECT_EQ(fake.requestedMode.width, 800);
    EXPECT_EQ(fake.requestedMode.height, 600);
    EXPECT_EQ(fake.requestedMode.bitsPerPixel, 32);
    EXPECT_EQ(fake.windowStyle, STYLE_POPUP | STYLE_CLIPSIBLINGS | STYLE_CLIPCHILDREN);
    EXPECT_EQ(fake.outerWidth, 800);  // a popup has no frame
    EXPECT_EQ(fake.outerHeight, 600);
    EXPECT_EQ(fake.displayRestores, 1);
    EXPECT_EQ(fake.cursorShowCount, 0);  // hidden once, shown once
}

// Only an explicit Yes switches the display; a question that could not be
// shown (0) or was closed some other way leaves the screen alone.
TEST_F(Startup, OnlyAnExplicitYesGoesFullScreen) {
    for (int answer : {0, int(BOX_RESULT_NO), int(BOX_RESULT_OK), -1}) {
        SetUp();
        fake.boxAnswers = {answer};
        fake.quitAfterSwaps = 1;
        EXPECT_EQ(appEntry(platModuleInstance()), 0);
        EXPECT_FALSE(fullScreenMode) << "answer " << answer;
        EXPECT_FALSE(fake.displayChanged) << "answer " << answer;
        EXPECT_EQ(fake.cursorShowCount, 0) << "answer " << answer;
    }
}

TEST_F(Startup, RefusedDisplayModeIsReportedAndEndsBeforeTheFirstFrame) {
    fake.failChangeDisplay = true;
    EXPECT_EQ(appEntry(platModuleInstance()), 0);

    std::vector<std::string> texts = boxTexts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[1], "Display Mode Not Compatible");
    EXPECT_EQ(fake.boxes[1].caption, "Error");
    EXPECT_EQ(fake.boxes[1].owner, nullptr);
    // Start-up ran on: the window exists and the missing height map was reported.
    EXPECT_TRUE(fake.windowCreated);
    EXPECT_EQ(texts[2], "Can't find the height map!");
    EXPECT_EQ(fake.swaps, 0);
    // Shut-down still asks for the mode back and shows the cursor.
    EXPECT_EQ(fake.displayRestores, 1);
    EXPECT_EQ(fake.cursorShowCount, 0);
}

TEST_F(Startup, UnreadableDisplaySettingsAreReportedWithoutQuitting) {
    fake.failReadDisplay = true;
    fake.quitAfterSwaps = 2;
    EXPECT_EQ(appEntry(platModuleInstance()), 0);
    EXPECT_EQ(boxTexts()[1], "Could Not Enum Display Settings");
    EXPECT_FALSE(fake.displayChanged);
    EXPECT_EQ(fake.swaps, 2);  // frames ran: no quit was asked for
    EXPECT_EQ(fake.cursorShowCount, 0);
}

TEST_F(Startup, WindowCreationFailureExitsWithOneAndTouchesNothingElse) {
    fake.boxAnswers = {BOX_RESULT_NO};
    fake.failCreateWindow = true;
    EXPECT_EQ(appEntry(platModuleInstance()), 1);
    EXPECT_EQ(fake.boxes.size(), 1u);  // only the question
    EXPECT_EQ(mainWindow, nullptr);
    EXPECT_EQ(fake.unregisters, 0);
    EXPECT_EQ(fake.swaps, 0);
}

TEST_F(Startup, MissingMultitextureIsReportedSetUpRunsOnAndNoFrameIsComposed) {
    fake.boxAnswers = {BOX_RESULT_NO};
    fake.missingProcs = {"glMultiTexCoord2fARB"};
    EXPECT_EQ(appEntry(platModuleInstance()), 0);

    std::vector<std::string> texts = boxTexts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[1], "Your current setups does not support multitexturing");
    EXPECT_EQ(fake.boxes[1].caption, "Error");
    EXPECT_EQ(fake.boxes[1].owner, fakeWindow());
    // The height file is still read and all ten textures are still tried.
    EXPECT_EQ(texts[2], "Can't find the height map!");
    int textureBoxes = 0;
    for (const std::string& text : texts) textureBoxes += text == "Unable to load BMP File!";
    EXPECT_EQ(textureBoxes, 10);
    // The camera was placed, on flat ground.
    EXPECT_FLOAT_EQ(theRig.getEye().x, 490.0f);
    EXPECT_FLOAT_EQ(theRig.kartCorners[0].y, 2.0f);
    EXPECT_FLOAT_EQ(theRig.kartCorners[1].z, 277.5f);

    EXPECT_EQ(fake.swaps, 0);
    EXPECT_FALSE(fake.renderContextCurrent);
    EXPECT_EQ(fake.renderContextsDeleted, 1);
    EXPECT_EQ(fake.deviceContextsReleased, 1);
}

TEST_F(Startup, PixelFormatFailuresAreReportedAndQuit) {
    for (int which = 0; which < 2; ++which) {
        SetUp();
        fake.boxAnswers = {BOX_RESULT_NO};
        fake.failChoosePixel = which == 0;
        fake.failSetPixel = which == 1;
        EXPECT_EQ(appEntry(platModuleInstance()), 0);
        EXPECT_EQ(boxTexts()[1], which == 0 ? "ChoosePixelFormat failed" : "SetPixelFormat failed");
        EXPECT_EQ(fake.swaps, 0);
        // The context is still made, so the rest of start-up has one.
        EXPECT_NE(renderContext, nullptr);
        TearDown();
    }
}

TEST_F(Startup, KartCornersSampleRows272And277) {
    // A height file with distinct rows under the corners.
    std::vector<unsigned char> heights(1024 * 1024, 0);
    heights[500 + 272 * 1024] = 10;
    heights[500 + 277 * 1024] = 20;
    heights[505 + 277 * 1024] = 30;
    heights[505 + 272 * 1024] = 40;
    ASSERT_EQ(mkdir("texture3", 0755), 0);
    FILE* file = std::fopen("texture3/Terrain.raw", "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(heights.data(), 1, heights.size(), file);
    std::fclose(file);

    fake.boxAnswers = {BOX_RESULT_NO};
    fake.missingProcs = {"glActiveTextureARB"};  // stop before the first frame
    appEntry(platModuleInstance());

    const float expected[4][3] = {{500.0f, 12.0f, 272.5f},
                                  {500.0f, 22.0f, 277.5f},
                                  {505.0f, 32.0f, 277.5f},
                                  {505.0f, 42.0f, 272.5f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(theRig.kartCorners[i].x, expected[i][0]) << "corner " << i;
        EXPECT_FLOAT_EQ(theRig.kartCorners[i].y, expected[i][1]) << "corner " << i;
        EXPECT_FLOAT_EQ(theRig.kartCorners[i].z, expected[i][2]) << "corner " << i;
    }
}

TEST_F(Startup, QueuedMessagesAreDispatchedBeforeAPendingQuitEndsTheLoop) {
    fake.boxAnswers = {BOX_RESULT_NO};
    fake.missingProcs = {"glActiveTextureARB"};  // quit posted during set-up
    detailRepeat = 16;
    // Input that arrived while the start-up boxes were open.
    fakePostMessage(MSG_KEYDOWN, KEY_SPACE, 0);
    EXPECT_EQ(appEntry(platModuleInstance()), 0);
    EXPECT_EQ(detailRepeat, 32);
    EXPECT_EQ(fake.swaps, 0);
}

TEST_F(Startup, FramesRunOnlyWhileTheQueueIsEmpty) {
    fake.boxAnswers = {BOX_RESULT_NO};
    fake.quitAfterSwaps = 3;
    EXPECT_EQ(appEntry(platModuleInstance()), 0);
    EXPECT_EQ(fake.swaps, 3);
    // Each frame set the title from the camera.
    ASSERT_EQ(fake.titles.size(), 3u);
    EXPECT_EQ(fake.titles[0].rfind("PosX=", 0), 0u);
}

// Nobody sees the frames of a minimised window: the loop sleeps until the next
// message instead, and draws again once the window is restored.
TEST_F(Startup, AMinimisedWindowWaitsForMessagesInsteadOfComposingFrames) {
    fake.boxAnswers = {BOX_RESULT_NO};
    fake.quitAfterSwaps = 2;
    fakePostMessage(MSG_SIZE, SIZE_KIND_MINIMIZED, 0);
    fake.arrivingOnWait = {{fakeWindow(), MSG_PAINT, 0, 0},
                           {fakeWindow(), MSG_SIZE, SIZE_KIND_RESTORED, (600 << 16) | 800}};
    EXPECT_EQ(appEntry(platModuleInstance()), 0);
    EXPECT_EQ(fake.waits, 2);
    EXPECT_EQ(fake.swaps, 2);
}

}  // namespace
