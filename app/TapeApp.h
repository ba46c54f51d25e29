// CTapeApp: the application object. Its start-up runs the main dialog.
#pragma once

#include "WinApp.h"

class CTapeApp : public CWinApp {
public:
    CTapeApp();
    BOOL InitInstance() override;
};
