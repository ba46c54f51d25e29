// Long recordings for the benchmark, written by the tape encoder: blocks of
// random bytes, each behind a leader and a record header, as a real tape
// holds them.
#pragma once

#include <cstdint>
#include <string>

struct SBenchRecording {
    std::string m_strLabel;  // "8-bit mono" ...
    std::string m_strPath;
    int32_t m_nBits = 8;
    int32_t m_nChannels = 1;
    double m_dMinutes = 0;
    uint64_t m_nFileBytes = 0;
    uint64_t m_nFrames = 0;     // one tick each at 44,100 Hz
    uint64_t m_nDataBytes = 0;  // bytes encoded, record headers included
    int32_t m_nBlocks = 0;
};

// Writes the recording to rec.m_strPath (44,100 Hz, rec.m_nBits and
// rec.m_nChannels, at least rec.m_dMinutes long) and fills in the counts.
// False when the file could not be written.
bool WriteBenchRecording(SBenchRecording& rec, uint32_t nSeed);
