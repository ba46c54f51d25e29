// The application object, the same on every window system; the process
// entry finds it through AfxGetApp. On Windows the entry lives here, beside
// CWinApp, so that the program's application object brings it in from the
// library; the Qt layer's entry is in QtMain.cpp.
#include "WinApp.h"

namespace {

CWinApp* g_pApp = nullptr;

}  // namespace

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return FALSE;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nCmdShow;
    // Every window of the layer is a modal dialog that runs its own loop, so
    // the program ends when InitInstance returns, whatever it returns.
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr) {
        pApp->InitInstance();
    }
    return 0;
}
#endif
