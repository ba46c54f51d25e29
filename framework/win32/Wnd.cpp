#include "Wnd.h"

#include "CurrentMessage.h"
#include "TextConvert.h"

void CWnd::SetWindowText(const std::string& strUtf8) {
    ::SetWindowTextW(m_hWnd, Utf8ToWide(strUtf8).c_str());
}

std::string CWnd::GetWindowText() const {
    const int nLength = ::GetWindowTextLengthW(m_hWnd);
    if (nLength <= 0) {
        return {};
    }
    std::wstring strText(static_cast<size_t>(nLength) + 1, L'\0');
    const int nCopied = ::GetWindowTextW(m_hWnd, strText.data(), nLength + 1);
    strText.resize(static_cast<size_t>(nCopied > 0 ? nCopied : 0));
    return WideToUtf8(strText);
}

LRESULT CWnd::SendMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, nMessage, wParam, lParam);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(LPRECT pRect) const {
    ::GetClientRect(m_hWnd, pRect);
}

// The window procedure returns the message unhandled once the handler is
// done, and the window system then does its default processing.
LRESULT CWnd::Default() {
    CCurrentMessage::LeaveToDefault(m_hWnd);
    return 0;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd), m_ps{} {
    ::BeginPaint(m_pWnd->GetSafeHwnd(), &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_pWnd->GetSafeHwnd(), &m_ps);
}

BOOL CPaintDC::DrawIcon(int x, int y, HICON hIcon) {
    return ::DrawIcon(m_ps.hdc, x, y, hIcon);
}

// The program is one module: its resources are linked into the executable.
HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType) {
    (void)lpszName;
    (void)lpszType;
    return ::GetModuleHandleW(nullptr);
}
