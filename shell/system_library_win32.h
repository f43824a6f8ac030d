// DLLs come from the system folder only. Windows looks for a DLL that is not
// one of its known DLLs (WINMM, for one) in the program's own folder first,
// so a DLL of that name left beside Pelomar.exe, in a downloads folder say,
// would be loaded into the program. The search is restricted first thing,
// and the DLLs the program loads itself are loaded by their place in the
// system folder.
#pragma once

#include <windows.h>

namespace pelomar {

// Makes the system folder the only place LoadLibrary looks.
// SetDefaultDllDirectories is looked up at run time: Windows 7 has it only
// with its 2011 loader update; without it, the current directory is at
// least taken out of the search.
void restrictDllSearchToSystem();

// A system DLL by its file name, from the system folder; null if it cannot
// be loaded.
HMODULE loadSystemLibrary(const wchar_t* name);

// The function `name` of a loaded DLL as a pointer of type Function; false
// when it is not there.
template <class Function>
bool findFunction(HMODULE module, const char* name, Function& out) {
    out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return out != nullptr;
}

}  // namespace pelomar
