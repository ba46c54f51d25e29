#include "CurrentMessage.h"

namespace {

// Messages nest: a handler that runs a modal loop (the open-file dialog)
// lets the window procedure run again inside it.
thread_local CCurrentMessage* t_pInnermost = nullptr;

}  // namespace

CCurrentMessage::CCurrentMessage(HWND hWnd) : m_hWnd(hWnd), m_pOuter(t_pInnermost) {
    t_pInnermost = this;
}

CCurrentMessage::~CCurrentMessage() {
    t_pInnermost = m_pOuter;
}

bool CCurrentMessage::LeaveToDefault(HWND hWnd) {
    for (CCurrentMessage* pMessage = t_pInnermost; pMessage != nullptr;
         pMessage = pMessage->m_pOuter) {
        if (pMessage->m_hWnd == hWnd) {
            pMessage->m_bLeftToDefault = true;
            return true;
        }
    }
    return false;
}
