// Running a program of the project as a child process in the tests
// (POSIX): its folder, environment and file-size limit chosen, its output
// read through pipes, a hang ended after a minute.
#pragma once

#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct SChildOptions {
    // NAME=VALUE entries; empty: the test's own environment.
    std::vector<std::string> environment;
    rlim_t nFileSizeLimit = RLIM_INFINITY;
    bool bRemoveFolder = false;  // the folder is deleted once the child is in it
    // Opened as the child's standard input (a file, or a FIFO another thread
    // writes); empty: the test's own.
    std::string strStdin;
    // Called with all of standard output so far each time more has come.
    std::function<void(const std::string&)> onOutput;
};

struct SChildResult {
    int nExit = -1;  // -1 when it did not exit normally
    std::string strOut;
    std::string strErr;
};

// Runs strProgram with the arguments in folder. A failure to start or a
// hang is reported to GoogleTest and shows as exit -1.
SChildResult RunChild(const std::string& strProgram, const std::filesystem::path& folder,
                      const std::vector<std::string>& arguments, const SChildOptions& options = {});

// The test's own environment, as NAME=VALUE entries.
std::vector<std::string> CurrentEnvironment();
