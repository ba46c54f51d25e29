// The command line of tavro-tape-encode.
#pragma once

#include <string>
#include <vector>

#include "Recording.h"
#include "WavFormat.h"

enum class EEncodeAction { kRun, kHelp, kUsageError };

struct CEncodeRequest {
    EEncodeAction eAction = EEncodeAction::kUsageError;
    CWavFormat format;
    CEncodeOptions options;
    std::string strInput;   // "-" for standard input
    std::string strOutput;  // a file: its header sizes are written last
    std::string strError;   // for kUsageError
};

// Options: --rate N, --bits 8|16|24, --channels 1|2, --leader N, --name NAME
// (each also as --option=value), --help; "--" ends the options. Then exactly
// the input path and the output path.
CEncodeRequest ParseEncodeArguments(const std::vector<std::string>& args);
