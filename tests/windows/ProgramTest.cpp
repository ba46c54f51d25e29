#include "ProgramTest.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "DialogTexts.h"
#include "PlatformTypes.h"
#include "ResourceCheck.h"
#include "TestReport.h"
#include "WindowDriver.h"
#include "resource.h"
#include "support/TestFiles.h"

namespace {

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

struct CProgramContext {
    HWND m_hDlg;
    DWORD m_nThreadId;  // the program's dialog thread
    const CRecordingFixture& m_fixture;
};

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

// Browse, Analyse, OK. With the start folder prepared, the recording goes
// there and only its name is typed, so the run depends on the file dialog
// starting in that folder.
void WholeJobThenOk(const CProgramContext& context) {
    const HWND hDlg = context.m_hDlg;
    const CRecordingFixture& fixture = context.m_fixture;
    const std::filesystem::path name = std::filesystem::path(fixture.m_strWavPath).filename();
    std::filesystem::path folder = fixture.m_folder;
    std::wstring strTyped = fixture.m_strWavPath;
    if (!fixture.m_strInitialFolder.empty()) {
        folder = fixture.m_strInitialFolder;
        Check(::CopyFileW(fixture.m_strWavPath.c_str(), (folder / name).c_str(), FALSE) != 0,
              "the recording copied into the start folder");
        strTyped = name.wstring();
    }
    const std::wstring strChosen = (folder / name).wstring();

    Click(hDlg, IDC_BROWSE);
    const HWND hFileDlg = WaitForOpenFileDialog(context.m_nThreadId, hDlg);
    if (hFileDlg == nullptr) {
        return;
    }
    ChooseInFileDialog(hFileDlg, strTyped);
    CheckText(ItemText(hDlg, IDC_FILE), strChosen, "the program's file line after the choice");

    Click(hDlg, IDC_ANALYSE);
    WaitFor([&] { return ItemText(hDlg, IDC_STATUS) == kDone; }, 120000);
    CheckText(ItemText(hDlg, IDC_STATUS), kDone, "the program's status line after Analyse");
    CheckText(ItemText(hDlg, IDC_FILE), RunFileLine(strChosen),
              "the program's file line after Analyse");
    Check(ReadBytes(PathUtf8(folder / L"test.dat")) == fixture.m_expected,
          "the program's test.dat in the chosen file's folder holds the encoded bytes");
    PauseForScreenshot();
    Click(hDlg, IDOK);
}

void ClickCancel(const CProgramContext& context) {
    Click(context.m_hDlg, IDCANCEL);
}

void Close(const CProgramContext& context) {
    ::PostMessageW(context.m_hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// Starts the program, checks its window, drives it with pfnDrive, which ends
// it, and checks that the process ends with exit code 0.
void RunOnce(const std::wstring& strExe, const CRecordingFixture& fixture, const char* pszHow,
             void (*pfnDrive)(const CProgramContext& context)) {
    std::printf("-- program: %s\n", pszHow);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring strCommand = L"\"" + strExe + L"\"";
    if (!::CreateProcessW(strExe.c_str(), strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        Check(false, "the program starts");
        return;
    }
    HWND hDlg = nullptr;
    WaitFor([&] {
        hDlg = FindDialogOfProcess(process.dwProcessId, kCaption);
        return hDlg != nullptr;
    });
    Check(hDlg != nullptr, "the program shows its dialog");
    if (hDlg != nullptr) {
        CheckText(ItemText(hDlg, IDC_FILE), kNoFile, "the program's file line");
        CheckText(ItemText(hDlg, IDC_STATUS), kIdle, "the program's status line");
        pfnDrive(CProgramContext{hDlg, process.dwThreadId, fixture});
    }
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

}  // namespace

void RunProgramTests(const std::string& strExe, const CRecordingFixture& fixture) {
    const std::wstring strPath = WindowsPath(strExe);
    std::printf("-- program: %s\n", ToUtf8(strPath).c_str());
    CheckProgramResources(strPath);
    RunOnce(strPath, fixture, "browse, analyse, OK", WholeJobThenOk);
    RunOnce(strPath, fixture, "Cancel", ClickCancel);
    RunOnce(strPath, fixture, "the window's close", Close);
}
