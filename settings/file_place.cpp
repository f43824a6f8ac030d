#include "settings/file_place.h"

namespace pelomar {

FilePaths filePaths(std::wstring_view exeDirectory, std::wstring_view localAppData, std::wstring_view name) {
    FilePaths paths{std::wstring(exeDirectory) + L"\\" + std::wstring(name), {}};
    if (!localAppData.empty()) {
        std::wstring folder(localAppData);
        if (folder.back() != L'\\') folder += L'\\';
        paths.userFolder = folder + L"Pelomar\\" + std::wstring(name);
    }
    return paths;
}

// The executable's folder is tried only when there is a file in the user's
// folder to choose.
FilePlace& PlacedFile::place() {
    if (!chosen_) chosen_ = user_ && user_->exists() && beside_.refusesWriting() ? user_ : &beside_;
    return *chosen_;
}

SettingsText PlacedFile::readText() { return place().readText(); }

SaveResult PlacedFile::writeText(std::string_view text, SaveMode mode) {
    const SaveResult result = place().writeText(text, mode);
    if (result != SaveResult::Refused || !user_ || chosen_ == user_) return result;
    chosen_ = user_;
    user_->makeFolder();
    return user_->writeText(text, mode);
}

void PlacedFile::removeLeftovers() { place().removeLeftovers(); }

bool PlacedFile::setAside(std::wstring_view suffix) { return place().setAside(suffix); }

}  // namespace pelomar
