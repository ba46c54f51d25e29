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

struct CProgramContext {
    HWND m_hDlg;
    DWORD m_nThreadId;  // the program's dialog thread
    const CRecordingFixture& m_fixture;
};

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
    CheckProcessEnds(process);
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
