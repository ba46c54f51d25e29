#include "DialogScenarios.h"

#include <cstdio>

#include "DialogTexts.h"
#include "TapeDlg.h"
#include "TestReport.h"
#include "WindowDriver.h"
#include "support/TestFiles.h"

namespace {

struct CContext {
    DWORD m_nDialogThread;
    HWND m_hDlg;
    const CRecordingFixture& m_fixture;
};

struct CScenario {
    const char* m_pszName;
    void (*m_pfnDrive)(const CContext& context);
    INT_PTR m_nResult;  // what DoModal returns after it
};

HWND WaitForFileDialog(const CContext& context) {
    return WaitForOpenFileDialog(context.m_nDialogThread, context.m_hDlg);
}

std::wstring NoTrailingSlash(std::wstring str) {
    while (str.size() > 3 && str.back() == L'\\') {
        str.pop_back();
    }
    return str;
}

std::wstring CurrentDirectory() {
    wchar_t szDir[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 4, szDir);
    return NoTrailingSlash(szDir);
}

void CheckInitialState(const CContext& context) {
    const HWND hDlg = context.m_hDlg;
    CheckText(ItemText(hDlg, IDC_FILE), kNoFile, "file line before anything happens");
    CheckText(ItemText(hDlg, IDC_STATUS), kIdle, "status line before anything happens");

    const int kOrder[] = {IDOK, IDCANCEL, IDC_BROWSE, IDC_FILE, IDC_STATUS, IDC_ANALYSE};
    const wchar_t* const kClasses[] = {L"Button", L"Button", L"Button",
                                       L"Static", L"Static", L"Button"};
    HWND hChild = ::GetWindow(hDlg, GW_CHILD);
    bool bInOrder = true;
    for (size_t k = 0; k < std::size(kOrder); ++k) {
        bInOrder = bInOrder && hChild != nullptr && ::GetDlgCtrlID(hChild) == kOrder[k] &&
                   _wcsicmp(ClassName(hChild).c_str(), kClasses[k]) == 0;
        hChild = hChild != nullptr ? ::GetWindow(hChild, GW_HWNDNEXT) : nullptr;
    }
    Check(bInOrder && hChild == nullptr, "the six controls in template order");
    if (!bInOrder) {
        DumpChildren(hDlg);
    }
    const auto nStyle = static_cast<DWORD>(::GetWindowLongPtrW(hDlg, GWL_STYLE));
    Check((nStyle & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0 && (nStyle & WS_SYSMENU) != 0,
          "a system menu, no minimise or maximise box");

    // The application icon, as the big and the small icon and for dragging.
    const HICON hAppIcon =
        ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    DWORD_PTR nBig = 0;
    DWORD_PTR nSmall = 0;
    DWORD_PTR nDrag = 0;
    ::SendMessageTimeoutW(hDlg, WM_GETICON, ICON_BIG, 0, SMTO_NORMAL, 5000, &nBig);
    ::SendMessageTimeoutW(hDlg, WM_GETICON, ICON_SMALL, 0, SMTO_NORMAL, 5000, &nSmall);
    ::SendMessageTimeoutW(hDlg, WM_QUERYDRAGICON, 0, 0, SMTO_NORMAL, 5000, &nDrag);
    const auto nAppIcon = reinterpret_cast<DWORD_PTR>(hAppIcon);
    Check(hAppIcon != nullptr && nBig == nAppIcon, "big icon is the application icon");
    Check(hAppIcon != nullptr && nSmall == nAppIcon, "small icon is the application icon");
    Check(hAppIcon != nullptr && nDrag == nAppIcon, "drag icon is the application icon");
}

// Browse: a look at the file dialog, a cancel, a choice by typing the
// path, another cancel; then Analyse on the choice, and OK.
void BrowseAnalyseOk(const CContext& context) {
    const HWND hDlg = context.m_hDlg;
    const CRecordingFixture& fixture = context.m_fixture;
    CheckInitialState(context);

    Click(hDlg, IDC_BROWSE);
    HWND hFileDlg = WaitForFileDialog(context);
    if (hFileDlg == nullptr) {
        return;
    }
    CheckText(FileTypeText(hFileDlg), L"Wavy (*.wav)", "file dialog's file type");
    Check(IsReadOnlyBoxVisible(hFileDlg), "file dialog shows its read-only box");
    if (!fixture.m_strInitialFolder.empty()) {
        const std::wstring strFolder = NoTrailingSlash(CurrentFolder(hFileDlg));
        Check(_wcsicmp(strFolder.c_str(), NoTrailingSlash(fixture.m_strInitialFolder).c_str()) == 0,
              "file dialog starts in " + ToUtf8(fixture.m_strInitialFolder) + ": " +
                  ToUtf8(strFolder));
    } else {
        std::printf("note: start folder not checked (no drive I: prepared)\n");
    }
    CancelFileDialog(hFileDlg);
    CheckText(ItemText(hDlg, IDC_FILE), kNoFile, "file line after a cancelled choice");

    Click(hDlg, IDC_BROWSE);
    hFileDlg = WaitForFileDialog(context);
    if (hFileDlg == nullptr) {
        return;
    }
    ChooseInFileDialog(hFileDlg, fixture.m_strWavPath);
    CheckText(ItemText(hDlg, IDC_FILE), fixture.m_strWavPath, "file line after the choice");
    const std::wstring strFolder = NoTrailingSlash(fixture.m_folder.wstring());
    CheckText(CurrentDirectory(), strFolder, "current directory after the choice");

    Click(hDlg, IDC_BROWSE);
    hFileDlg = WaitForFileDialog(context);
    if (hFileDlg == nullptr) {
        return;
    }
    CancelFileDialog(hFileDlg);
    CheckText(ItemText(hDlg, IDC_FILE), fixture.m_strWavPath, "file line kept on a later cancel");

    Click(hDlg, IDC_ANALYSE);
    const bool bDone = WaitFor([&] { return ItemText(hDlg, IDC_STATUS) == kDone; }, 120000);
    CheckText(ItemText(hDlg, IDC_STATUS), kDone, "status line after Analyse");
    CheckText(ItemText(hDlg, IDC_FILE), RunFileLine(fixture.m_strWavPath),
              "file line after Analyse");
    if (bDone) {
        const std::vector<uint8_t> output = ReadBytes(PathUtf8(fixture.m_folder / L"test.dat"));
        Check(output == fixture.m_expected, "test.dat in the recording's folder holds the " +
                                                std::to_string(fixture.m_expected.size()) +
                                                " encoded bytes (" + std::to_string(output.size()) +
                                                " read)");
    }
    Click(hDlg, IDOK);
}

// Analyse before any choice: the file dialog comes first; cancelled, the run
// fails to open a file. Then Cancel.
void AnalyseWithoutFile(const CContext& context) {
    const HWND hDlg = context.m_hDlg;
    Click(hDlg, IDC_ANALYSE);
    const HWND hFileDlg = WaitForFileDialog(context);
    if (hFileDlg == nullptr) {
        return;
    }
    CancelFileDialog(hFileDlg);
    WaitFor([&] { return ItemText(hDlg, IDC_STATUS) == kWavNotOpened; });
    CheckText(ItemText(hDlg, IDC_STATUS), kWavNotOpened, "status line after Analyse with no file");
    CheckText(ItemText(hDlg, IDC_FILE), kNoFile, "file line after Analyse with no file");
    Click(hDlg, IDCANCEL);
}

void CloseWindow(const CContext& context) {
    ::PostMessageW(context.m_hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void PressKey(const CContext& context, WPARAM nKey) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(context.m_nDialogThread, &info);
    const HWND hTarget = info.hwndFocus != nullptr ? info.hwndFocus : context.m_hDlg;
    ::PostMessageW(hTarget, WM_KEYDOWN, nKey, 1);
}

void PressEnter(const CContext& context) {
    PressKey(context, VK_RETURN);
}
void PressEscape(const CContext& context) {
    PressKey(context, VK_ESCAPE);
}

const CScenario kScenarios[] = {
    {"browse, analyse, OK", BrowseAnalyseOk, IDOK},
    {"analyse with no file, Cancel", AnalyseWithoutFile, IDCANCEL},
    {"the window's close", CloseWindow, IDCANCEL},
    {"Enter", PressEnter, IDOK},
    {"Esc", PressEscape, IDCANCEL},
};

struct CDriveJob {
    const CScenario* m_pScenario;
    const CRecordingFixture* m_pFixture;
    DWORD m_nDialogThread;
};

DWORD WINAPI Drive(LPVOID pParam) {
    const CDriveJob& job = *static_cast<const CDriveJob*>(pParam);
    HWND hDlg = nullptr;
    WaitFor([&] {
        hDlg = FindDialogOfThread(job.m_nDialogThread, kCaption);
        return hDlg != nullptr;
    });
    Check(hDlg != nullptr, "the dialog \"Tavro tape 1.0\" shows");
    if (hDlg == nullptr) {
        return 0;
    }
    job.m_pScenario->m_pfnDrive(CContext{job.m_nDialogThread, hDlg, *job.m_pFixture});
    if (!WaitUntilGone(hDlg)) {
        Check(false, "the dialog ends");
        ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}

}  // namespace

void RunDialogScenarios(const CRecordingFixture& fixture) {
    for (const CScenario& scenario : kScenarios) {
        std::printf("-- dialog: %s\n", scenario.m_pszName);
        CDriveJob job{&scenario, &fixture, ::GetCurrentThreadId()};
        const HANDLE hDriver = ::CreateThread(nullptr, 0, Drive, &job, 0, nullptr);
        if (hDriver == nullptr) {
            Check(false, "driver thread started");
            return;
        }
        INT_PTR nResult = 0;
        {
            CTapeDlg dlg;
            nResult = dlg.DoModal();
        }
        ::WaitForSingleObject(hDriver, INFINITE);
        ::CloseHandle(hDriver);
        Check(nResult == scenario.m_nResult,
              std::string("DoModal returns ") + (scenario.m_nResult == IDOK ? "IDOK" : "IDCANCEL") +
                  " (" + std::to_string(nResult) + ")");
    }
}
