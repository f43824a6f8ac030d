// Where the running executable lives: its full path cut at the last
// backslash into the directory (no trailing separator, so "C:" at the root
// of a drive) and the file name. Wide text, so that any path works whatever
// the system's code page.
#pragma once

#include <string>
#include <string_view>

namespace pelomar {

struct ExeLocation {
    std::wstring directory;  // ExeDirectory
    std::wstring fileName;   // ExeFileName
};

ExeLocation splitExePath(std::wstring_view fullPath);

}  // namespace pelomar
