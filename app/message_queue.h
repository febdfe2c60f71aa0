// A Win32-like message queue for ports whose system has none of its own (the
// browser port): messages in arrival order, and a quit request that comes out
// as MSG_QUIT once every message queued before it has been taken.
#pragma once

#include "app/platform.h"

// Appends a message.
void queuePost(const PlatMessage& message);
// Takes the next message, or the pending quit; false when there is neither.
bool queueTake(PlatMessage* message);
// True while a message or a quit request waits.
bool queueWaiting();
// Records a quit request with its exit code (a second one replaces the code).
void queuePostQuit(int exitCode);
