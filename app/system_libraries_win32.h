// DLLs come from the system folder only. Windows looks for a DLL that is not
// one of its known DLLs (WINMM, for one) in the program's own folder first,
// so a DLL of that name left beside Pelomar.exe, in a downloads folder say,
// would be loaded into the program. The search is restricted first thing,
// before any DLL is loaded on first use.
#pragma once

#include <windows.h>

namespace pelomar {

// Makes the system folder the only place LoadLibrary (and with it the
// loading of DLLs on first use) looks. SetDefaultDllDirectories is looked up
// at run time: Windows 7 has it only with its 2011 loader update; without
// it, the current directory is at least taken out of the search.
void restrictDllSearchToSystem();

}  // namespace pelomar
