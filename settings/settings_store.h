// The eleven options kept in the settings file beside the executable (or,
// where that folder may not be written, in the user's own folder: see
// file_place.h). Their live values are the check marks of the options menu;
// loading sets the marks from the file, saving writes them back.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "settings/context_menu.h"
#include "settings/safe_write.h"
#include "shell/exe_path.h"

namespace pelomar {

inline constexpr std::wstring_view kSettingsFileName = L"Pelomar.ini";
// ExeDirectory + "\Pelomar.ini".
std::wstring settingsFilePath(const ExeLocation& exe);

// The whole text of the settings file.
struct SettingsText {
    enum class State {
        Missing,     // no file: every option keeps its current value
        Present,
        Unreadable,  // there, but it could not be read: left alone
    };
    State state = State::Missing;
    std::string bytes;
};

class SettingsFile {
public:
    virtual ~SettingsFile() = default;
    virtual SettingsText readText() = 0;
    // Replaces the file's text; a failure leaves the old file as it was.
    virtual SaveResult writeText(std::string_view text, SaveMode mode = SaveMode::Durable) = 0;
    // Nothing to write: clears what a killed earlier write left beside the file.
    virtual void removeLeftovers() = 0;
};

// Called right after an option that acts on the system has been read.
using ApplyOption = std::function<void(Option option)>;

// Sets each option's mark from the file, in option order; a missing file,
// section or key keeps the current mark, any value but exactly 真 is off.
void loadSettings(ContextMenu& menu, SettingsFile& file, const ApplyOption& apply);

// Writes all eleven marks as 真 or 假 into the file's text, keeping the rest
// of it but the blanks a killed in-place rewrite left at its end, and writes
// the file once if anything changed; a save that writes nothing removes the
// leftovers of a killed one instead.
void saveSettings(const ContextMenu& menu, SettingsFile& file);

// The file's new text after the eleven updates.
std::string settingsText(const ContextMenu& menu, std::string_view current);

}  // namespace pelomar
