// CTapeReader: turns a WAV recording of a tape into a stream of smoothed
// 8-bit values on a 44,100-tick clock, and demodulates that stream into bytes.
//
// Layers, from the file up:
//   ReadFileByte  buffered bytes of the file (blocks of 10,240 bytes)
//   ReadFrame     one byte kept per sample frame
//   NextTick      sample-and-hold onto the 44,100-per-second tick clock
//   NextSmoothed  mean of the last four tick values
// and, on top, the half-period demodulator: MeasureHalfPeriod, FindLeader,
// WaitStartMark and ReadDataByte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "TickBlock.h"

class CTapeReader {
public:
    // Ticks per second of the clock that every half-period is measured on.
    static constexpr int32_t kTickRate = 44100;
    // A frame is read on a tick once the phase passes this (not kTickRate).
    static constexpr int32_t kPhaseThreshold = 44000;
    // Size of the read buffer and of every read from the file.
    static constexpr int32_t kBufferSize = 10240;
    // Sample data is taken to start here, whatever the chunk layout.
    static constexpr int32_t kHeaderSize = 46;
    // Read-ahead of the input stream beneath the buffer.
    static constexpr size_t kStreamBufferSize = 65536;

    CTapeReader();
    virtual ~CTapeReader();
    CTapeReader(const CTapeReader&) = delete;
    CTapeReader& operator=(const CTapeReader&) = delete;

    // Recording source.
    int32_t Open(std::string strPath);  // 1 when opened and header read, else 0
    int32_t CheckEnd();                 // recomputes m_bEnd and returns it
    int32_t ReadFileByte();             // next byte of the file, 0 once exhausted
    int32_t ReadFrame();                // one frame; its last byte
    int32_t NextTick();                 // the held value for the next tick
    int32_t NextSmoothed();             // mean of the last four tick values

    // Half-period demodulator. FindLeader, WaitStartMark and ReadDataByte
    // run on blocks of ticks (CTickBlock); the ...PerTick versions take one
    // smoothed value at a time and are the reference that the block path
    // must match in every result and in the state it leaves.
    int32_t MeasureHalfPeriod();  // score 0-44: 45 minus the ticks counted
    int32_t FindLeader();         // 1 when a leader was found, 0 at end of data
    int32_t WaitStartMark();      // 1 when a long half-period was met, 0 at end
    int32_t ReadDataByte();       // the byte 0-255, or -1
    int32_t FindLeaderPerTick();
    int32_t WaitStartMarkPerTick();
    int32_t ReadDataBytePerTick();

    // True when the input stream has reported a read error (not end of file):
    // the data then ends early, and the run says so instead of "done".
    bool HasReadError() const;
    // Bytes of the file taken out of the buffer so far, header included.
    uint64_t BytesConsumed() const;

    int32_t m_nPhase;      // resampling phase accumulator
    int32_t m_nRate;       // sample rate of the open file, as in its header
    int32_t m_nHeld;       // value of the last frame read
    int32_t m_bEnd;        // nonzero once the data is exhausted
    int32_t m_nHist[4];    // last four tick values, newest first
    int32_t m_nFrameSize;  // bytes per sample frame (header byte 32)
    int32_t m_nPos;        // index of the next unread byte in m_buf
    int32_t m_nCount;      // valid bytes in m_buf; -1 after the end
    uint8_t m_buf[kBufferSize];
    std::FILE* m_pFile;
    std::string m_strOpenPath;

private:
    friend class CTickBlock;

    int32_t FillBuffer();  // one read of up to kBufferSize bytes into m_buf
    void CloseFile();

    // The input stream's buffer: allocated once with the reader, and
    // outliving every stream, which the destructor closes first.
    std::unique_ptr<char[]> m_pStreamBuffer;
    uint32_t m_nFills = 0;   // reads into m_buf so far: tells the block path the buffer changed
    uint64_t m_nFilled = 0;  // bytes read into m_buf since Open
    CTickBlock m_block;
};
