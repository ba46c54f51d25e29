// A window handled by an object: the window keeps the object's address and
// its messages go to the object's Handle(nMessage, wParam, lParam); before
// that is set and after it is taken away, to DefWindowProc.
#pragma once

#include "WinApi.h"

template <class T>
LRESULT CALLBACK ObjectWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    auto* pObject = reinterpret_cast<T*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    return pObject != nullptr ? pObject->Handle(nMessage, wParam, lParam)
                              : ::DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

template <class T>
void AttachWindowObject(HWND hWnd, T* pObject) {
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pObject));
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ObjectWindowProc<T>));
}
