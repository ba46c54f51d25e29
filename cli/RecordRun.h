// tavro-tape-cli --record: captures from a sound card, decodes with the
// robust decoder as the audio arrives and keeps the recording; and
// --list-devices.
#pragma once

#include <ctime>
#include <string>

#include "Arguments.h"
#include "CliRun.h"

// Where the recording is kept when --keep does not say:
// tape-YYYYMMDD-HHMMSS.flac (local time) in the folder of strOutput.
std::string DefaultKeepPath(const std::string& strOutput, std::time_t nNow);

// The exit status: 0 when the recording ended as asked (Ctrl+C, --seconds,
// silence) and was decoded and kept; 1 when the device, the output or the
// kept recording failed; 2 for a usage error.
int RunRecord(const CCliRequest& request, const SRunOptions& options);

// The input devices, one a line, "N: NAME (HOST, C channels, R Hz)", the
// default one marked with "*".
int ListDevices();
