// Splitting the process command line into arguments, the program path
// skipped. Works on the raw ANSI (GBK) bytes and never splits a double-byte
// character, so a trail byte is never taken for a quote or a blank.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelomar {

std::vector<std::string> splitCommandLine(std::string_view commandLine);

// True unless the first argument is exactly the hidden argument, "隐藏"
// (text::kHiddenArgument).
bool startsVisible(const std::vector<std::string>& arguments);

}  // namespace pelomar
