#include <doctest/doctest.h>

#include <string>

#include "shell/tray_icon.h"
#include "text/texts.h"

using namespace pelomar;

TEST_CASE("tray mouse messages: a left press toggles, a right release opens the menu") {
    for (unsigned message = 0x200; message <= 0x20E; ++message) {
        CAPTURE(message);
        const TrayAction expected = message == 0x201   ? TrayAction::ToggleWindow
                                    : message == 0x205 ? TrayAction::ShowMenu
                                                       : TrayAction::None;
        CHECK(onTrayMouse(message) == expected);
    }
    CHECK(onTrayMouse(0) == TrayAction::None);

    // A double click arrives as press, release, double-click, release: one toggle.
    int toggles = 0;
    for (unsigned message : {0x201u, 0x202u, 0x203u, 0x202u})
        if (onTrayMouse(message) == TrayAction::ToggleWindow) ++toggles;
    CHECK(toggles == 1);
    // The right button acts on its release only.
    CHECK(onTrayMouse(0x204) == TrayAction::None);
}

TEST_CASE("a failed add is retried on a timer until it works or a minute has passed") {
    using Next = TrayRetry::Next;
    TrayRetry retry(3);
    CHECK(retry.attempted(true) == Next::Done);
    CHECK_FALSE(retry.retrying());
    // The shell is still starting: two retries fail, the third works.
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(retry.retrying());
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(retry.attempted(true) == Next::Done);
    CHECK_FALSE(retry.retrying());
    // It never comes: after the last retry the window is shown instead, once.
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(retry.attempted(false) == Next::GiveUp);
    CHECK_FALSE(retry.retrying());
    // A later failure (the taskbar re-created) starts a fresh round of retries.
    CHECK(retry.attempted(false) == Next::Retry);
    CHECK(TrayRetry().attempted(false) == Next::Retry);
    CHECK(kTrayRetryMs * kTrayRetries == 60000);
}

TEST_CASE("the subclassed procedure sorts messages: destroy, icon callback, taskbar re-created") {
    const unsigned taskbar = 0xC0F3;  // registered messages lie in 0xC000..0xFFFF
    CHECK(classifyTrayMessage(0x0002, 0, taskbar, true) == TrayMessage::Destroy);
    CHECK(classifyTrayMessage(0x0002, 0, taskbar, false) == TrayMessage::Destroy);
    CHECK(classifyTrayMessage(123456, 0, taskbar, true) == TrayMessage::Mouse);
    // Without a handler the callback message is passed on like any other.
    CHECK(classifyTrayMessage(123456, 0, taskbar, false) == TrayMessage::PassOn);
    CHECK(classifyTrayMessage(taskbar, 0, taskbar, true) == TrayMessage::TaskbarCreated);
    CHECK(classifyTrayMessage(taskbar, 0, taskbar, false) == TrayMessage::TaskbarCreated);
    for (unsigned message : {0x0000u, 0x0001u, 0x0010u, 0x0082u, 0x0111u, 0x0201u, taskbar + 1})
        CHECK(classifyTrayMessage(message, 0, taskbar, true) == TrayMessage::PassOn);
    // The retry timer is ours by its id; other timers of the window are passed on.
    CHECK(classifyTrayMessage(0x0113, kTrayRetryTimer, taskbar, true) == TrayMessage::RetryTimer);
    CHECK(classifyTrayMessage(0x0113, kTrayRetryTimer + 1, taskbar, true) == TrayMessage::PassOn);
    CHECK(classifyTrayMessage(0x0112, kTrayRetryTimer, taskbar, true) == TrayMessage::PassOn);
    // A failed registration (0) must not turn WM_NULL into a re-add.
    CHECK(classifyTrayMessage(0x0000, 0, 0, true) == TrayMessage::PassOn);
}

TEST_CASE("the tip fits the record's 128-byte field with its terminating zero") {
    CHECK(fitTrayTip(text::kTrayTip) == "Pelomar(Vok)");
    CHECK(fitTrayTip("") == "");
    CHECK(fitTrayTip(std::string(127, 'a')) == std::string(127, 'a'));
    CHECK(fitTrayTip(std::string(128, 'a')) == std::string(127, 'a'));
    CHECK(fitTrayTip(std::string(1000, 'a')).size() == 127);

    // A double-byte character that would straddle the limit is left out whole.
    const std::string han = "\xD2\xF4";  // 音
    std::string tip(126, 'a');
    tip += han + "bb";
    CHECK(fitTrayTip(tip) == std::string(126, 'a'));
    std::string even(125, 'a');
    even += han + han;
    CHECK(fitTrayTip(even) == std::string(125, 'a') + han);
    // A trail byte that looks like ASCII (0x40..0x7E) belongs to its lead byte.
    std::string trail;
    for (int i = 0; i < 70; ++i) trail += "\x81\x41";  // 丂 repeated
    const std::string cut = fitTrayTip(trail);
    CHECK(cut.size() == 126);
    CHECK(cut.back() == '\x41');
}
