#include "app/message_queue.h"

#include <cstddef>
#include <deque>

namespace {

std::deque<PlatMessage> messages;
bool quitPending = false;
int quitCode = 0;
size_t messagesBeforeQuit = 0;  // queued messages still ahead of the quit request

}  // namespace

void queuePost(const PlatMessage& message) { messages.push_back(message); }

// Newer messages never hold the quit back: it goes out after those that
// were queued before it, even while input keeps arriving.
bool queueTake(PlatMessage* message) {
    if (quitPending && messagesBeforeQuit == 0) {
        quitPending = false;
        *message = {nullptr, MSG_QUIT, static_cast<uintptr_t>(quitCode), 0};
        return true;
    }
    if (messages.empty()) return false;
    *message = messages.front();
    messages.pop_front();
    if (quitPending) --messagesBeforeQuit;
    return true;
}

bool queueWaiting() { return quitPending || !messages.empty(); }

void queuePostQuit(int exitCode) {
    if (!quitPending) messagesBeforeQuit = messages.size();
    quitPending = true;
    quitCode = exitCode;
}
