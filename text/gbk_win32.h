// The program's texts are GBK bytes; Windows gets them as UTF-16, converted
// from code page 936 whatever the system's ANSI code page is.
#pragma once

#include <string>
#include <string_view>

#include "text/gbk.h"

namespace pelomar {

std::wstring gbkToWide(std::string_view gbk);
std::string wideToGbk(std::wstring_view wide);

}  // namespace pelomar
