// The text of the help box: four paragraphs, each break CR LF CR LF, and the
// box's title. GBK bytes.
#pragma once

#include <string_view>

namespace pelomar {

std::string_view helpText();

inline constexpr std::string_view kHelpTitle = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：

}  // namespace pelomar
