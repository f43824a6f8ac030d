// Folders the system keeps for the current user, and paths in long form.
// SHELL32 is loaded with the program anyway; nothing here needs OLE32 or
// reads the environment.
#pragma once

#include <string>

namespace pelomar {

// The local application-data folder (SHGetFolderPathW, CSIDL_LOCAL_APPDATA);
// empty when the system names none.
std::wstring localAppDataFolder();

// The user's temporary folder (GetTempPathW), with its final separator;
// empty when the system names none.
std::wstring temporaryFolder();

// The path with every short (8.3) name spelt out (GetLongPathNameW); as it
// is when that fails, for instance because it does not exist.
std::wstring longPath(const std::wstring& path);

// The path in the system's upper case, the way file names are compared.
std::wstring upperCase(std::wstring path);

}  // namespace pelomar
