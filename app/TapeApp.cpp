#include "TapeApp.h"

#include "TapeDlg.h"

// The one application object.
CTapeApp theApp;

CTapeApp::CTapeApp() : CWinApp(nullptr) {}

BOOL CTapeApp::InitInstance() {
    CTapeDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();  // OK, Cancel or a failure: the program ends all the same
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends here.
    return FALSE;
}
