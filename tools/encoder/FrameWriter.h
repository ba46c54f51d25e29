// Renders runs of sample frames at one of the two signal levels into a byte
// sink, through a fixed buffer.
//
// The tape signal is carried by the top byte of each sample of the last
// channel, the byte the reader keeps of every frame. Everything else in a
// frame is noise: the lower bytes of a wide sample, and every byte of the
// first channel of a stereo frame. A reader that takes any other byte of the
// frame than the last one therefore sees no usable signal.
#pragma once

#include <array>
#include <cstdint>

#include "ByteSink.h"
#include "WavFormat.h"

class CFrameWriter {
public:
    // The last byte of a frame on the two sides of the reader's midpoint
    // (bit 7 of the kept byte). Chosen away from the midpoint so that the mean
    // of four tick values is never near it: see CTapeEncoder for the delays.
    static constexpr uint8_t kHighByte = 0xC0;
    static constexpr uint8_t kLowByte = 0x20;

    CFrameWriter(const CWavFormat& format, CByteSink& sink);

    // Appends nFrames frames whose signal byte is kHighByte or kLowByte.
    // False once any write to the sink has failed.
    bool WriteFrames(bool bHigh, uint64_t nFrames);
    bool Flush();

    uint64_t FramesWritten() const { return m_nFrames; }

private:
    template <int nSampleBytes, int nChannels>
    void Render(uint8_t nLevel, uint64_t nFrames);
    uint64_t NextNoise();

    static constexpr size_t kBufferSize = 64 * 1024;

    CByteSink& m_sink;
    int32_t m_nSampleBytes;
    int32_t m_nChannels;
    uint64_t m_nFrames = 0;
    uint64_t m_nNoise = 0x9E3779B97F4A7C15ull;  // xorshift state, fixed so output is repeatable
    size_t m_nFill = 0;
    bool m_bFailed = false;
    std::array<uint8_t, kBufferSize> m_buf{};
};
