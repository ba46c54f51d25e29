#include "WavWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagALaw = 6;
constexpr uint16_t kTagMuLaw = 7;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The GUID tail shared by KSDATAFORMAT_SUBTYPE_PCM and _IEEE_FLOAT; the
// first two bytes are the plain format tag.
constexpr std::array<uint8_t, 14> kGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint32_t kSpeakerFrontCenter = 0x4;
constexpr uint32_t kSpeakersFrontLeftRight = 0x3;

class CChunkBytes {
public:
    // Room for any header up front (which also keeps GCC 12 from a false
    // -Wstringop-overflow on the appends).
    CChunkBytes() { m_bytes.reserve(256); }
    void Tag(std::string_view str) { m_bytes.insert(m_bytes.end(), str.begin(), str.end()); }
    void Le(uint64_t n, int nBytes) {
        for (int k = 0; k < nBytes; ++k) {
            m_bytes.push_back(static_cast<uint8_t>(n >> (8 * k)));
        }
    }
    // A NUL-terminated string as a sub-chunk, with its pad byte.
    void String(std::string_view strTag, std::string_view str) {
        Tag(strTag);
        Le(str.size() + 1, 4);
        Tag(str);
        m_bytes.push_back(0);
        if ((str.size() + 1) % 2 != 0) {
            m_bytes.push_back(0);
        }
    }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> FmtChunk(const CAnalogFormat& format) {
    const auto nFrameSize = static_cast<uint32_t>(AnalogFrameSize(format));
    const uint16_t nPlainTag = format.m_eCompanding == ECompanding::kMuLaw  ? kTagMuLaw
                               : format.m_eCompanding == ECompanding::kALaw ? kTagALaw
                               : format.m_bFloat                            ? kTagFloat
                                                                            : kTagPcm;
    CChunkBytes chunk;
    chunk.Le(format.m_bExtensible ? kTagExtensible : nPlainTag, 2);
    chunk.Le(static_cast<uint32_t>(format.m_nChannels), 2);
    chunk.Le(static_cast<uint32_t>(format.m_nRate), 4);
    chunk.Le(static_cast<uint32_t>(format.m_nRate) * nFrameSize, 4);
    chunk.Le(nFrameSize, 2);
    chunk.Le(static_cast<uint32_t>(format.m_nBits), 2);
    if (format.m_bExtensible) {
        chunk.Le(22, 2);                                     // extension size
        chunk.Le(static_cast<uint32_t>(format.m_nBits), 2);  // valid bits
        chunk.Le(format.m_nChannels == 1 ? kSpeakerFrontCenter : kSpeakersFrontLeftRight, 4);
        chunk.Le(nPlainTag, 2);
        chunk.Bytes().insert(chunk.Bytes().end(), kGuidTail.begin(), kGuidTail.end());
    } else if (nPlainTag != kTagPcm) {
        chunk.Le(0, 2);  // a format other than PCM carries its (empty) extension size
    }
    return std::move(chunk.Bytes());
}

std::vector<uint8_t> ListChunk() {
    CChunkBytes chunk;
    chunk.Tag("INFO");
    chunk.String("ISFT", kListSoftware);
    chunk.String("ICMT", kListComment);
    return std::move(chunk.Bytes());
}

// Rounds half away from zero and clips to the nBits-bit signed range.
template <int nBits>
int64_t Quantise(double d) {
    constexpr double dScale = static_cast<double>(int64_t{1} << (nBits - 1));
    constexpr int64_t nMax = (int64_t{1} << (nBits - 1)) - 1;
    const double dScaled = std::clamp(d * dScale, -dScale, dScale);
    const auto n = static_cast<int64_t>(dScaled + (dScaled >= 0 ? 0.5 : -0.5));
    return std::min(n, nMax);
}

// G.711 from a 16-bit sample: a sign, a 3-bit segment (the place of the
// highest bit) and 4 bits below it.
uint8_t MuLaw(double d) {
    constexpr int32_t kBias = 0x84;
    constexpr int32_t kClip = 32635;
    const auto n = static_cast<int32_t>(Quantise<16>(d));
    const int32_t nMagnitude = std::min(n < 0 ? -n : n, kClip) + kBias;
    const int nSegment = static_cast<int>(std::bit_width(static_cast<uint32_t>(nMagnitude))) - 8;
    const int32_t nMantissa = (nMagnitude >> (nSegment + 3)) & 0x0F;
    return static_cast<uint8_t>(~((n < 0 ? 0x80 : 0) | (nSegment << 4) | nMantissa));
}

uint8_t ALaw(double d) {
    const auto n = static_cast<int32_t>(Quantise<16>(d));
    const int32_t nMagnitude = n < 0 ? -n - 1 : n;
    const int nSegment =
        std::max(0, static_cast<int>(std::bit_width(static_cast<uint32_t>(nMagnitude))) - 8);
    const int32_t nMantissa = (nMagnitude >> (nSegment == 0 ? 4 : nSegment + 3)) & 0x0F;
    return static_cast<uint8_t>(((nSegment << 4) | nMantissa) ^ (n < 0 ? 0x55 : 0xD5));
}

template <int nBytes>
void PutLe(uint8_t* p, uint64_t n) {
    for (int k = 0; k < nBytes; ++k) {
        p[k] = static_cast<uint8_t>(n >> (8 * k));
    }
}

}  // namespace

int32_t AnalogFrameSize(const CAnalogFormat& format) {
    return format.m_nBits / 8 * format.m_nChannels;
}

std::vector<uint8_t> MakeAnalogWavHeader(const CAnalogFormat& format, uint64_t nFrames) {
    const uint64_t nDataBytes = nFrames * static_cast<uint64_t>(AnalogFrameSize(format));
    const std::vector<uint8_t> fmt = FmtChunk(format);
    const std::vector<uint8_t> list = format.m_bListChunk ? ListChunk() : std::vector<uint8_t>{};
    CChunkBytes header;
    header.Tag("RIFF");
    // Formats other than PCM carry a fact chunk with the frame count.
    const bool bFact = format.m_bFloat || format.m_eCompanding != ECompanding::kNone;
    const uint64_t nRiffSize = 4 + 8 + fmt.size() + (bFact ? 12 : 0) +
                               (list.empty() ? 0 : 8 + list.size()) + 8 + nDataBytes +
                               nDataBytes % 2;
    if (nFrames > 0xFFFFFFFFull || nRiffSize > 0xFFFFFFFFull) {
        return {};
    }
    header.Le(nRiffSize, 4);
    header.Tag("WAVE");
    header.Tag("fmt ");
    header.Le(fmt.size(), 4);
    header.Bytes().insert(header.Bytes().end(), fmt.begin(), fmt.end());
    if (bFact) {
        header.Tag("fact");
        header.Le(4, 4);
        header.Le(nFrames, 4);
    }
    if (!list.empty()) {
        header.Tag("LIST");
        header.Le(list.size(), 4);
        header.Bytes().insert(header.Bytes().end(), list.begin(), list.end());
    }
    header.Tag("data");
    header.Le(nDataBytes, 4);
    return std::move(header.Bytes());
}

CWavWriter::CWavWriter(const CAnalogFormat& format, CByteSink& sink)
    : m_format(format), m_sink(sink), m_nSampleBytes(static_cast<size_t>(format.m_nBits / 8)) {}

bool CWavWriter::Begin(uint64_t nFrames) {
    const std::vector<uint8_t> header = MakeAnalogWavHeader(m_format, nFrames);
    m_nAnnounced = nFrames;
    m_bFailed = header.empty() || !m_sink.Write(header);
    return !m_bFailed;
}

template <typename TPut>
void CWavWriter::Encode(std::span<const double> signal, std::span<const double> other, TPut put) {
    const bool bStereo = m_format.m_nChannels == 2;
    const size_t nSignalAt = bStereo ? static_cast<size_t>(m_format.m_nSignalChannel) : 0;
    const size_t nOtherAt = 1 - nSignalAt;
    const size_t nFrameSize = m_nSampleBytes * (bStereo ? 2 : 1);
    m_buf.resize(signal.size() * nFrameSize);
    uint8_t* p = m_buf.data();
    for (size_t k = 0; k < signal.size(); ++k) {
        put(p + nSignalAt * m_nSampleBytes, signal[k]);
        if (bStereo) {
            put(p + nOtherAt * m_nSampleBytes, other[k]);
        }
        p += nFrameSize;
    }
}

bool CWavWriter::Write(std::span<const double> signal, std::span<const double> other) {
    if (m_bFailed) {
        return false;
    }
    if (m_format.m_nChannels == 2 && other.size() != signal.size()) {
        m_bFailed = true;
        return false;
    }
    if (m_format.m_eCompanding != ECompanding::kNone) {
        const bool bMuLaw = m_format.m_eCompanding == ECompanding::kMuLaw;
        Encode(signal, other, [bMuLaw](uint8_t* p, double d) { *p = bMuLaw ? MuLaw(d) : ALaw(d); });
    } else {
        switch (m_format.m_bFloat ? -m_format.m_nBits : m_format.m_nBits) {
            case 8:
                Encode(signal, other, [](uint8_t* p, double d) {
                    *p = static_cast<uint8_t>(Quantise<8>(d) + 128);
                });
                break;
            case 16:
                Encode(signal, other, [](uint8_t* p, double d) {
                    PutLe<2>(p, static_cast<uint64_t>(Quantise<16>(d)));
                });
                break;
            case 24:
                Encode(signal, other, [](uint8_t* p, double d) {
                    PutLe<3>(p, static_cast<uint64_t>(Quantise<24>(d)));
                });
                break;
            case 32:
                Encode(signal, other, [](uint8_t* p, double d) {
                    PutLe<4>(p, static_cast<uint64_t>(Quantise<32>(d)));
                });
                break;
            case -32:
                Encode(signal, other, [](uint8_t* p, double d) {
                    PutLe<4>(p, std::bit_cast<uint32_t>(static_cast<float>(d)));
                });
                break;
            case -64:
                Encode(signal, other,
                       [](uint8_t* p, double d) { PutLe<8>(p, std::bit_cast<uint64_t>(d)); });
                break;
            default:
                m_bFailed = true;
                return false;
        }
    }
    m_nWritten += signal.size();
    m_bFailed = m_nWritten > m_nAnnounced || !m_sink.Write(m_buf);
    return !m_bFailed;
}

bool CWavWriter::Finish() {
    if (m_bFailed || m_nWritten != m_nAnnounced) {
        m_bFailed = true;
        return false;
    }
    const uint64_t nDataBytes = m_nWritten * static_cast<uint64_t>(AnalogFrameSize(m_format));
    if (nDataBytes % 2 != 0) {
        const uint8_t nPad = 0;
        m_bFailed = !m_sink.Write(std::span<const uint8_t>(&nPad, 1));
    }
    return !m_bFailed;
}
