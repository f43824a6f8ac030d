// The settings file on disk, by its wide path: read whole, replaced whole
// through "<path>.tmp", retried for a moment while another program holds it.
#pragma once

#include <string>

#include "settings/safe_write.h"
#include "settings/settings_store.h"

namespace pelomar {

class WindowsSettingsFile final : public SettingsFile, private ReplaceableFile {
public:
    explicit WindowsSettingsFile(std::wstring path);
    ~WindowsSettingsFile() override;
    WindowsSettingsFile(const WindowsSettingsFile&) = delete;
    WindowsSettingsFile& operator=(const WindowsSettingsFile&) = delete;

    SettingsText readText() override;
    void writeText(std::string_view text) override;
    void removeLeftovers() override;

private:
    bool exists() override;
    bool isReadOnly() override;
    FileError holdTemporary() override;
    bool temporaryPresent() override;
    bool writeTemporary(std::string_view text) override;
    FileError replaceWithTemporary() override;
    void removeTemporary() override;
    FileError rewriteInPlace(std::string_view text) override;
    void pause(int milliseconds) override;

    std::wstring path_;
    std::wstring temporary_;
    void* held_ = nullptr;  // the temporary file's handle while a save holds it
};

}  // namespace pelomar
