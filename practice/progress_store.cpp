#include "practice/progress_store.h"

#include <string>

namespace pelomar {

bool ProgressStore::baseText(std::string& out) {
    const SettingsText text = file_.readText();
    switch (classifyProgressText(text)) {
    case ProgressTextKind::Usable:
        // Without what a killed in-place rewrite left at its end.
        out.assign(withoutPadding(text.bytes));
        return true;
    case ProgressTextKind::Missing:
        out.clear();
        return true;
    case ProgressTextKind::Bad:
        break;
    }
    out.clear();
    if (file_.setAside()) return true;
    memoryOnly_ = true;
    return false;
}

void ProgressStore::load(ProgressBook& book) {
    std::string text;
    if (baseText(text)) book.readFrom(text);
}

bool ProgressStore::save(ProgressBook& book) {
    if (memoryOnly_) return false;
    if (!book.hasUnsaved()) return true;
    std::string text;
    if (!baseText(text)) return false;
    const std::string merged = book.mergedInto(text);
    if (file_.writeText(merged) != SaveResult::Saved) return false;
    book.saved(merged);
    return true;
}

}  // namespace pelomar
