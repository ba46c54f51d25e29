// The Windows program's tests: the main dialog in this process, driven
// through window messages, and the program itself as a process.
//
//   tavro_dialog_tests [PROGRAM]
//
// Environment:
//   TAVRO_TEST_DRIVE_I=1          the folder I:\Tavro\tavro.kopie exists, and
//                                 the file dialog must start there
//   TAVRO_TEST_SCREENSHOT_FLAG=F  after the program's run, create file F and
//                                 wait (up to a minute) until it is removed
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DialogScenarios.h"
#include "PlatformTypes.h"
#include "ProgramTest.h"
#include "TestReport.h"
#include "support/TestFiles.h"

namespace {

constexpr unsigned kWatchdogSeconds = 240;

bool IsSet(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    return pszValue != nullptr && std::string(pszValue) == "1";
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    StartWatchdog(kWatchdogSeconds);

    wchar_t szStartDir[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 4, szStartDir);
    {
        const CTempDir tempDir;
        CRecordingFixture fixture;
        const bool bRecording = MakeRecordingFixture(tempDir.Path(), fixture);
        Check(bRecording, "a recording made by the encoder");
        if (IsSet("TAVRO_TEST_DRIVE_I")) {
            fixture.m_strInitialFolder = L"I:\\Tavro\\tavro.kopie";
        }
        if (bRecording) {
            RunDialogScenarios(fixture);
            if (argc > 1) {
                RunProgramTests(argv[1], fixture);
            }
        }
        // The file dialog moved the current directory into the temporary
        // folder, which can only be removed from outside it.
        ::SetCurrentDirectoryW(szStartDir);
    }
    return Summarise("tavro_dialog_tests");
}
