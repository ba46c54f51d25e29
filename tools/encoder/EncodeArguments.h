// The command line of tavro-tape-encode.
#pragma once

#include <string>
#include <vector>

#include "AnalogSettings.h"
#include "Recording.h"
#include "WavFormat.h"

enum class EEncodeAction { kRun, kHelp, kVersion, kUsageError };

inline constexpr double kDefaultGapSeconds = 0.5;

struct CEncodeRequest {
    EEncodeAction eAction = EEncodeAction::kUsageError;
    CWavFormat format;
    CEncodeOptions options;
    std::string strInput;   // the first input; "-" for standard input
    std::string strOutput;  // a file: its header sizes are written last
    std::string strError;   // for kUsageError
    // An analog recording (AnalogRecording.h) instead of the tick-exact one:
    // chosen by any option of the analog renderer, a rate above 44,100 Hz,
    // 32-bit samples or more than one input.
    bool bAnalog = false;
    CAnalogFormat analog;  // rate, bits and channels as in format
    CImpairments impairments;
    double dGapSeconds = kDefaultGapSeconds;
    std::vector<std::string> inputs;  // every input, one block each
    std::vector<std::string> names;   // the --name values, for the inputs in order
};

// Options of both kinds: --rate N, --bits 8|16|24|32, --channels 1|2,
// --leader N, --name NAME (once per input); the analog renderer's --float,
// --other, --extensible, --list-chunk, --level, --speed, --wow, --wow-hz,
// --hiss, --hum, --hum-hz, --dc, --lowpass, --highpass, --dropouts,
// --dropout-ms, --dropout-depth, --invert, --seed, --gap. Each valued option
// also as --option=value; --help, --version; "--" ends the options. Then one or more
// inputs and the output path, which must end in ".wav" after several inputs.
CEncodeRequest ParseEncodeArguments(const std::vector<std::string>& args);
