#include "ui/help_window.h"

#include "text/texts.h"

namespace pelomar {
namespace {

constexpr int kRowHeight = 20;

// Made-up details; the searches carry what their fields show, UTF-8
// percent-encoded.
constexpr std::array<HelpRow, kHelpRowCount> kRows = {{
    {text::kHelpCaptionDeveloper,
     {184, 195, 40, kRowHeight},
     {224, 195, 48, kRowHeight},
     {text::kHelpLinkDeveloper, LinkKind::Web, "https://www.example.com/search?q=%E6%9E%97%E5%B0%8F%E8%88%9F", ""}},
    {text::kHelpCaptionBlog,
     {184, 229, 40, kRowHeight},
     {224, 229, 90, kRowHeight},
     {text::kHelpLinkBlog, LinkKind::Web, "https://blog.example.com/", ""}},
    {text::kHelpCaptionEmail,
     {184, 263, 40, kRowHeight},
     {224, 263, 102, kRowHeight},
     {text::kHelpLinkEmail, LinkKind::Email, "", text::kHelpLinkEmail}},
    {text::kHelpCaptionMessenger,
     {184, 297, 32, kRowHeight},
     {224, 297, 68, kRowHeight},
     {text::kHelpLinkMessenger, LinkKind::Web, "https://im.example.com/chat?number=88880000", ""}},
    {text::kHelpCaptionRegion,
     {184, 333, 40, kRowHeight},
     {224, 333, 96, kRowHeight},
     {text::kHelpLinkRegion, LinkKind::Web,
      "https://www.example.com/search?q=%E4%B8%AD%E5%9B%BD%E6%9F%90%E7%9C%81%E6%9F%90%E5%B8%82", ""}},
    {text::kHelpCaptionVersion,
     {8, 360, 152, kRowHeight},
     {159, 360, 169, kRowHeight},
     {text::kHelpLinkVersion, LinkKind::Web, "https://www.example.com/pelomar/", ""}},
}};

}  // namespace

const std::array<HelpRow, kHelpRowCount>& helpRows() { return kRows; }

}  // namespace pelomar
