// How the samples a CSoundInput hands out are stored, and the first stage of
// the chain, which turns them into chain samples: each a mean of a whole
// number of consecutive frames of one channel (a box mean), summed exactly
// in integers where the samples are integers, so that a recording gives the
// same chain whether it comes as WAV, AIFF or FLAC.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ESampleCoding : uint8_t {
    kU8,      // 1 byte, unsigned, midpoint 128
    kS8,      // 1 byte, two's complement
    kS16Le,   // 2 bytes, two's complement, little-endian
    kS16Be,   // 2 bytes, two's complement, big-endian
    kS24Le,   // 3 bytes, two's complement, little-endian
    kS24Be,   // 3 bytes, two's complement, big-endian
    kS32Le,   // 4 bytes, two's complement, little-endian
    kS32Be,   // 4 bytes, two's complement, big-endian
    kInt32,   // 4 bytes, two's complement in this machine's order, full scale 2^31
    kDouble,  // 8 bytes, IEEE double in this machine's order, full scale 1
};

int32_t BytesPerSample(ESampleCoding eCoding);

// Where one channel's samples lie among interleaved frames.
struct SChannelLayout {
    ESampleCoding m_eCoding = ESampleCoding::kS16Le;
    size_t m_nFrameBytes = 2;  // bytes from one frame to the next
    size_t m_nOffset = 0;      // bytes from a frame's start to the channel's sample
};

// Bytes a buffer must hold before its first frame and after its last: the
// 24-bit samples are loaded four bytes at a time (and eight keep doubles
// aligned).
constexpr size_t kSamplePadding = 8;

// pOut[b] = the mean of the channel's samples in frames b * nBox to
// (b + 1) * nBox - 1, full scale 1, for b < nBoxes. pFrames: the first
// frame, with kSamplePadding readable bytes before it and after the last.
void MeanBoxes(const SChannelLayout& layout, const uint8_t* pFrames, int32_t nBox, int32_t nBoxes,
               double* pOut);

// The largest magnitude among nCount samples p (0 for none).
double PeakOf(const double* p, int32_t nCount);
