// The settings file under a kill: a program that saves it over and over,
// to be killed at a random moment by bench/settings_kill_bench.py (and by
// the end-to-end settings test), and the one save that follows a kill.
//
//   settings_kill_win32_bench.exe loop FOLDER [in-place]
//       Saves FOLDER\Pelomar.ini once with the long text, prints "ready",
//       then saves the short and the long text alternately until killed.
//       With in-place, directories of the temporary files' names (this
//       program's, and the one an older build named after its process id)
//       keep any temporary file from being made, as in a folder that
//       refuses new files: every save rewrites the file in place.
//   settings_kill_win32_bench.exe save FOLDER
//       Loads the options from the file and saves them with the first one
//       turned over: one save that writes.
//   settings_kill_win32_bench.exe keep FOLDER
//       Loads the options and saves them unchanged: a save with nothing to
//       write.
//
// The short text is the settings section with every option off; the long
// one a section "[notes]" with a line of 400 dashes, then the settings
// section with every option on.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/settings_file_win32.h"
#include "settings/settings_store.h"

using namespace pelomar;

namespace {

std::wstring wide(const char* s) {
    std::wstring out(std::strlen(s) + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

std::string textWith(bool on, std::string_view before) {
    ContextMenu menu;
    for (const OptionInfo& o : optionTable()) menu.setOption(o.option, on);
    return settingsText(menu, before);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s loop|save|keep FOLDER [in-place]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const std::wstring folder = wide(argv[2]);
    const std::wstring path = folder + L"\\Pelomar.ini";
    WindowsSettingsFile file(path);

    if (mode == "save" || mode == "keep") {
        ContextMenu menu;
        loadSettings(menu, file, nullptr);
        if (mode == "save") menu.setOption(Option::HoverSound, !menu.option(Option::HoverSound));
        saveSettings(menu, file);
        return 0;
    }

    const std::string shortText = textWith(false, {});
    const std::string longText = textWith(true, "[notes]\r\nline=" + std::string(400, '-') + "\r\n");
    file.writeText(longText);
    if (argc > 3 && std::strcmp(argv[3], "in-place") == 0) {
        CreateDirectoryW((path + L".tmp").c_str(), nullptr);
        CreateDirectoryW((path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp").c_str(), nullptr);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (unsigned long round = 0;; ++round) file.writeText(round % 2 ? longText : shortText);
}
