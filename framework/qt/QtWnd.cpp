// CWnd and CPaintDC on Qt: a window handle is the widget itself.
#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include "QtIcon.h"
#include "Wnd.h"

void CWnd::SetWindowText(const std::string& strUtf8) {
    const QString strText =
        QString::fromUtf8(strUtf8.data(), static_cast<qsizetype>(strUtf8.size()));
    if (auto* pLabel = qobject_cast<QLabel*>(m_hWnd)) {
        pLabel->setText(strText);
    } else if (auto* pButton = qobject_cast<QAbstractButton*>(m_hWnd)) {
        pButton->setText(strText);
    } else if (m_hWnd != nullptr) {
        m_hWnd->setWindowTitle(strText);
    }
}

std::string CWnd::GetWindowText() const {
    QString strText;
    if (const auto* pLabel = qobject_cast<const QLabel*>(m_hWnd)) {
        strText = pLabel->text();
    } else if (const auto* pButton = qobject_cast<const QAbstractButton*>(m_hWnd)) {
        strText = pButton->text();
    } else if (m_hWnd != nullptr) {
        strText = m_hWnd->windowTitle();
    }
    return strText.toStdString();
}

LRESULT CWnd::SendMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (m_hWnd == nullptr) {
        return 0;
    }
    if (nMessage == WM_SETICON && (wParam == ICON_BIG || wParam == ICON_SMALL)) {
        // One QIcon carries every size; both messages set the same icon.
        m_hWnd->setWindowIcon(IconFromHandle(reinterpret_cast<HICON>(lParam)));
    }
    // Erasing the background of a minimised window is the window manager's
    // work; nothing else is sent through here.
    return 0;
}

BOOL CWnd::IsIconic() const {
    return m_hWnd != nullptr && m_hWnd->isMinimized() ? TRUE : FALSE;
}

void CWnd::GetClientRect(LPRECT pRect) const {
    const QRect rect = m_hWnd != nullptr ? m_hWnd->rect() : QRect();
    *pRect = {0, 0, rect.width(), rect.height()};
}

LRESULT CWnd::Default() {
    // Qt's own event handling has already done the default work.
    return 0;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd), m_ps{nullptr} {}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int, int, HICON) {
    // Paint messages of minimised windows do not reach the dialog on Qt.
    return FALSE;
}
