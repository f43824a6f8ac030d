#include "shell/input_method_win32.h"

#include "shell/system_library_win32.h"

namespace pelomar {
namespace {

// The input context is an opaque handle; IMM32's header is not needed for it.
using AssociateContextEx = BOOL(WINAPI*)(HWND, void*, DWORD);
using AssociateContext = void*(WINAPI*)(HWND, void*);

struct Imm {
    AssociateContextEx associateEx = nullptr;
    AssociateContext associate = nullptr;
};

const Imm& imm() {
    static const Imm loaded = [] {
        Imm f;
        if (const HMODULE module = loadSystemLibrary(L"imm32.dll")) {
            findFunction(module, "ImmAssociateContextEx", f.associateEx);
            findFunction(module, "ImmAssociateContext", f.associate);
        }
        return f;
    }();
    return loaded;
}

}  // namespace

bool switchOffInputMethod(HWND window) {
    const Imm& f = imm();
    // No context at all, rather than the thread's default one.
    if (f.associateEx) return f.associateEx(window, nullptr, 0) != FALSE;
    if (f.associate) {
        f.associate(window, nullptr);
        return true;
    }
    return false;
}

}  // namespace pelomar
