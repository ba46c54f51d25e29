#include "WavFormat.h"

#include <cstring>

namespace {

void PutLe16(uint8_t* p, uint32_t n) {
    p[0] = static_cast<uint8_t>(n);
    p[1] = static_cast<uint8_t>(n >> 8);
}

void PutLe32(uint8_t* p, uint32_t n) {
    PutLe16(p, n);
    PutLe16(p + 2, n >> 16);
}

}  // namespace

EFormatCheck CheckFormat(const CWavFormat& format) {
    if (format.m_nBits != 8 && format.m_nBits != 16 && format.m_nBits != 24) {
        return EFormatCheck::kBadBits;
    }
    if (format.m_nChannels != 1 && format.m_nChannels != 2) {
        return EFormatCheck::kBadChannels;
    }
    if (format.m_nRate < kMinEncodeRate) {
        return EFormatCheck::kRateTooLow;
    }
    if (format.m_nRate > kMaxEncodeRate) {
        return EFormatCheck::kRateTooHigh;
    }
    return EFormatCheck::kOk;
}

int32_t FrameSize(const CWavFormat& format) {
    return format.m_nBits / 8 * format.m_nChannels;
}

std::array<uint8_t, kWavHeaderSize> MakeWavHeader(const CWavFormat& format, uint32_t nDataBytes) {
    const auto nFrameSize = static_cast<uint32_t>(FrameSize(format));
    const auto nRate = static_cast<uint32_t>(format.m_nRate);
    std::array<uint8_t, kWavHeaderSize> header{};
    uint8_t* p = header.data();
    std::memcpy(p, "RIFF", 4);
    PutLe32(p + 4, nDataBytes + (kWavHeaderSize - 8));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    PutLe32(p + 16, 18);  // chunk size: 16 bytes of format plus the extension size
    PutLe16(p + 20, 1);   // PCM
    PutLe16(p + 22, static_cast<uint32_t>(format.m_nChannels));
    PutLe32(p + 24, nRate);
    PutLe32(p + 28, nRate * nFrameSize);
    PutLe16(p + 32, nFrameSize);
    PutLe16(p + 34, static_cast<uint32_t>(format.m_nBits));
    PutLe16(p + 36, 0);  // no extension
    std::memcpy(p + 38, "data", 4);
    PutLe32(p + 42, nDataBytes);
    return header;
}
