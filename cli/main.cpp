// tavro-tape-cli: one conversion run from the command line.
#include <cstdio>

#include "Arguments.h"
#include "CliOwner.h"
#include "ConversionRun.h"
#include "RobustDecoder.h"
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
    "usage: tavro-tape-cli [--help] [--version] [--robust [--channel N]] [--] PATH\n"
    "\n"
    "Decodes the tape recording in the WAV file PATH and writes every decoded\n"
    "byte to \"test.dat\" in the current directory.\n"
    "\n"
    "  -r, --robust   the robust decoder: any audio file (WAV of any layout,\n"
    "                 RF64, W64, AIFF, FLAC), any rate and sample format;\n"
    "                 follows the deck's speed, hum, hiss and dropouts and\n"
    "                 picks up again after a lost byte; on a pipe it prints\n"
    "                 \"error: MM:SS.mmm\" for every lost byte\n"
    "  --channel N    with --robust: decode channel N (1 = first); by default\n"
    "                 the channel that carries the tape\n"
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

// Shows every lost byte as the decoder's log records it.
class CErrorLines : public CTapeLogListener {
public:
    explicit CErrorLines(CTextSink& sink) : m_sink(sink) {}
    void OnFailure(const STapeFailure& failure) override {
        m_sink.ShowError(FormatTapeTime(failure.m_dAt));
    }

private:
    CTextSink& m_sink;
};

int RunOne(const CCliRequest& request) {
    const bool bTerminal = IsTerminal(stdout);
    PrepareOutput(bTerminal);
    CLineSink lineSink(stdout);
    CTerminalSink terminalSink(stdout);
    CTextSink& sink = bTerminal ? static_cast<CTextSink&>(terminalSink) : lineSink;

    CCliOwner owner(request.strPath, sink);
    ERunResult eResult = ERunResult::kDone;
    if (request.bRobust) {
        CRobustDecoder decoder;
        decoder.SetChannel(request.nChannel);
        CErrorLines errorLines(sink);
        decoder.GetLog().SetListener(&errorLines);
        eResult = RunConversion(owner, decoder);
    } else {
        eResult = RunConversion(owner);
    }
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
            return RunOne(request);
        case ECliAction::kUsageError:
            break;
    }
    std::fprintf(stderr, "tavro-tape-cli: %s\n\n%s", request.strError.c_str(), kUsage);
    return 2;
}
