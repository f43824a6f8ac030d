// The settings file on disk, by its wide path: read whole, replaced whole
// through "<path>.tmp", retried for a moment while another program holds it,
// never written or moved through a link. A link is told by the file's final
// path: Windows resolves a link there, and so does Wine, which otherwise
// shows a Unix link to a file as the file itself.
#pragma once

#include <string>

#include "settings/file_place.h"
#include "settings/safe_write.h"
#include "settings/settings_store.h"

namespace pelomar {

class WindowsSettingsFile final : public FilePlace, private ReplaceableFile {
public:
    explicit WindowsSettingsFile(std::wstring path);
    ~WindowsSettingsFile() override;
    WindowsSettingsFile(const WindowsSettingsFile&) = delete;
    WindowsSettingsFile& operator=(const WindowsSettingsFile&) = delete;

    SettingsText readText() override;
    SaveResult writeText(std::string_view text, SaveMode mode = SaveMode::Durable) override;
    void removeLeftovers() override;
    bool exists() override;
    bool refusesWriting() override;
    void makeFolder() override;
    bool setAside(std::wstring_view suffix) override;

private:
    bool isReadOnly() override;
    FileError makeTemporary() override;
    FileError clearTemporary() override;
    bool temporaryPresent() override;
    bool writeTemporary(std::string_view text, SaveMode mode) override;
    FileError replaceWithTemporary(SaveMode mode) override;
    void removeTemporary() override;
    FileError rewriteInPlace(std::string_view text, SaveMode mode) override;
    FileError openInPlace() override;
    void pause(int milliseconds) override;

    FileError coverTemporaryLink();

    std::wstring path_;
    std::wstring temporary_;
    void* held_ = nullptr;  // the temporary file's handle while a save holds it
};

// One of the program's own files, by name, in its place: beside the
// executable or in the user's folder (file_place.h). The paths are formed
// when it is made.
class ProgramFile {
public:
    explicit ProgramFile(std::wstring_view name);
    PlacedFile& file() { return placed_; }

private:
    FilePaths paths_;
    WindowsSettingsFile beside_;
    WindowsSettingsFile user_;
    PlacedFile placed_;
};

}  // namespace pelomar
