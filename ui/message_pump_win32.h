// The user-interface thread's message handling: the main loop, and the
// dispatch of already-queued messages used while a group is read aloud.
// Both pass every message through the same pre-translation filter first.
#pragma once

#include <windows.h>

#include "ui/group_reader.h"
#include "ui/highlight.h"
#include "ui/main_window_win32.h"

namespace pelomar {

// Returns true when it consumed the message.
using MessageFilter = bool (*)(MSG& message);
void setMessageFilter(MessageFilter filter);

// Gets, filters, translates and dispatches until a quit request arrives.
void runMainLoop();

// Dispatches every message already queued and returns when the queue is
// empty. A quit request at the head of the queue is left there for the main
// loop and ends the dispatching.
void processPendingEvents();

// The system timer at 1 ms resolution while at least one caller wants it.
// At Windows' default resolution of 15.6 ms a 10 ms sleep lasts 15.6 ms,
// which would stretch the press animation to 94 ms and a group reading's
// second to 1.56 s. Calls nest; only a raise that succeeded is undone.
void fineTimer(bool on);

// The user-interface thread's dispatch and plain waits, as the pointer
// handling and the group reading use them.
class MessagePump final : public EventPump, public Sleeper {
public:
    explicit MessagePump(const MainWindow& mainWindow) : mainWindow_(mainWindow) {}
    void processPendingEvents() override { pelomar::processPendingEvents(); }
    bool mainWindowExists() override { return mainWindow_.exists(); }
    void sleepMs(int ms) override { Sleep(static_cast<DWORD>(ms)); }
    void fineTimer(bool on) override { pelomar::fineTimer(on); }

private:
    const MainWindow& mainWindow_;
};

}  // namespace pelomar
