#include "shell/com_apartment_win32.h"

#include <objbase.h>

#include "shell/system_library_win32.h"

namespace pelomar {

namespace {

// OLE32 and what it brings with it are loaded when COM is first wanted, not
// with the program: nothing before the window is shown needs them.
struct Ole32 {
    decltype(&::CoInitializeEx) coInitializeEx = nullptr;
    decltype(&::CoUninitialize) coUninitialize = nullptr;
};

const Ole32* ole32() {
    static const Ole32* const loaded = [] {
        static Ole32 functions;
        const HMODULE module = loadSystemLibrary(L"ole32.dll");
        const bool all = module && findFunction(module, "CoInitializeEx", functions.coInitializeEx) &&
                         findFunction(module, "CoUninitialize", functions.coUninitialize);
        return all ? &functions : nullptr;
    }();
    return loaded;
}

}  // namespace

ComApartment::ComApartment() {
    if (!ole32()) return;
    const HRESULT result = ole32()->coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // S_OK and S_FALSE (joined again) both count once and are undone once;
    // RPC_E_CHANGED_MODE leaves the thread in its other apartment.
    undo_ = SUCCEEDED(result);
    usable_ = undo_ || result == RPC_E_CHANGED_MODE;
}

ComApartment::~ComApartment() {
    if (undo_) ole32()->coUninitialize();
}

}  // namespace pelomar
