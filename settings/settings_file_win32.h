// The settings file on disk, by its wide path: read whole, replaced whole.
#pragma once

#include <string>

#include "settings/safe_write.h"
#include "settings/settings_store.h"

namespace pelomar {

class WindowsSettingsFile final : public SettingsFile, private ReplaceableFile {
public:
    explicit WindowsSettingsFile(std::wstring path);

    SettingsText readText() override;
    void writeText(std::string_view text) override;

private:
    bool exists() override;
    bool isReadOnly() override;
    TempResult writeTemporary(std::string_view text) override;
    bool replaceWithTemporary() override;
    void removeTemporary() override;
    bool rewriteInPlace(std::string_view text) override;

    std::wstring path_;
    std::wstring temporary_;
};

}  // namespace pelomar
