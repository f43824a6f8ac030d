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

std::wstring fallbackCommandLine(std::wstring_view openCommand, std::wstring_view target) {
    if (openCommand.empty() || target.empty()) return {};
    std::size_t cut = openCommand.find(L"\"%1\"");
    if (cut == std::wstring_view::npos) cut = openCommand.find(L"%1");
    std::wstring line(openCommand.substr(0, cut));
    // Nothing but blanks before the cut would start the target itself.
    if (line.find_first_not_of(L" \t") == std::wstring::npos) return {};
    line += L' ';
    line += target;
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
