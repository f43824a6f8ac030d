#include "ui/group_reader.h"

#include <charconv>
#include <cstdint>

namespace pelomar {

std::vector<int> memberSymbols(std::string_view members) {
    std::vector<int> symbols;
    for (;;) {
        const std::size_t blank = members.find(' ');
        const std::string_view piece = members.substr(0, blank);
        int n = 0;
        const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), n);
        if (error == std::errc() && end == piece.data() + piece.size() && n >= 1 && n <= kSymbolCount)
            symbols.push_back(n);
        if (blank == std::string_view::npos) break;
        members.remove_prefix(blank + 1);
    }
    return symbols;
}

GroupReader::GroupReader(const SymbolChart& chart, ChartCanvas& canvas, Sleeper& sleeper, SoundActions& sound,
                         EventPump& pump)
    : chart_(chart), canvas_(canvas), sleeper_(sleeper), sound_(sound), pump_(pump) {}

void GroupReader::readGroup(std::string_view members) {
    const std::vector<int> symbols = memberSymbols(members);
    stopReading = 0;
    // Once for the whole reading: its waits are a hundred 10 ms steps a member.
    const FineTimer fine(sleeper_);
    for (int n : symbols) {
        const HitRegion cell = chart_.symbolRegion(n);
        drawHighlight(canvas_, sleeper_, cell, PointerEventKind::Press);
        drawHighlight(canvas_, sleeper_, cell, PointerEventKind::Release);
        sound_.playSymbol(n);
        responsiveWait(kMemberWaitMs);
        // A later action (possibly a nested reading that has ended) asked us to stop.
        if (stopReading != 0) break;
        if (!pump_.mainWindowExists()) break;
    }
    stopReading = 1;
}

void GroupReader::responsiveWait(int ms) {
    if (ms <= 0) return;
    for (std::int64_t waited = 0; waited < ms; waited += kWaitStepMs) {
        pump_.processPendingEvents();
        sleeper_.sleepMs(kWaitStepMs);
    }
    pump_.processPendingEvents();
}

}  // namespace pelomar
