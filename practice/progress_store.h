// The progress file read when the practice window opens and saved while it
// is used. A file that cannot be read as the progress text is set aside as
// "<name>.bad" (replacing an older one) and practice starts afresh; when
// even that fails, the window keeps its results in memory only and never
// writes the file.
#pragma once

#include <string_view>

#include "practice/progress_book.h"
#include "settings/safe_write.h"
#include "settings/settings_store.h"

namespace pelomar {

// The progress file in its place (beside the executable or in the user's
// folder, wherever the settings file is kept).
class ProgressFile {
public:
    virtual ~ProgressFile() = default;
    virtual SettingsText readText() = 0;
    // Replaces the text through the safe-write path, without forcing it to
    // the disk: a save must not hold the window up.
    virtual SaveResult writeText(std::string_view text) = 0;
    // Renames the file to "<name>.bad", replacing one of that name; false
    // when it could not be renamed.
    virtual bool setAside() = 0;
};

class ProgressStore {
public:
    explicit ProgressStore(ProgressFile& file) : file_(file) {}

    void load(ProgressBook& book);
    // Adds the book's unsaved answers to the file as it is now. True when
    // the file holds them; false when the save failed (they stay unsaved,
    // for the next try) or the results are kept in memory only.
    bool save(ProgressBook& book);
    bool inMemoryOnly() const { return memoryOnly_; }

private:
    // The text to build on: the file's, "" for a fresh start; false when it
    // is bad and could not be set aside.
    bool baseText(std::string& out);

    ProgressFile& file_;
    bool memoryOnly_ = false;
};

}  // namespace pelomar
