// Drives the windows of this process from a second thread, as a user would:
// finds them, reads their texts and presses their buttons.
#pragma once

#include <string>

#include "PlatformTypes.h"

inline constexpr DWORD kWaitMs = 20000;

// Waits up to nTimeoutMs for bCondition() to hold.
template <class TCondition>
bool WaitFor(TCondition bCondition, DWORD nTimeoutMs = kWaitMs) {
    const ULONGLONG nEnd = ::GetTickCount64() + nTimeoutMs;
    while (!bCondition()) {
        if (::GetTickCount64() > nEnd) {
            return false;
        }
        ::Sleep(10);
    }
    return true;
}

// A visible dialog box of thread nThreadId with the given caption, or null.
HWND FindDialogOfThread(DWORD nThreadId, const std::wstring& strCaption);
// A visible dialog box of process nProcessId with the given caption, or null.
HWND FindDialogOfProcess(DWORD nProcessId, const std::wstring& strCaption);
// A visible dialog box of thread nThreadId owned by hOwner, or null.
HWND FindOwnedDialog(DWORD nThreadId, HWND hOwner);

// Waits for the open-file dialog of thread nThreadId over hOwner and checks
// that it showed; null when it did not.
HWND WaitForOpenFileDialog(DWORD nThreadId, HWND hOwner);
// Waits for hWnd to be destroyed.
bool WaitUntilGone(HWND hWnd);
// Presses Cancel in the open-file dialog and checks that it closes.
void CancelFileDialog(HWND hFileDlg);
// Types strName into the open-file dialog, presses Open and checks that it
// closes.
void ChooseInFileDialog(HWND hFileDlg, const std::wstring& strName);

// Texts through WM_GETTEXT, which waits while the window's thread is busy.
std::wstring WindowText(HWND hWnd);
std::wstring ItemText(HWND hDlg, int nID);
std::wstring ClassName(HWND hWnd);

// Presses a button the way a click does, without waiting for its handler.
void Click(HWND hDlg, int nID);

// The open-file dialog's own controls.
bool TypeFileName(HWND hFileDlg, const std::wstring& strName);
std::wstring FileTypeText(HWND hFileDlg);
bool IsReadOnlyBoxVisible(HWND hFileDlg);
std::wstring CurrentFolder(HWND hFileDlg);

// Lists the children of hWnd on standard output, for failure reports.
void DumpChildren(HWND hWnd);

// A path as Windows names it: CTest passes Unix paths under Wine, which
// Wine converts.
std::wstring WindowsPath(const std::string& strPath);
// For a screenshot: when TAVRO_TEST_SCREENSHOT_FLAG names a file, creates
// it and waits (up to a minute) until it is removed.
void PauseForScreenshot();
// Checks that the process ends (within 20 s) with exit code 0, ends it
// otherwise, and closes its handles.
void CheckProcessEnds(const PROCESS_INFORMATION& process);

std::string ToUtf8(const std::wstring& strWide);
std::wstring FromUtf8(const std::string& strUtf8);
