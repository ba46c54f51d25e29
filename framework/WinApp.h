// The application object: the one global instance whose InitInstance the
// layer's process entry calls.
#pragma once

#include "Wnd.h"

class CWinApp {
public:
    // pszAppName: null for the default name.
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up: runs the program; returning FALSE ends it without a
    // message loop of the application's own.
    virtual BOOL InitInstance();

    CWnd* m_pMainWnd = nullptr;
    const char* m_pszAppName;
};

// The application object, or null before it is constructed.
CWinApp* AfxGetApp();
