#include "Dialog.h"

#include "CurrentMessage.h"

namespace {

// The handlers are protected members of CDialog, meant for the derived
// dialogs; the dialog procedure reaches them through member pointers formed
// in this derived class, which is never instantiated.
class CDialogHandlers : public CDialog {
public:
    static void Paint(CDialog& dlg) { (dlg.*&CDialogHandlers::OnPaint)(); }
    static HCURSOR QueryDragIcon(CDialog& dlg) {
        return (dlg.*&CDialogHandlers::OnQueryDragIcon)();
    }
    static bool Command(CDialog& dlg, int nID) {
        return (dlg.*&CDialogHandlers::DispatchCommand)(nID);
    }
};

CDialog* DialogOf(HWND hWnd) {
    return reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
}

// Returns what the dialog procedure answers for a handled message: nResult,
// or FALSE when the handler left the message to the window system.
INT_PTR Answer(const CCurrentMessage& message, INT_PTR nResult) {
    return message.IsLeftToDefault() ? FALSE : nResult;
}

// The dialog procedure of every CDialog: WM_INITDIALOG carries the object,
// which the window keeps in its DWLP_USER slot for the later messages.
INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (nMessage == WM_INITDIALOG) {
        CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
        const CCurrentMessage message(hWnd);
        return pDlg->OnInitDialog();
    }
    CDialog* pDlg = DialogOf(hWnd);
    if (pDlg == nullptr) {
        return FALSE;  // messages before WM_INITDIALOG
    }
    const CCurrentMessage message(hWnd);
    switch (nMessage) {
        case WM_PAINT:
            CDialogHandlers::Paint(*pDlg);
            return Answer(message, TRUE);
        case WM_QUERYDRAGICON: {
            // One of the messages whose result the dialog procedure returns
            // itself.
            const HCURSOR hIcon = CDialogHandlers::QueryDragIcon(*pDlg);
            return Answer(message, reinterpret_cast<INT_PTR>(hIcon));
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && CDialogHandlers::Command(*pDlg, LOWORD(wParam))) {
                return Answer(message, TRUE);
            }
            return FALSE;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
            pDlg->m_hWnd = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    rControl.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->GetSafeHwnd(), nIDC);
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    const LPCWSTR pszTemplate = MAKEINTRESOURCEW(m_nIDTemplate);
    const HINSTANCE hInstance = AfxFindResourceHandle(pszTemplate, RT_DIALOG);
    const HWND hParent = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    const INT_PTR nResult = ::DialogBoxParamW(hInstance, pszTemplate, hParent, DialogProc,
                                              reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return nResult;
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

void CDialog::OnPaint() {
    Default();
}

HCURSOR CDialog::OnQueryDragIcon() {
    Default();
    return nullptr;
}
