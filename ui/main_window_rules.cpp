#include "ui/main_window_rules.h"

namespace pelomar {

bool escapeClosesMainWindow(bool escCloses, unsigned message, unsigned virtualKey, int keys,
                            bool forMainWindowOrChild) {
    return escCloses && forMainWindowOrChild && (message == kMsgKeyDown || message == kMsgSysKeyDown) &&
           virtualKey == kVirtualKeyEscape && (keys & (kKeyCtrl | kKeyShift | kKeyAlt)) == 0;
}

bool isKeyboardMenuRequest(int x, int y) { return x == -1 && y == -1; }

int fittedOuterSize(int outer, int client, int wanted) {
    return static_cast<int>(static_cast<double>(outer) - client + wanted);
}

int centredOrigin(int screen, int size) { return (screen - size) / 2; }

}  // namespace pelomar
