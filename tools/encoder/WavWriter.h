// WAV files of the analog renderer, written by hand (the encoder is also
// built for Windows, without libsndfile): 8-bit unsigned, 16, 24 and 32-bit
// signed integer and 32 and 64-bit IEEE float samples; a plain "fmt " chunk
// or WAVE_FORMAT_EXTENSIBLE; a "fact" chunk with float samples; optionally a
// LIST/INFO chunk before "data" whose first string has an odd size and so a
// pad byte; a pad byte after odd-sized data; all RIFF sizes exact.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "AnalogSettings.h"
#include "ByteSink.h"

// The strings of the LIST/INFO chunk: software (odd size with its NUL), then
// a comment.
inline constexpr std::string_view kListSoftware = "tavro-tape-encode (analog)";
inline constexpr std::string_view kListComment = "impaired test recording";
static_assert(kListSoftware.size() % 2 == 0, "the software string needs a pad byte");

// Bytes per sample frame.
int32_t AnalogFrameSize(const CAnalogFormat& format);

// Everything before the sample frames of a recording of nFrames frames;
// empty when the file would pass the 4 GiB limit of the RIFF sizes.
std::vector<uint8_t> MakeAnalogWavHeader(const CAnalogFormat& format, uint64_t nFrames);

class CWavWriter {
public:
    CWavWriter(const CAnalogFormat& format, CByteSink& sink);

    // Writes the header for nFrames frames; false when that is too many or
    // the write failed.
    bool Begin(uint64_t nFrames);
    // Appends frames: signal (full scale -1..1) in the signal channel and,
    // in a stereo file, other (same length) in the other one. Integer
    // samples are rounded and clipped; float ones are written as they are.
    bool Write(std::span<const double> signal, std::span<const double> other);
    // The pad byte if needed; false unless exactly the announced frames
    // were written and every write succeeded.
    bool Finish();

private:
    template <typename TPut>
    void Encode(std::span<const double> signal, std::span<const double> other, TPut put);

    CAnalogFormat m_format;
    CByteSink& m_sink;
    size_t m_nSampleBytes;
    uint64_t m_nAnnounced = 0;
    uint64_t m_nWritten = 0;
    bool m_bFailed = false;
    std::vector<uint8_t> m_buf;
};
