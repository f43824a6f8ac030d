#include "ui/link_field.h"

namespace pelomar {

std::string linkTarget(const LinkSpec& link) {
    if (link.kind == LinkKind::Email) {
        if (link.emailAddress.empty()) return {};
        return "mailto:" + std::string(link.emailAddress);
    }
    return std::string(link.webAddress);
}

std::string linkDisplayText(const LinkSpec& link) {
    return link.text.empty() ? linkTarget(link) : std::string(link.text);
}

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

// The program path of an unquoted command: up to the end of its first
// ".exe" that ends a word, or else its first word.
std::wstring_view unquotedProgramPath(std::wstring_view command) {
    constexpr std::wstring_view kExe = L".exe";
    for (std::size_t end = kExe.size(); end <= command.size(); ++end) {
        if (end < command.size() && !isBlank(command[end])) continue;
        bool exe = true;
        for (std::size_t i = 0; i < kExe.size(); ++i) exe = exe && asciiLower(command[end - kExe.size() + i]) == kExe[i];
        if (exe) return command.substr(0, end);
    }
    return command.substr(0, command.find_first_of(L" \t"));
}

}  // namespace

std::wstring fallbackCommandLine(std::wstring_view openCommand, std::wstring_view target) {
    if (openCommand.empty() || target.empty() || target.find(L'"') != std::wstring_view::npos) return {};
    std::size_t cut = openCommand.find(L"\"%1\"");
    if (cut == std::wstring_view::npos) cut = openCommand.find(L"%1");
    std::wstring line(openCommand.substr(0, cut));
    // Nothing but blanks before the cut would start the target itself.
    const std::size_t start = line.find_first_not_of(L" \t");
    if (start == std::wstring::npos) return {};
    if (line[start] != L'"') {
        const std::wstring_view program = unquotedProgramPath(std::wstring_view(line).substr(start));
        if (program.find_first_of(L" \t") != std::wstring_view::npos) return {};
    }
    line += L" \"";
    line += target;
    // Backslashes right before a closing quote would escape it.
    const std::size_t lastOther = target.find_last_not_of(L'\\');
    line.append(lastOther == std::wstring_view::npos ? target.size() : target.size() - lastOther - 1, L'\\');
    line += L'"';
    return line;
}

LinkEffect LinkState::pointerMoved(bool inside) {
    LinkEffect effect;
    if (!over_ && inside) {
        over_ = true;
        effect.redraw = true;
        effect.capture = true;
    } else if (over_ && !inside) {
        over_ = false;
        effect.release = true;
        effect.redraw = true;
    }
    return effect;
}

LinkEffect LinkState::pressed(bool inside) {
    pressed_ = inside;
    return {};
}

LinkEffect LinkState::released(bool inside) {
    LinkEffect effect;
    effect.open = pressed_ && inside;
    pressed_ = false;
    return effect;
}

LinkEffect LinkState::captureLost() {
    LinkEffect effect;
    pressed_ = false;
    if (over_) {
        over_ = false;
        effect.redraw = true;
    }
    return effect;
}

LinkEffect LinkState::opened() {
    LinkEffect effect;
    if (!visited_) effect.redraw = true;
    visited_ = true;
    return effect;
}

Colour LinkState::textColour() const {
    if (over_) return kLinkHover;
    if (visited_) return kLinkVisited;
    return kLinkNormal;
}

}  // namespace pelomar
