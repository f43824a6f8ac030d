// The about window's layout: its size and place, the portrait box and six
// rows of a caption and a link. The personal details are placeholders.
#pragma once

#include <array>
#include <string_view>

#include "ui/link_field.h"

namespace pelomar {

inline constexpr int kHelpWindowWidth = 356;   // outer; the client area is 346 x 385
inline constexpr int kHelpWindowHeight = 395;
inline constexpr Colour kHelpBackground{255, 255, 255};

// The fields' font: SimSun (text::kHelpFontFace), 12 pixels, normal weight,
// GB2312 character set.
inline constexpr int kHelpFontHeight = -12;
inline constexpr int kHelpFontWeight = 400;

struct FieldBox {
    int left, top, width, height;
};

inline constexpr FieldBox kPortraitBox{8, 198, 150, 150};

struct HelpRow {
    std::string_view caption;  // GBK
    FieldBox captionBox;
    FieldBox linkBox;
    LinkSpec link;
};

inline constexpr int kHelpRowCount = 6;
const std::array<HelpRow, kHelpRowCount>& helpRows();

}  // namespace pelomar
