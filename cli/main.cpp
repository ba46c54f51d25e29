// tavro-tape-cli: conversion runs from the command line.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CliOwner.h"
#include "CliRun.h"
#include "MergeRun.h"
#include "RunPlan.h"
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
    "usage: tavro-tape-cli [--help] [--version] [--robust [--channel N]] [--json]\n"
    "                      [--report FILE|DIR] [-o FILE|DIR] [--] PATH...\n"
    "       tavro-tape-cli --merge [--channel N] [--json] [--report FILE] [-o FILE]\n"
    "                      [--] TAKE TAKE...\n"
    "\n"
    "Decodes the tape recording in the WAV file PATH and writes every decoded\n"
    "byte to \"test.dat\" in the current directory. With several PATHs, each\n"
    "recording's bytes go to NAME.dat beside it, NAME being its file name\n"
    "without the extension.\n"
    "\n"
    "  -r, --robust   the robust decoder: any audio file (WAV of any layout,\n"
    "                 RF64, W64, AIFF, FLAC), any rate and sample format, also\n"
    "                 as it arrives: PATH \"-\" (standard input) or a FIFO;\n"
    "                 follows the deck's speed, hum, hiss and dropouts and\n"
    "                 picks up again after a lost byte; on a pipe it prints\n"
    "                 \"error: MM:SS.mmm\" for every lost byte as it is lost\n"
    "  --channel N    with --robust: decode channel N (1 = first); by default\n"
    "                 the channel that carries the tape\n"
    "  --report FILE  also write a report of the recording to FILE, one HTML\n"
    "                 page: a summary, a map of the blocks and failed bytes,\n"
    "                 the table of the blocks, the histogram of the\n"
    "                 half-periods and the signal around the first failed\n"
    "                 bytes; with several PATHs, FILE is a folder that gets\n"
    "                 NAME.html for each\n"
    "  -o FILE        write the bytes to FILE instead of \"test.dat\"; with\n"
    "                 several PATHs, FILE is the folder for the NAME.dat files\n"
    "  --merge        the PATHs are takes of one tape (played again, on another\n"
    "                 deck): each is decoded by the robust decoder with its\n"
    "                 usual lines, then their blocks are matched and their bytes\n"
    "                 aligned, and \"test.dat\" (or FILE of -o) gets the bytes\n"
    "                 the takes hold together, in tape order; a line per block\n"
    "                 \"merge: NAME: N bytes, K from take T, ..., D disagreements,\n"
    "                 U missing\" comes before the final status. Takes that\n"
    "                 cannot be read, or share no block, leave it untouched;\n"
    "                 --report FILE then gets the report of the merge: the\n"
    "                 takes, a table of the merged blocks and a strip per block\n"
    "                 showing which take gave which bytes, where the takes\n"
    "                 disagreed and where bytes are missing\n"
    "  --json         print JSON Lines instead of the file: and status: lines,\n"
    "                 one object per line in this order:\n"
    "                   {\"event\":\"file\",\"path\":...,\"rate\":...,\"bits\":...,\n"
    "                    \"channels\":...,\"seconds\":...}\n"
    "                   {\"event\":\"block\",\"index\":N,\"start\":S,\"end\":S,\n"
    "                    \"name\":\"...\",\"bytes\":N,\"failures\":N}\n"
    "                   {\"event\":\"error\",\"at\":S,\"block\":N}  (its failed bytes)\n"
    "                   {\"event\":\"end\",\"status\":\"...\",\"bytes\":N,\"exit\":N}\n"
    "                 times in seconds; with --robust as they are found, with\n"
    "                   {\"event\":\"block-start\",\"index\":N,\"start\":S}\n"
    "                   {\"event\":\"progress\",\"position\":S,\"peak\":DB}\n"
    "                 too, and \"reason\" in the end event of a recording that\n"
    "                 cannot be opened; with several PATHs each recording's\n"
    "                 events come in turn and every event has \"path\" too;\n"
    "                 with --merge each take's events, then per block\n"
    "                   {\"event\":\"merge\",\"index\":N,\"name\":\"...\",\"bytes\":N,\n"
    "                    \"from\":[K,...],\"disagreements\":D,\"missing\":U}\n"
    "                 and the end event of the merge\n"
    "\n"
    "A report that cannot be created (a missing folder, no permission) stops\n"
    "the call before anything is decoded.\n"
    "\n"
    "Exit status: 0 when every recording was read to its end, 1 when a file\n"
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

int Usage(const std::string& strError) {
    std::fprintf(stderr, "tavro-tape-cli: %s\n\n%s", strError.c_str(), kUsage);
    return 2;
}

// The takes of one tape merged into one recovery.
int RunMergeCall(const CCliRequest& request) {
    SRunOptions options;
    options.m_nChannel = request.nChannel;
    options.m_bJson = request.bJson;
    options.m_bTerminal = IsTerminal(stdout);
    PrepareOutput(options.m_bTerminal && !options.m_bJson);
    const std::string& strReport = request.strReport;
    if (!strReport.empty()) {
        // Nothing that is read may be written over, and the report is no output.
        const std::string strOutput = request.strOutput.empty() ? "test.dat" : request.strOutput;
        if (strReport == strOutput || std::find(request.paths.begin(), request.paths.end(),
                                                strReport) != request.paths.end()) {
            return Usage(
                EscapeControls("the report would overwrite a take or the bytes: " + strReport));
        }
        std::string strReason;
        if (!ProbeReportPath(strReport, strReason)) {
            std::fprintf(stderr, "tavro-tape-cli: cannot write the report %s: %s\n",
                         EscapeControls(strReport).c_str(), strReason.c_str());
            return 1;
        }
    }
    return RunMerge(request.paths, request.strOutput, strReport, options);
}

// Every recording in turn; the exit status is the worst of the runs.
int RunAll(const CCliRequest& request) {
    if (request.bMerge) {
        return RunMergeCall(request);
    }
    std::vector<SRunPlan> plans;
    std::string strError;
    if (!PlanRuns(request, plans, strError)) {
        return Usage(EscapeControls(strError));
    }
    for (const SRunPlan& plan : plans) {
        std::string strReason;
        if (!plan.m_strReport.empty() && !ProbeReportPath(plan.m_strReport, strReason)) {
            std::fprintf(stderr, "tavro-tape-cli: cannot write the report %s: %s\n",
                         EscapeControls(plan.m_strReport).c_str(), strReason.c_str());
            return 1;
        }
    }
    SRunOptions options;
    options.m_bRobust = request.bRobust;
    options.m_nChannel = request.nChannel;
    options.m_bJson = request.bJson;
    options.m_bTerminal = IsTerminal(stdout);
    options.m_bTagPath = plans.size() > 1;
    PrepareOutput(options.m_bTerminal && !options.m_bJson);
    int nWorst = 0;
    for (const SRunPlan& plan : plans) {
        nWorst = std::max(nWorst, RunRecording(plan, options));
    }
    return nWorst;
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
            return RunAll(request);
        case ECliAction::kUsageError:
            break;
    }
    return Usage(request.strError);
}
