// Checks of the Windows tests: each prints its outcome; the summary line
// that the test registration looks for comes only when all of them passed.
#pragma once

#include <string>

void Check(bool bPassed, const std::string& strWhat);
void CheckText(const std::wstring& strActual, const std::wstring& strExpected,
               const std::string& strWhat);

// Prints the summary; the process's exit code.
int Summarise(const char* pszProgram);

// Ends the process as failed if it is still running after nSeconds.
void StartWatchdog(unsigned nSeconds);
