// Windows and static text controls of the dialog layer.
#pragma once

#include <string>

#include "PlatformTypes.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Texts are UTF-8; the layer converts them for the window system.
    void SetWindowText(const std::string& strUtf8);
    std::string GetWindowText() const;

    LRESULT SendMessage(UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL IsIconic() const;
    void GetClientRect(LPRECT pRect) const;

    HWND m_hWnd = nullptr;

protected:
    // Hands the message being handled to the window system's default
    // processing.
    LRESULT Default();
};

// A static text control, bound to a control of a dialog template.
class CStatic : public CWnd {};

// The device context of one WM_PAINT: begun on construction, ended on
// destruction.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_ps.hdc; }
    BOOL DrawIcon(int x, int y, HICON hIcon);

private:
    CWnd* m_pWnd;
    PAINTSTRUCT m_ps;
};

// The module holding the resource nID of the given type.
HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType);
