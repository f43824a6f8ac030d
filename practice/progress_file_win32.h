// The progress file on disk: Pelomar-practice.ini where the settings file is
// kept (beside the executable, or the user's folder where that refuses
// writing), saved quickly through the settings' safe-write path.
#pragma once

#include "practice/progress_store.h"
#include "settings/settings_file_win32.h"

namespace pelomar {

class ProgramProgressFile final : public ProgressFile {
public:
    ProgramProgressFile() : file_(kProgressFileName) {}

    SettingsText readText() override { return file_.file().readText(); }
    SaveResult writeText(std::string_view text) override { return file_.file().writeText(text, SaveMode::Quick); }
    bool setAside() override { return file_.file().setAside(kProgressSetAsideSuffix); }

private:
    ProgramFile file_;
};

}  // namespace pelomar
