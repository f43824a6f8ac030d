#include "shell/tray_icon.h"

#include "text/gbk.h"

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

TrayRetry::Next TrayRetry::attempted(bool added) {
    if (added) {
        retrying_ = false;
        return Next::Done;
    }
    if (!retrying_) {
        retrying_ = true;
        failedRetries_ = 0;
        return Next::Retry;
    }
    if (++failedRetries_ < retries_) return Next::Retry;
    retrying_ = false;
    return Next::GiveUp;
}

TrayMessage classifyTrayMessage(unsigned message, std::uintptr_t wParam, unsigned taskbarCreatedMessage,
                                bool handlerStored) {
    if (message == kMsgDestroy) return TrayMessage::Destroy;
    if (message == kTrayCallbackMessage && handlerStored) return TrayMessage::Mouse;
    if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) return TrayMessage::TaskbarCreated;
    if (message == kMsgTimer && wParam == kTrayRetryTimer) return TrayMessage::RetryTimer;
    return TrayMessage::PassOn;
}

std::string fitTrayTip(std::string_view tip) {
    const std::size_t limit = kTrayTipField - 1;
    if (tip.size() <= limit) return std::string(tip);
    std::size_t end = 0;
    while (end < limit) {
        const bool lead = isPlatformLeadByte(static_cast<unsigned char>(tip[end]));
        const std::size_t width = lead ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return std::string(tip.substr(0, end));
}

}  // namespace pelomar
