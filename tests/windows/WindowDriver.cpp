#include "WindowDriver.h"

#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestReport.h"

namespace {

constexpr UINT kSendTimeoutMs = 60000;

struct CSearch {
    DWORD nProcessId;  // 0: any
    const std::wstring* pCaption;
    HWND hOwner;
    HWND hFound;
};

bool IsVisibleDialog(HWND hWnd) {
    return ::IsWindowVisible(hWnd) && ClassName(hWnd) == L"#32770";
}

BOOL CALLBACK MatchCaption(HWND hWnd, LPARAM lParam) {
    CSearch& search = *reinterpret_cast<CSearch*>(lParam);
    if (search.nProcessId != 0) {
        DWORD nProcessId = 0;
        ::GetWindowThreadProcessId(hWnd, &nProcessId);
        if (nProcessId != search.nProcessId) {
            return TRUE;
        }
    }
    if (IsVisibleDialog(hWnd) && WindowText(hWnd) == *search.pCaption) {
        search.hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchOwner(HWND hWnd, LPARAM lParam) {
    CSearch& search = *reinterpret_cast<CSearch*>(lParam);
    if (IsVisibleDialog(hWnd) && ::GetWindow(hWnd, GW_OWNER) == search.hOwner) {
        search.hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The file-name field: a combo box with an edit field on newer systems, a
// plain edit field on older ones.
HWND FileNameField(HWND hFileDlg) {
    HWND hField = ::GetDlgItem(hFileDlg, cmb13);
    return hField != nullptr ? hField : ::GetDlgItem(hFileDlg, edt1);
}

}  // namespace

HWND FindDialogOfThread(DWORD nThreadId, const std::wstring& strCaption) {
    CSearch search{0, &strCaption, nullptr, nullptr};
    ::EnumThreadWindows(nThreadId, MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND FindDialogOfProcess(DWORD nProcessId, const std::wstring& strCaption) {
    CSearch search{nProcessId, &strCaption, nullptr, nullptr};
    ::EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND FindOwnedDialog(DWORD nThreadId, HWND hOwner) {
    CSearch search{0, nullptr, hOwner, nullptr};
    ::EnumThreadWindows(nThreadId, MatchOwner, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND WaitForOpenFileDialog(DWORD nThreadId, HWND hOwner) {
    HWND hFileDlg = nullptr;
    WaitFor([&] {
        hFileDlg = FindOwnedDialog(nThreadId, hOwner);
        return hFileDlg != nullptr;
    });
    Check(hFileDlg != nullptr, "the open-file dialog shows over the dialog");
    return hFileDlg;
}

bool WaitUntilGone(HWND hWnd) {
    return WaitFor([&] { return !::IsWindow(hWnd); });
}

void CancelFileDialog(HWND hFileDlg) {
    Click(hFileDlg, IDCANCEL);
    Check(WaitUntilGone(hFileDlg), "the open-file dialog closes on Cancel");
}

void ChooseInFileDialog(HWND hFileDlg, const std::wstring& strName) {
    const bool bTyped = TypeFileName(hFileDlg, strName);
    Check(bTyped, "typed into the file dialog: " + ToUtf8(strName));
    if (!bTyped) {
        DumpChildren(hFileDlg);
    }
    Click(hFileDlg, IDOK);
    Check(WaitUntilGone(hFileDlg), "the file dialog closes on Open");
}

std::wstring WindowText(HWND hWnd) {
    DWORD_PTR nLength = 0;
    if (hWnd == nullptr || !::SendMessageTimeoutW(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL,
                                                  kSendTimeoutMs, &nLength)) {
        return L"<no text>";
    }
    std::vector<wchar_t> text(nLength + 1, L'\0');
    DWORD_PTR nCopied = 0;
    ::SendMessageTimeoutW(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                          SMTO_NORMAL, kSendTimeoutMs, &nCopied);
    return std::wstring(text.data(), nCopied);
}

std::wstring ItemText(HWND hDlg, int nID) {
    return WindowText(::GetDlgItem(hDlg, nID));
}

std::wstring ClassName(HWND hWnd) {
    wchar_t szName[64] = {};
    ::GetClassNameW(hWnd, szName, 64);
    return szName;
}

void Click(HWND hDlg, int nID) {
    ::PostMessageW(::GetDlgItem(hDlg, nID), BM_CLICK, 0, 0);
}

bool TypeFileName(HWND hFileDlg, const std::wstring& strName) {
    const HWND hField = FileNameField(hFileDlg);
    if (hField == nullptr) {
        return false;
    }
    DWORD_PTR nResult = 0;
    return ::SendMessageTimeoutW(hField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(strName.c_str()),
                                 SMTO_NORMAL, kSendTimeoutMs, &nResult) != 0 &&
           WindowText(hField) == strName;
}

std::wstring FileTypeText(HWND hFileDlg) {
    return ItemText(hFileDlg, cmb1);
}

bool IsReadOnlyBoxVisible(HWND hFileDlg) {
    const HWND hBox = ::GetDlgItem(hFileDlg, chx1);
    return hBox != nullptr && ::IsWindowVisible(hBox);
}

std::wstring CurrentFolder(HWND hFileDlg) {
    std::vector<wchar_t> folder(MAX_PATH * 4, L'\0');
    DWORD_PTR nResult = 0;
    ::SendMessageTimeoutW(hFileDlg, CDM_GETFOLDERPATH, folder.size(),
                          reinterpret_cast<LPARAM>(folder.data()), SMTO_NORMAL, kSendTimeoutMs,
                          &nResult);
    return folder.data();
}

void DumpChildren(HWND hWnd) {
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        std::printf("    child id %d (0x%x), class %s, text \"%s\"%s\n", ::GetDlgCtrlID(hChild),
                    static_cast<unsigned>(::GetDlgCtrlID(hChild)),
                    ToUtf8(ClassName(hChild)).c_str(), ToUtf8(WindowText(hChild)).c_str(),
                    ::IsWindowVisible(hChild) ? "" : " (hidden)");
    }
}

std::string ToUtf8(const std::wstring& strWide) {
    if (strWide.empty()) {
        return {};
    }
    const int nChars = static_cast<int>(strWide.size());
    const int nBytes =
        ::WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nChars, nullptr, 0, nullptr, nullptr);
    std::string str(static_cast<size_t>(nBytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nChars, str.data(), nBytes, nullptr, nullptr);
    return str;
}

std::wstring FromUtf8(const std::string& strUtf8) {
    if (strUtf8.empty()) {
        return {};
    }
    const int nBytes = static_cast<int>(strUtf8.size());
    const int nChars = ::MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nBytes, nullptr, 0);
    std::wstring str(static_cast<size_t>(nChars), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nBytes, str.data(), nChars);
    return str;
}

// CTest passes a Unix path under Wine; Wine converts it.
std::wstring WindowsPath(const std::string& strPath) {
    using PConvert = LPWSTR(CDECL*)(LPCSTR);
    const FARPROC pfn = ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name");
    if (!strPath.empty() && strPath[0] == '/' && pfn != nullptr) {
        const LPWSTR pszPath =
            reinterpret_cast<PConvert>(reinterpret_cast<void*>(pfn))(strPath.c_str());
        if (pszPath != nullptr) {
            std::wstring str(pszPath);
            ::HeapFree(::GetProcessHeap(), 0, pszPath);
            return str;
        }
    }
    return FromUtf8(strPath);
}

// For a screenshot of the finished run: creates the flag file named in the
// environment and waits until it is removed.
void PauseForScreenshot() {
    const char* pszFlag = std::getenv("TAVRO_TEST_SCREENSHOT_FLAG");
    if (pszFlag == nullptr) {
        return;
    }
    const std::wstring strFlag = WindowsPath(pszFlag);
    const HANDLE hFlag =
        ::CreateFileW(strFlag.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFlag != INVALID_HANDLE_VALUE) {
        ::CloseHandle(hFlag);
        std::printf("paused for a screenshot\n");
        WaitFor([&] { return ::GetFileAttributesW(strFlag.c_str()) == INVALID_FILE_ATTRIBUTES; },
                60000);
    }
}

void CheckProcessEnds(const PROCESS_INFORMATION& process) {
    const bool bEnded = ::WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    DWORD nExit = 1;
    ::GetExitCodeProcess(process.hProcess, &nExit);
    Check(bEnded && nExit == 0, "the program ends, exit code " + std::to_string(nExit));
    if (!bEnded) {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}
