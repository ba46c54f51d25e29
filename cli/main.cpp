// tavro-tape-cli: one conversion run from the command line.
#include <cstdio>

#include "Arguments.h"
#include "CliOwner.h"
#include "ConversionRun.h"
#include "TextSink.h"
#include "Version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>

#include <csignal>
#endif

namespace {

constexpr const char* kUsage =
    "usage: tavro-tape-cli [--help] [--version] [--] PATH\n"
    "\n"
    "Decodes the tape recording in the WAV file PATH and writes every decoded\n"
    "byte to \"test.dat\" in the current directory.\n"
    "\n"
    "Exit status: 0 when the recording was read to its end, 1 when a file\n"
    "could not be opened, read or written, 2 for a usage error.\n";

bool IsTerminal(std::FILE* pFile) {
#ifdef _WIN32
    return _isatty(_fileno(pFile)) != 0;
#else
    return isatty(fileno(pFile)) != 0;
#endif
}

// Texts are UTF-8 whatever the locale: the bytes go out unchanged.
void PrepareOutput(bool bTerminal) {
#ifdef _WIN32
    if (bTerminal) {
        SetConsoleOutputCP(CP_UTF8);
    } else {
        _setmode(_fileno(stdout), _O_BINARY);
    }
#else
    (void)bTerminal;
#endif
}

int RunOne(const std::string& strPath) {
    const bool bTerminal = IsTerminal(stdout);
    PrepareOutput(bTerminal);
    CLineSink lineSink(stdout);
    CTerminalSink terminalSink(stdout);
    CTextSink& sink = bTerminal ? static_cast<CTextSink&>(terminalSink) : lineSink;

    CCliOwner owner(strPath, sink);
    const ERunResult eResult = RunConversion(owner);
    sink.Finish();
    return eResult == ERunResult::kDone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    // Past a file-size limit, writing "test.dat" then fails (EFBIG) instead
    // of killing the program, and the run says so like on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const CCliRequest request = ParseArguments(GetUtf8Arguments(argc, argv));
    switch (request.eAction) {
        case ECliAction::kHelp:
            std::fputs(kUsage, stdout);
            return 0;
        case ECliAction::kVersion:
            std::printf("tavro-tape-cli %s\n", TAVRO_VERSION_STRING);
            return 0;
        case ECliAction::kRun:
            return RunOne(request.strPath);
        case ECliAction::kUsageError:
            break;
    }
    std::fprintf(stderr, "tavro-tape-cli: %s\n\n%s", request.strError.c_str(), kUsage);
    return 2;
}
