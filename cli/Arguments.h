// The command line of tavro-tape-cli.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The program's arguments (without the program name) in UTF-8. On Windows
// they are taken from the wide-character command line, so any file name
// comes through; elsewhere they are the bytes as given.
std::vector<std::string> GetUtf8Arguments(int argc, char** argv);

enum class ECliAction { kRun, kRecord, kListDevices, kHelp, kVersion, kUsageError };

struct CCliRequest {
    ECliAction eAction = ECliAction::kUsageError;
    std::string strPath;             // for kRun: the first recording
    std::vector<std::string> paths;  // for kRun: every recording, in order
    std::string strError;            // for kUsageError
    bool bRobust = false;            // --robust: the robust decoder
    int32_t nChannel = 0;            // --channel N (1-based) with --robust; 0 chooses
    bool bJson = false;              // --json: JSON Lines instead of the text lines
    std::string strReport;           // --report FILE (one recording) or DIR (several)
    std::string strOutput;           // -o FILE (one recording) or DIR (several)
    bool bMerge = false;             // --merge: the recordings are takes of one tape
    std::string strSplit;            // --split DIR: each block also as a file of its own there
    // kRecord: capture from a sound card (--record), decoded as it arrives.
    std::string strKeep;    // --keep FILE: the kept recording; empty for the default
    std::string strDevice;  // --device NAME|N; empty for the default input
    int32_t nRate = 44100;  // --rate N: frames per second
    int32_t nChannels = 0;  // --channels N; 0: two where the device has them
    double dSeconds = 0.0;  // --seconds N: stop after N s; 0: no limit
    double dSilence = 0.0;  // --stop-after-silence S; 0: never
};

// Options: --help, --version, --robust (-r), --channel N, --json,
// --report PATH, -o PATH (--output), --merge (two recordings or more, the
// robust decoder), --split DIR; an option's value may also follow '='
// (--report=PATH). "--" ends the options, so that a path may begin with '-'.
// At least one recording is needed to run. --record (kRecord) takes none and
// the robust decoder, with --keep FILE, --device NAME|N, --rate N,
// --channels N, --seconds N and --stop-after-silence S, which need it;
// --list-devices (kListDevices) lists the input devices.
CCliRequest ParseArguments(const std::vector<std::string>& args);
