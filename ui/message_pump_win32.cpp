#include "ui/message_pump_win32.h"

#include <mmsystem.h>

#include "media/winmm_win32.h"

#include <vector>

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

void fineTimer(bool on) {
    static std::vector<bool> raised;  // per open bracket, innermost last: whether its raise succeeded
    if (on) {
        raised.push_back(winmm() && winmm()->timeBeginPeriod(1) == TIMERR_NOERROR);
        return;
    }
    if (raised.empty()) return;
    if (raised.back()) winmm()->timeEndPeriod(1);
    raised.pop_back();
}

}  // namespace pelomar
