// What a conversion run needs of a decoder. Two decoders implement it: the
// classic one on the 44,100-tick clock, and the robust one that reads any
// audio file on its own time base.
#pragma once

#include <cstdint>
#include <string>

class CTapeLog;

// What the file line says of an open recording.
struct SRecordingFormat {
    int32_t m_nRate = 0;      // frames per second (the header's field for the classic decoder)
    int32_t m_nBits = 0;      // bits shown on the file line
    int32_t m_nChannels = 0;  // 0 when the decoder does not know
    double m_dSeconds = 0.0;  // length in seconds, 0 when unknown
};

class CTapeDecoder {
public:
    virtual ~CTapeDecoder() = default;

    // Opens the recording at strPath (UTF-8); false when it cannot be read.
    // Starts a new log.
    virtual bool Open(const std::string& strPath) = 0;
    virtual SRecordingFormat GetFormat() const = 0;
    // 1 when a leader was found, 0 when the data ended first.
    virtual int32_t FindLeader() = 0;
    // The next byte 0-255 of the current block, or -1: the block ended (a
    // failure, or the end of the data). The run then searches for a leader.
    virtual int32_t ReadDataByte() = 0;
    // True once the data is exhausted.
    virtual bool IsAtEnd() const = 0;
    // True when the recording failed to read part way.
    virtual bool HasReadError() const = 0;
    // What the decoder found: blocks, failed bytes, half-period lengths.
    virtual const CTapeLog& GetLog() const = 0;
};
