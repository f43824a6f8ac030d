#include "ui/message_pump_win32.h"

#include <mmsystem.h>

namespace pelomar {
namespace {

MessageFilter gFilter = nullptr;

void dispatch(MSG& msg) {
    if (gFilter && gFilter(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace

void setMessageFilter(MessageFilter filter) { gFilter = filter; }

void runMainLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
}

void processPendingEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) return;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            // Another message jumped the queue (quit is reported last); keep it for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatch(msg);
    }
}

void sleepPrecisely(int ms) {
    const bool raised = timeBeginPeriod(1) == TIMERR_NOERROR;
    Sleep(static_cast<DWORD>(ms));
    if (raised) timeEndPeriod(1);
}

}  // namespace pelomar
