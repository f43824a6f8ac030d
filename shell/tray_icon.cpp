#include "shell/tray_icon.h"

namespace pelomar {

TrayAction onTrayMouse(unsigned mouseMessage) {
    switch (mouseMessage) {
    case kMsgLeftDown:
        return TrayAction::ToggleWindow;
    case kMsgRightUp:
        return TrayAction::ShowMenu;
    default:
        return TrayAction::None;
    }
}

WindowToggle toggleWindow(bool visible, bool minimised) {
    return visible && !minimised ? WindowToggle::Hide : WindowToggle::Restore;
}

TrayMessage classifyTrayMessage(unsigned message, unsigned taskbarCreatedMessage, bool handlerStored) {
    if (message == kMsgDestroy) return TrayMessage::Destroy;
    if (message == kTrayCallbackMessage && handlerStored) return TrayMessage::Mouse;
    if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) return TrayMessage::TaskbarCreated;
    return TrayMessage::PassOn;
}

std::string fitTrayTip(std::string_view tip) {
    const std::size_t limit = kTrayTipField - 1;
    if (tip.size() <= limit) return std::string(tip);
    std::size_t end = 0;
    while (end < limit) {
        const bool lead = static_cast<unsigned char>(tip[end]) >= 0x81;
        const std::size_t width = lead ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return std::string(tip.substr(0, end));
}

}  // namespace pelomar
