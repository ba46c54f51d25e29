// Modal dialogs made from a dialog template, with data exchange.
#pragma once

#include <span>

#include "Wnd.h"

class CDialog;

// Passed to DoDataExchange: binds controls of the dialog to members.
class CDataExchange {
public:
    explicit CDataExchange(CDialog* pDlgWnd) : m_pDlgWnd(pDlgWnd) {}
    CDialog* m_pDlgWnd;
};

// Binds control nIDC of the dialog to rControl.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog until EndDialog; returns its result (IDOK, IDCANCEL),
    // or -1 when it could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // WM_INITDIALOG: binds the controls (DoDataExchange). Returns TRUE to
    // let the system set the focus.
    virtual BOOL OnInitDialog();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Buttons IDOK and IDCANCEL (Enter, Esc, the window's close).
    virtual void OnOK();
    virtual void OnCancel();

    // WM_PAINT and WM_QUERYDRAGICON; by default left to the system.
    virtual void OnPaint();
    virtual HCURSOR OnQueryDragIcon();

    // Button clicks (BN_CLICKED) answered by the derived dialog.
    using PMSG = void (CDialog::*)();
    struct CCommandEntry {
        int nID;
        PMSG pfnHandler;
    };
    virtual std::span<const CCommandEntry> GetCommandMap() const;

    // Handles a click on button nID through the command map, then IDOK and
    // IDCANCEL; false when nothing answers it.
    bool DispatchCommand(int nID);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};
