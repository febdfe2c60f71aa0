// Controls of the scripted fake platform that unit tests link against.
//
// Everything the program does through app/platform.h is recorded here, and
// everything it reads (box answers, cursor, keys, clock, failures) is set here.
// fakeReset() returns all of it to a fresh machine: nothing registered, no
// window, cursor at (400, 300), no key held, clock at 0, every call succeeding.
#pragma once

#include "app/platform.h"

#include <string>
#include <vector>

struct FakeBox {
    WindowHandle owner;
    std::string text;
    std::string caption;
    uint32_t style;
};

struct FakeState {
    // Scripted answers for message boxes, taken in order; BOX_RESULT_OK (or
    // BOX_RESULT_YES for a Yes/No box) once the script runs out.
    std::vector<int> boxAnswers;
    std::vector<FakeBox> boxes;  // every box shown, in order

    // Failures to stage.
    bool failCreateWindow = false;
    bool failReadDisplay = false;
    bool failChangeDisplay = false;
    bool failChoosePixel = false;
    bool failSetPixel = false;
    std::vector<std::string> missingProcs;  // names platGetProcAddress answers null for
    int quitAfterSwaps = -1;                // posts a quit request at that many swaps
    // What arrives while the program waits for a message, one per wait. A wait
    // with nothing left to arrive posts a quit request (exit code 0), so a
    // program that waits for nothing ends instead of hanging the test.
    std::vector<PlatMessage> arrivingOnWait;

    // What the program did.
    std::vector<std::string> titles;      // every title set, in order
    std::string createdTitle;             // the title the window was created with
    std::string windowTitle;              // the window's current title
    std::string registeredClass;          // the last name registered
    WindowProcedure procedure = nullptr;  // the window's, from its class
    uint32_t windowStyle = 0;
    int windowX = -1, windowY = -1, outerWidth = 0, outerHeight = 0;
    int clientWidth = 0, clientHeight = 0;
    bool windowCreated = false;
    bool windowShown = false;
    bool displayChanged = false;
    DisplayMode requestedMode = {0, 0, 0, 0};
    int displayRestores = 0;
    int cursorShowCount = 0;  // +1 for each show, -1 for each hide
    int cursorSets = 0;       // calls of platSetCursorPos
    bool renderContextCurrent = false;
    int renderContextsDeleted = 0;
    int deviceContextsReleased = 0;
    int swaps = 0;
    int waits = 0;  // calls of platWaitMessage
    int paints = 0;
    int unregisters = 0;

    // What the program reads.
    DisplayMode currentMode = {1024, 768, 24, 60};
    int cursorX = 400, cursorY = 300;
    bool keys[256] = {};
    uint32_t clock = 0;
    bool focused = true;
};

extern FakeState fake;

// Back to a fresh machine; the message queue is emptied too.
void fakeReset();
// Queues a message for the window, as input from the user would arrive.
void fakePostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// The number of messages waiting, the quit request not counted.
int fakeQueuedMessages();
// The window handle the fake hands out.
WindowHandle fakeWindow();
