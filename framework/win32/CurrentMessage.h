// The message that the layer's window procedure is handling on this thread,
// so that a handler can ask for default processing (CWnd::Default).
#pragma once

#include "PlatformTypes.h"

class CCurrentMessage {
public:
    // Makes this the innermost message of the thread until destruction.
    explicit CCurrentMessage(HWND hWnd);
    ~CCurrentMessage();
    CCurrentMessage(const CCurrentMessage&) = delete;
    CCurrentMessage& operator=(const CCurrentMessage&) = delete;

    // Whether a handler left the message to the window system.
    bool IsLeftToDefault() const { return m_bLeftToDefault; }

    // Marks the innermost message of window hWnd as left to the window
    // system; false when hWnd is handling none.
    static bool LeaveToDefault(HWND hWnd);

private:
    HWND m_hWnd;
    bool m_bLeftToDefault = false;
    CCurrentMessage* m_pOuter;
};
