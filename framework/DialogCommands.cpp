// The parts of CDialog that every window system shares: data exchange on
// WM_INITDIALOG, the OK and Cancel buttons, and the command map.
#include "Dialog.h"

BOOL CDialog::OnInitDialog() {
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange* pDX) {
    (void)pDX;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

std::span<const CDialog::CCommandEntry> CDialog::GetCommandMap() const {
    return {};
}

bool CDialog::DispatchCommand(int nID) {
    for (const CCommandEntry& entry : GetCommandMap()) {
        if (entry.nID == nID) {
            (this->*entry.pfnHandler)();
            return true;
        }
    }
    switch (nID) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}
