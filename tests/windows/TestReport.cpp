#include "TestReport.h"

#include <atomic>
#include <cstdio>

#include "PlatformTypes.h"
#include "WindowDriver.h"

namespace {

std::atomic<int> g_nPassed{0};
std::atomic<int> g_nFailed{0};

DWORD WINAPI Watch(LPVOID pParam) {
    const auto nSeconds = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(pParam));
    ::Sleep(nSeconds * 1000);
    std::printf("FAIL: still running after %lu s; ended by the watchdog\n",
                static_cast<unsigned long>(nSeconds));
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return 0;
}

}  // namespace

void Check(bool bPassed, const std::string& strWhat) {
    if (bPassed) {
        ++g_nPassed;
        std::printf("ok: %s\n", strWhat.c_str());
    } else {
        ++g_nFailed;
        std::printf("FAIL: %s\n", strWhat.c_str());
    }
}

void CheckText(const std::wstring& strActual, const std::wstring& strExpected,
               const std::string& strWhat) {
    const bool bPassed = strActual == strExpected;
    Check(bPassed, strWhat + ": \"" + ToUtf8(strActual) + "\"");
    if (!bPassed) {
        std::printf("      expected \"%s\"\n", ToUtf8(strExpected).c_str());
    }
}

int Summarise(const char* pszProgram) {
    if (g_nFailed == 0 && g_nPassed > 0) {
        std::printf("%s: all %d checks passed\n", pszProgram, g_nPassed.load());
        return 0;
    }
    std::printf("%s: %d of %d checks FAILED\n", pszProgram, g_nFailed.load(),
                g_nFailed.load() + g_nPassed.load());
    return 1;
}

void StartWatchdog(unsigned nSeconds) {
    const HANDLE hThread = ::CreateThread(
        nullptr, 0, Watch, reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(nSeconds)), 0, nullptr);
    if (hThread != nullptr) {
        ::CloseHandle(hThread);
    }
}
