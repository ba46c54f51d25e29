// Whole recordings in one call: leader, optional record header, the data
// and the tail, into a sink, a file or memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ByteSink.h"
#include "TapeEncoder.h"
#include "WavFormat.h"

struct CEncodeOptions {
    int32_t m_nLeader = CTapeEncoder::kDefaultLeader;  // short half-periods before the data
    bool m_bRecordHeader = false;  // put MakeRecordHeader(m_strName) before the data
    std::string m_strName;
};

// True when the whole recording reached the sink.
bool EncodeToSink(const CWavFormat& format, std::span<const uint8_t> data,
                  const CEncodeOptions& options, CByteSink& sink);

// The recording as the bytes of a WAV file; empty on failure (bad format).
std::vector<uint8_t> EncodeRecording(const CWavFormat& format, std::span<const uint8_t> data,
                                     const CEncodeOptions& options);

// Writes the recording to the file at strPath (UTF-8); false when the file
// could not be created or written, in which case it is removed again.
bool WriteRecordingFile(const std::string& strPath, const CWavFormat& format,
                        std::span<const uint8_t> data, const CEncodeOptions& options);
