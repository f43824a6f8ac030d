// Progress files of any bytes: the reader must never read past the end, and
// a usable file with answers and a rating added must read back as the old
// counts plus the new ones, keep every value's further fields, and change
// nothing when the same save is merged again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "practice/progress_book.h"
#include "settings/ini_file.h"
#include "text/texts.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelomar;
    if (size < 1) return 0;
    const int symbol = data[0] % kSymbolCount + 1;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const SettingsText text{SettingsText::State::Present, bytes};
    if (const auto value = ini::readValue(bytes, text::kProgressSection, std::to_string(symbol))) {
        if (const auto stored = parseRecord(*value)) {
            require(stored->record.right <= stored->record.asked);
            require(stored->record.box >= 0 && stored->record.box <= kTopBox);
            require(stored->record.alike <= stored->record.rated);
            const std::string formatted = formatRecord(stored->record, stored->rest);
            const auto again = parseRecord(formatted);
            require(again->rest == stored->rest);
            require(again->record.rated == stored->record.rated && again->record.alike == stored->record.alike);
        }
    }
    if (classifyProgressText(text) != ProgressTextKind::Usable) return 0;
    ProgressBook book;
    book.readFrom(bytes);
    const SymbolRecord before = book.record(symbol);
    book.recordAnswer(symbol, true);
    book.recordAnswer(symbol, false);
    book.recordRating(symbol, true);
    const std::string merged = book.mergedInto(bytes);
    ProgressBook reader;
    reader.readFrom(merged);
    const SymbolRecord after = reader.record(symbol);
    // Counts stop at nine digits.
    require(after.asked == std::min<std::uint32_t>(before.asked + 2, 999999999));
    require(after.right == std::min<std::uint32_t>(before.right + 1, after.asked));
    require(after.box == 1);
    require(after.rated == std::min<std::uint32_t>(before.rated + 1, 999999999));
    require(after.alike == std::min<std::uint32_t>(before.alike + 1, after.rated));
    for (int n = 1; n <= kSymbolCount; ++n)
        if (n != symbol) require(reader.record(n).asked == book.record(n).asked);
    book.saved(merged);
    require(!book.hasUnsaved());
    require(book.mergedInto(merged) == merged);
    return 0;
}
