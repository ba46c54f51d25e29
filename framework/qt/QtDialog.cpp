// CDialog on Qt: the template becomes a CDialogWindow, run with exec().
#include <QApplication>

#include "Dialog.h"
#include "DialogTemplate.h"
#include "DialogWindow.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    auto* pWindow = dynamic_cast<CDialogWindow*>(pDX->m_pDlgWnd->GetSafeHwnd());
    if (pWindow == nullptr || !pWindow->BindControl(nIDC, rControl)) {
        qWarning("DDX_Control: the dialog has no control %d", nIDC);
    }
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    const CDialogTemplate* pTemplate = FindDialogTemplate(m_nIDTemplate);
    if (pTemplate == nullptr || QApplication::instance() == nullptr || m_hWnd != nullptr) {
        return -1;
    }
    QWidget* pParent = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    CDialogWindow window(*pTemplate, pParent, [this](int nID) { DispatchCommand(nID); });
    m_hWnd = &window;
    OnInitDialog();
    // OnInitDialog may already have ended the dialog.
    const INT_PTR nResult = window.IsEnded() ? window.result() : window.exec();
    m_hWnd = nullptr;
    return nResult;
}

void CDialog::EndDialog(int nResult) {
    if (auto* pWindow = dynamic_cast<CDialogWindow*>(m_hWnd)) {
        pWindow->End(nResult);
    }
}

// The window manager draws the icon of a minimised window and the icon that
// a drag shows, so the Qt layer sends no paint or drag-icon messages: these
// two handlers, and the dialog's overrides of them, have nothing to do here.
void CDialog::OnPaint() {
    Default();
}

HCURSOR CDialog::OnQueryDragIcon() {
    return nullptr;
}
