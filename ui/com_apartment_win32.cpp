#include "ui/com_apartment_win32.h"

#include <objbase.h>

namespace pelomar {

ComApartment::ComApartment(Kind kind) {
    const DWORD model =
        kind == Kind::SingleThreaded ? COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE : COINIT_MULTITHREADED;
    const HRESULT result = CoInitializeEx(nullptr, model);
    // S_OK and S_FALSE (joined again) both count once and are undone once;
    // RPC_E_CHANGED_MODE leaves the thread in its other apartment.
    undo_ = SUCCEEDED(result);
    usable_ = undo_ || result == RPC_E_CHANGED_MODE;
}

ComApartment::~ComApartment() {
    if (undo_) CoUninitialize();
}

}  // namespace pelomar
