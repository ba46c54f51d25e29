// The signal around a place in a recording as the classic demodulator sees
// it there, read again from the file: the smoothed tick values, their
// crossings of the midpoint, and the class that the demodulator gives the
// half-period that each crossing starts.
#pragma once

#include <cstdint>
#include <string>

#include "TapeLog.h"

struct STickFile {
    std::string m_strPath;  // UTF-8
    int32_t m_nRate = 0;    // as the reader took them from the header
    int32_t m_nFrameSize = 0;
    double m_dTickSeconds = 0.0;
};

// Frames that the reader has read after nTicks ticks of its clock.
int64_t FramesAfterTicks(int32_t nRate, int64_t nTicks);

// The ticks from nAt - nHalf to nAt + nHalf, read with a stream of their own
// (the decoder's reader is not touched); false when the file cannot be
// opened or read there. Past the end of the data the values are 0, as the
// reader takes them.
bool ReadTickSnapshot(const STickFile& file, int64_t nAt, int64_t nHalf, SSignalSnapshot& snapshot);
