// Where one of the program's own files is kept. Beside the executable, as
// always; but where that folder, or the file in it, may not be written (a
// copy in Program Files run by a standard user, a write-protected medium),
// a save that is refused there goes to the user's own folder instead:
// Pelomar under the local application-data folder, made on the first save
// there. Loading reads the file in the user's folder while it exists and
// the executable's folder still refuses writing; otherwise the file beside
// the executable, so that a copy moved somewhere writable is itself again.
// Both places keep the same text and the same rules of writing it.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace pelomar {

struct FilePaths {
    std::wstring besideProgram;  // <executable's folder>\<name>
    std::wstring userFolder;     // <local application data>\Pelomar\<name>; empty when there is no such folder
};

FilePaths filePaths(std::wstring_view exeDirectory, std::wstring_view localAppData, std::wstring_view name);

// One of the two places, with what the choice needs to find out by trying.
class FilePlace : public SettingsFile {
public:
    virtual bool exists() = 0;
    // Whether a save here would be refused; writes nothing.
    virtual bool refusesWriting() = 0;
    // Makes the folder the file goes in, if it is not there.
    virtual void makeFolder() = 0;
    // Renames the file to its name and the suffix, replacing a file of that
    // name; false when it could not be renamed.
    virtual bool setAside(std::wstring_view suffix) = 0;
};

// The file in whichever place it is kept; the place is chosen at first use.
// Without a user's folder (null) the file is only ever beside the executable.
class PlacedFile final : public SettingsFile {
public:
    PlacedFile(FilePlace& besideProgram, FilePlace* userFolder) : beside_(besideProgram), user_(userFolder) {}

    SettingsText readText() override;
    SaveResult writeText(std::string_view text, SaveMode mode = SaveMode::Durable) override;
    void removeLeftovers() override;
    // The file in its place is renamed (see FilePlace::setAside).
    bool setAside(std::wstring_view suffix);

private:
    FilePlace& place();

    FilePlace& beside_;
    FilePlace* user_;
    FilePlace* chosen_ = nullptr;
};

}  // namespace pelomar
