#include "app/command_line.h"

#include "text/gbk.h"
#include "text/texts.h"

namespace pelomar {
namespace {

bool isSpaceOrControl(char c) { return static_cast<unsigned char>(c) < '!'; }

// Appends the character at s[i] (two bytes for a lead byte) to out and returns
// the index after it. A lead byte that is the last byte is dropped.
size_t takeChar(std::string_view s, size_t i, std::string* out) {
    if (isSplitterLeadByte(static_cast<unsigned char>(s[i]))) {
        if (i + 1 >= s.size()) return s.size();
        if (out) out->append(s.substr(i, 2));
        return i + 2;
    }
    if (out) out->push_back(s[i]);
    return i + 1;
}

size_t skipProgramPath(std::string_view s) {
    size_t i = 0;
    if (!s.empty() && s[0] == '"') {
        i = 1;
        while (i < s.size() && s[i] != '"') i = takeChar(s, i, nullptr);
        if (i < s.size()) ++i;                       // the closing quote
        if (i < s.size() && s[i] == ' ') ++i;        // and one blank after it
        return i;
    }
    while (i < s.size() && s[i] != ' ') i = takeChar(s, i, nullptr);
    return i;
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view s) {
    std::vector<std::string> args;
    size_t i = skipProgramPath(s);
    for (;;) {
        while (i < s.size() && isSpaceOrControl(s[i])) ++i;
        if (i >= s.size()) break;
        std::string arg;
        if (s[i] == '"') {
            ++i;
            while (i < s.size() && s[i] != '"') i = takeChar(s, i, &arg);
            if (i < s.size()) ++i;  // closing quote
        } else {
            while (i < s.size() && !isSpaceOrControl(s[i]) && s[i] != '"') i = takeChar(s, i, &arg);
        }
        args.push_back(std::move(arg));
    }
    return args;
}

bool startsVisible(const std::vector<std::string>& arguments) {
    return arguments.empty() || arguments.front() != text::kHiddenArgument;
}

}  // namespace pelomar
