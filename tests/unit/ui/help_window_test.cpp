#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "gbk_text.h"
#include "pelomar_version.h"
#include "text/texts.h"
#include "ui/help_window.h"
#include "ui/link_field.h"

using namespace pelomar;

namespace {

std::vector<std::string> paragraphs(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n\r\n", start);
        out.emplace_back(text.substr(start, end == std::string_view::npos ? text.npos : end - start));
        if (end == std::string_view::npos) return out;
        start = end + 4;
    }
}

// Decodes %XX escapes; the searches carry UTF-8.
std::string percentDecoded(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool color(Colour a, Colour b) { return a == b; }

}  // namespace

TEST_CASE("the help text: four paragraphs, the first three word for word") {
    const auto parts = paragraphs(text::kHelpText);
    REQUIRE(parts.size() == 4);
    CHECK(gbkToUtf8(parts[0]) ==
          "一款英语国际音标学习工具，提供了 48 个常用音标的读音和发音嘴型文字说明以及每个音标所对应的词组。");
    CHECK(gbkToUtf8(parts[1]) == "滑过或点击音标可以发出其读音或弹出音标信息（右键可设置）");
    CHECK(gbkToUtf8(parts[2]) ==
          "点击左边的“清辅音”，则连续朗读所有清辅音，点击“浊辅音”，连续朗读所有浊辅音，点击“辅音”，"
          "连续朗读所有的清辅音和浊辅音，点击“元音”（长元音、短元音和双元音）雷同");
    for (const std::string& p : parts) {
        CHECK_FALSE(p.empty());
        CHECK(p.find_first_of("\r\n") == std::string::npos);
        CHECK(gbkToUtf8(p).find('<') == std::string::npos);  // valid GBK throughout
    }
    CHECK(gbkToUtf8(text::kHelpTitle) == "信息：");
}

TEST_CASE("the about window's rows: captions, kinds, targets, all inside the client area") {
    const char* const captions[] = {"开发：", "博客：", "邮件：", "扣扣：", "地区：", "当前的软件名称及版本号："};
    const int clientWidth = kHelpWindowWidth - 10;
    const int clientHeight = kHelpWindowHeight - 10;
    for (int i = 0; i < kHelpRowCount; ++i) {
        CAPTURE(i);
        const HelpRow& row = helpRows()[i];
        CHECK(gbkToUtf8(row.caption) == captions[i]);
        CHECK(row.link.kind == (i == 2 ? LinkKind::Email : LinkKind::Web));
        const std::string target = linkTarget(row.link);
        CHECK((target.rfind("https://", 0) == 0 || target.rfind("mailto:", 0) == 0));
        CHECK(target.find_first_of(" \"") == std::string::npos);  // one word on a command line
        for (const FieldBox& box : {row.captionBox, row.linkBox}) {
            CHECK(box.height == 20);
            CHECK(box.left >= 0);
            CHECK(box.left + box.width <= clientWidth);
            CHECK(box.top + box.height <= clientHeight);
        }
        CHECK(row.linkBox.left >= row.captionBox.left + row.captionBox.width - 1);
    }
    CHECK(helpRows()[5].link.text == "Pelomar(Vok) v" PELOMAR_VERSION);
    CHECK(linkTarget(helpRows()[2].link) == "mailto:lin@example.com");
    // The two searches look for what their fields show.
    CHECK(percentDecoded(linkTarget(helpRows()[0].link)).ends_with("?q=" + gbkToUtf8(helpRows()[0].link.text)));
    CHECK(percentDecoded(linkTarget(helpRows()[4].link)).ends_with("?q=" + gbkToUtf8(helpRows()[4].link.text)));
}

TEST_CASE("link targets and what a field shows") {
    CHECK(linkTarget({"x", LinkKind::Web, "https://example.com/", "a@example.com"}) == "https://example.com/");
    CHECK(linkTarget({"x", LinkKind::Email, "https://example.com/", "a@example.com"}) == "mailto:a@example.com");
    CHECK(linkTarget({"x", LinkKind::Email, "https://example.com/", ""}).empty());
    CHECK(linkTarget({"x", LinkKind::Web, "", "a@example.com"}).empty());
    CHECK(linkDisplayText({"", LinkKind::Email, "", "a@example.com"}) == "mailto:a@example.com");
    CHECK(linkDisplayText({"", LinkKind::Web, "https://example.com/", ""}) == "https://example.com/");
    CHECK(linkDisplayText({"Pelomar", LinkKind::Web, "https://example.com/", ""}) == "Pelomar");
}

TEST_CASE("the fallback command line from the .htm browser's open command") {
    const std::wstring t = L"https://example.com/a?b=1";
    const std::wstring q = L"\"" + t + L"\"";
    // The quoted %1 goes with its opening quote; the blank before it stays.
    CHECK(fallbackCommandLine(L"\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\"", t) ==
          L"\"C:\\Program Files\\Web\\web.exe\" -nohome  " + q);
    CHECK(fallbackCommandLine(L"C:\\web.exe %1", t) == L"C:\\web.exe  " + q);
    CHECK(fallbackCommandLine(L"C:\\web.exe %1 --new", t) == L"C:\\web.exe  " + q);
    // A quoted %1 wins over an earlier bare one.
    CHECK(fallbackCommandLine(L"C:\\web.exe %1 -u \"%1\"", t) == L"C:\\web.exe %1 -u  " + q);
    CHECK(fallbackCommandLine(L"\"C:\\web.exe\" \"%1\" \"%1\"", t) == L"\"C:\\web.exe\"  " + q);
    // No %1 at all: the whole command, then the target.
    CHECK(fallbackCommandLine(L"\"C:\\web.exe\" -new-window", t) == L"\"C:\\web.exe\" -new-window " + q);
    CHECK(fallbackCommandLine(L"C:\\web.exe \"%2\"", t) == L"C:\\web.exe \"%2\" " + q);
    CHECK(fallbackCommandLine(L"C:\\\u7F51\u9875.exe %1", t) == L"C:\\\u7F51\u9875.exe  " + q);
    CHECK(fallbackCommandLine(L"rundll32 url.dll,FileProtocolHandler %1", t) ==
          L"rundll32 url.dll,FileProtocolHandler  " + q);
    CHECK(fallbackCommandLine(L"C:\\Windows\\rundll32.EXE \"C:\\Program Files\\u.dll\",Open %1", t) ==
          L"C:\\Windows\\rundll32.EXE \"C:\\Program Files\\u.dll\",Open  " + q);
    // A blank in the target stays inside its quotes; backslashes ahead of the closing one are doubled.
    CHECK(fallbackCommandLine(L"C:\\web.exe %1", L"C:\\my pages\\a b.htm") ==
          L"C:\\web.exe  \"C:\\my pages\\a b.htm\"");
    CHECK(fallbackCommandLine(L"C:\\web.exe %1", L"C:\\pages\\") == L"C:\\web.exe  \"C:\\pages\\\\\"");
    // No browser: nothing is run, rather than the target on its own.
    CHECK(fallbackCommandLine(L"", t).empty());
    CHECK(fallbackCommandLine(L"\"%1\"", t).empty());
    CHECK(fallbackCommandLine(L"  %1", t).empty());
    CHECK(fallbackCommandLine(L"C:\\web.exe %1", L"").empty());
    // An unquoted program path with a blank is refused: C:\Program.exe would be tried first.
    CHECK(fallbackCommandLine(L"C:\\Program Files\\Web\\web.exe -nohome \"%1\"", t).empty());
    CHECK(fallbackCommandLine(L" C:\\Program Files\\Web\\web.exe", t).empty());
    CHECK(fallbackCommandLine(L"C:\\Program Files\\Web\\web.EXE\t%1", t).empty());
    // A target with a quote would end its own quoting early.
    CHECK(fallbackCommandLine(L"C:\\web.exe %1", L"https://example.com/\"x").empty());
}

TEST_CASE("a link field: red under the pointer with the mouse captured, magenta once opened") {
    LinkState link;
    CHECK(color(link.textColour(), kLinkNormal));

    SUBCASE("hover in and out") {
        LinkEffect e = link.pointerMoved(true);
        CHECK((e.capture && e.redraw && !e.release && !e.open));
        CHECK(link.pointerOver());
        CHECK(color(link.textColour(), kLinkHover));
        e = link.pointerMoved(true);  // further moves inside change nothing
        CHECK((!e.capture && !e.redraw && !e.release));
        e = link.pointerMoved(false);
        CHECK((e.release && e.redraw && !e.capture));
        CHECK(color(link.textColour(), kLinkNormal));
        e = link.pointerMoved(false);
        CHECK((!e.release && !e.redraw));
    }
    SUBCASE("a click opens, visited shows when the pointer leaves") {
        link.pointerMoved(true);
        link.pressed(true);
        CHECK(link.released(true).open);
        CHECK(link.opened().redraw);
        CHECK(color(link.textColour(), kLinkHover));  // over wins over visited
        link.pointerMoved(false);
        CHECK(color(link.textColour(), kLinkVisited));
        CHECK(link.visited());
        link.pointerMoved(true);
        CHECK(color(link.textColour(), kLinkHover));
    }
    SUBCASE("only a press and a release inside make a click") {
        link.pointerMoved(true);
        link.pressed(true);
        CHECK_FALSE(link.released(false).open);
        link.pressed(false);
        CHECK_FALSE(link.released(true).open);
        CHECK_FALSE(link.released(true).open);  // a release with no press
        CHECK_FALSE(link.visited());
    }
    SUBCASE("a failed open leaves the colours as they were") {
        link.pressed(true);
        CHECK(link.released(true).open);
        CHECK(color(link.textColour(), kLinkNormal));
    }
    SUBCASE("losing the capture to another window ends the hover") {
        link.pointerMoved(true);
        link.pressed(true);
        CHECK(link.captureLost().redraw);
        CHECK_FALSE(link.pointerOver());
        CHECK_FALSE(link.released(true).open);
        CHECK_FALSE(link.captureLost().redraw);
        // Coming back over it captures again.
        CHECK(link.pointerMoved(true).capture);
    }
}
