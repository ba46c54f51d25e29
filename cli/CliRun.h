// One recording of a tavro-tape-cli call: decoded into its output file,
// shown on standard output (the text lines, or JSON Lines), and its report
// written when one is asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BlockFiles.h"

#include "RobustDecoder.h"
#include "RunPlan.h"
#include "TapeDecoder.h"
#include "TextSink.h"

struct SRunOptions {
    bool m_bRobust = false;
    int32_t m_nChannel = 0;    // with m_bRobust; 0 chooses
    bool m_bJson = false;      // JSON Lines instead of the text lines
    bool m_bTerminal = false;  // standard output is a terminal
    bool m_bTagPath = false;   // several recordings: every JSON event names its recording
};

// The exit status of the run: 0 when the recording was read to its end
// (and its report written), 1 otherwise.
int RunRecording(const SRunPlan& plan, const SRunOptions& options);

// Writes each block as a file of its own into strFolder (--split); false,
// with a message on standard error, when one cannot be written.
bool WriteSplit(const std::string& strFolder, const std::vector<SNamedBlock>& blocks);

// A run through a decoder that the caller made (the robust decoder on a
// live capture); pRobust: the robust decoder behind it, told of the sink
// as its listener; pTerminalSink, when given, shows the run on a terminal
// instead of the status line.
int RunDecoding(const SRunPlan& plan, const SRunOptions& options, CTapeDecoder& decoder,
                CRobustDecoder* pRobust, CTextSink* pTerminalSink = nullptr);
