// The WAV layout that the encoder writes: PCM, 8, 16 or 24 bits, one or two
// channels, behind a 46-byte header ("fmt " chunk of 18 bytes with a zero
// extension size), so that the sample frames start at file offset 46.
#pragma once

#include <array>
#include <cstdint>

struct CWavFormat {
    int32_t m_nRate = 44100;  // frames per second
    int32_t m_nBits = 8;      // 8, 16 or 24
    int32_t m_nChannels = 1;  // 1 or 2; with 2 the tape signal is the second channel
};

// The lowest and highest frame rates the encoder renders.
// From the lowest, 44,100 / 20, up, the reader holds a frame for at most 20
// ticks, so that a short half-period fits in one frame (measured at most 21
// ticks) and a long one in the two or three frames nearest to its length
// (measured 27-41 ticks). Below it, two frames can span 42 ticks, which the
// reader takes for a gap. Above the highest the reader no longer holds frames
// on its tick clock but stretches the recording.
inline constexpr int32_t kMinEncodeRate = 2205;
inline constexpr int32_t kMaxEncodeRate = 44100;

inline constexpr uint32_t kWavHeaderSize = 46;
// The largest data chunk whose RIFF size still fits the 32-bit field.
inline constexpr uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - (kWavHeaderSize - 8);

enum class EFormatCheck { kOk, kBadBits, kBadChannels, kRateTooLow, kRateTooHigh };

EFormatCheck CheckFormat(const CWavFormat& format);

// Bytes per sample frame (the header's block align).
int32_t FrameSize(const CWavFormat& format);

// The 46-byte header for nDataBytes bytes of sample frames.
std::array<uint8_t, kWavHeaderSize> MakeWavHeader(const CWavFormat& format, uint32_t nDataBytes);
