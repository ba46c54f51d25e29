#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "TestFiles.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& str : strings) {
        pointers.push_back(str.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Reads the child's stdout and stderr to their ends. False when the child
// has not finished them in a minute (it hangs).
bool ReadOutputs(int nOut, int nErr, SChildResult& result,
                 const std::function<void(const std::string&)>& onOutput) {
    pollfd fds[2] = {{nOut, POLLIN, 0}, {nErr, POLLIN, 0}};
    std::string* pTexts[2] = {&result.strOut, &result.strErr};
    int nOpen = 2;
    while (nOpen > 0) {
        const int nReady = poll(fds, 2, 60000);
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady <= 0) {
            return false;
        }
        for (size_t k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0) {
                continue;
            }
            char buf[4096];
            const ssize_t nRead = read(fds[k].fd, buf, sizeof buf);
            if (nRead > 0) {
                pTexts[k]->append(buf, static_cast<size_t>(nRead));
                if (k == 0 && onOutput) {
                    onOutput(result.strOut);
                }
            } else {
                fds[k].fd = -1;  // poll skips it from now on
                --nOpen;
            }
        }
    }
    return true;
}

}  // namespace

SChildResult RunChild(const std::string& strProgram, const fs::path& folder,
                      const std::vector<std::string>& arguments, const SChildOptions& options) {
    // Everything the child needs is made before the fork.
    std::vector<std::string> args = {strProgram};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env =
        options.environment.empty() ? CurrentEnvironment() : options.environment;
    const std::vector<char*> argv = NullTerminated(args);
    const std::vector<char*> envp = NullTerminated(env);
    const std::string strFolder = PathUtf8(folder);
    const rlimit limit = {options.nFileSizeLimit, options.nFileSizeLimit};

    SChildResult result;
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipes";
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int nIn = options.strStdin.empty() ? 0 : open(options.strStdin.c_str(), O_RDONLY);
        const bool bReady =
            nIn >= 0 && (nIn == 0 || dup2(nIn, 0) == 0) && dup2(out[1], 1) == 1 &&
            dup2(err[1], 2) == 2 && chdir(strFolder.c_str()) == 0 &&
            (!options.bRemoveFolder || rmdir(strFolder.c_str()) == 0) &&
            (options.nFileSizeLimit == RLIM_INFINITY || setrlimit(RLIMIT_FSIZE, &limit) == 0);
        if (bReady) {
            execve(argv[0], argv.data(), envp.data());
        }
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
    } else {
        if (!ReadOutputs(out[0], err[0], result, options.onOutput)) {
            ADD_FAILURE() << strProgram << " did not finish";
            kill(pid, SIGKILL);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }
    close(out[0]);
    close(err[0]);
    return result;
}

std::vector<std::string> CurrentEnvironment() {
    std::vector<std::string> env;
    for (char** p = environ; *p != nullptr; ++p) {
        env.emplace_back(*p);
    }
    return env;
}
