#include "ui/help_window.h"

#include "pelomar_version.h"

namespace pelomar {
namespace {

constexpr int kRowHeight = 20;

// Made-up details: the name 林小舟, the studio 小舟工作室, the region
// 中国某省某市; the searches carry their UTF-8 percent-encoded.
constexpr std::array<HelpRow, kHelpRowCount> kRows = {{
    {"\xBF\xAA\xB7\xA2\xA3\xBA",  // 开发：
     {184, 195, 40, kRowHeight},
     {224, 195, 48, kRowHeight},
     {"\xC1\xD6\xD0\xA1\xD6\xDB", LinkKind::Web,  // 林小舟
      "https://www.example.com/search?q=%E6%9E%97%E5%B0%8F%E8%88%9F", ""}},
    {"\xB2\xA9\xBF\xCD\xA3\xBA",  // 博客：
     {184, 229, 40, kRowHeight},
     {224, 229, 90, kRowHeight},
     {"\xD0\xA1\xD6\xDB\xB9\xA4\xD7\xF7\xCA\xD2", LinkKind::Web, "https://blog.example.com/", ""}},  // 小舟工作室
    {"\xD3\xCA\xBC\xFE\xA3\xBA",  // 邮件：
     {184, 263, 40, kRowHeight},
     {224, 263, 102, kRowHeight},
     {"lin@example.com", LinkKind::Email, "", "lin@example.com"}},
    {"\xBF\xDB\xBF\xDB\xA3\xBA",  // 扣扣：
     {184, 297, 32, kRowHeight},
     {224, 297, 68, kRowHeight},
     {"88880000", LinkKind::Web, "https://im.example.com/chat?number=88880000", ""}},
    {"\xB5\xD8\xC7\xF8\xA3\xBA",  // 地区：
     {184, 333, 40, kRowHeight},
     {224, 333, 96, kRowHeight},
     {"\xD6\xD0\xB9\xFA\xC4\xB3\xCA\xA1\xC4\xB3\xCA\xD0", LinkKind::Web,  // 中国某省某市
      "https://www.example.com/search?q=%E4%B8%AD%E5%9B%BD%E6%9F%90%E7%9C%81%E6%9F%90%E5%B8%82", ""}},
    {"\xB5\xB1\xC7\xB0\xB5\xC4\xC8\xED\xBC\xFE\xC3\xFB\xB3\xC6\xBC\xB0\xB0\xE6\xB1\xBE\xBA\xC5\xA3\xBA",  // 当前的软件名称及版本号：
     {8, 360, 152, kRowHeight},
     {159, 360, 169, kRowHeight},
     {"Pelomar(Vok) v" PELOMAR_VERSION, LinkKind::Web, "https://www.example.com/pelomar/", ""}},
}};

}  // namespace

const std::array<HelpRow, kHelpRowCount>& helpRows() { return kRows; }

}  // namespace pelomar
