// The bytes other programs and users know the program's texts by: the
// settings file, the menu, the hidden-start argument, the title and the
// start-up entry. Written out here by hand, so that neither the table of
// texts nor the step that turns it into constants can change them unseen.
#include <doctest/doctest.h>

#include "pelomar_version.h"
#include "settings_keys.h"
#include "settings/context_menu.h"
#include "settings/options.h"
#include "shell/autostart.h"
#include "text/texts.h"

using namespace pelomar;

TEST_CASE("the settings file: its section, the eleven keys in order, true and false") {
    CHECK(text::kSettingsSection == "\xB2\xCB\xB5\xA5\xC5\xE4\xD6\xC3");  // 菜单配置
    for (int i = 0; i < kOptionCount; ++i) {
        CAPTURE(i);
        CHECK(optionTable()[i].key == kSettingsKeys[i]);
    }
    CHECK(text::kValueTrue == "\xD5\xE6");   // 真
    CHECK(text::kValueFalse == "\xBC\xD9");  // 假
}

TEST_CASE("the menu's 22 captions") {
    const char* const ctrl = " Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4";  // " Ctrl键时忽略"
    const char* const captions[kMenuRowCount] = {
        "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4", ctrl, "-",  // 移过时发音
        "\xD2\xC6\xB9\xFD\xCA\xB1\xB5\xAF\xB3\xF6", ctrl, "-",  // 移过时弹出
        "\xB5\xE3\xBB\xF7\xCA\xB1\xB7\xA2\xD2\xF4", ctrl, "-",  // 点击时发音
        "\xB5\xE3\xBB\xF7\xCA\xB1\xB5\xAF\xB3\xF6", ctrl, "-",  // 点击时弹出
        "\xB1\xA3\xB3\xD6\xC7\xB0\xB6\xCB",                     // 保持前端
        "Esc\xBC\xFC\xCD\xCB\xB3\xF6",                          // Esc键退出
        "\xCB\xE6\xCF\xB5\xCD\xB3\xC6\xF4\xB6\xAF", "-",        // 随系统启动
        "\xCC\xFD\xD2\xF4\xC1\xB7\xCF\xB0",                     // 听音练习
        "\xB0\xEF\xD6\xFA",                                     // 帮助
        "\xB9\xD8\xD3\xDA", "-",                                // 关于
        "\xC8\xA1\xCF\xFB\xB2\xCB\xB5\xA5",                     // 取消菜单
        "\xCD\xCB\xB3\xF6",                                     // 退出
    };
    for (int i = 0; i < kMenuRowCount; ++i) {
        CAPTURE(i);
        CHECK(captionOf(menuRows()[i]) == captions[i]);
    }
}

TEST_CASE("the hidden argument, the title and the start-up entry") {
    CHECK(text::kHiddenArgument == "\xD2\xFE\xB2\xD8");  // 隐藏
    CHECK(text::wide::kHiddenArgument == L"\u9690\u85CF");
    CHECK(text::kMainTitle == "Pelomar(Vok) " PELOMAR_VERSION " - \xD3\xD2\xBC\xFC\xC9\xE8\xD6\xC3");  // 右键设置
    CHECK(text::kTrayTip == "Pelomar(Vok)");
    const RegistryLocation where = splitRegistryLocation(text::kAutostartLocation);
    CHECK(where.key == "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    CHECK(where.valueName == "Pelomar(Vok)");
}
