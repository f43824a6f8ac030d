// Routes a window's messages to the object that owns it: the object comes as
// the creation parameter and is kept in the window's user data. The class
// has a member hwnd_ and a handle(msg, wParam, lParam), and names this
// function its friend.
#pragma once

#include <windows.h>

namespace pelomar {

template <class Window>
LRESULT CALLBACK routeMessages(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->handle(msg, wParam, lParam);
}

}  // namespace pelomar
