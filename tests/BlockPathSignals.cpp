#include "BlockPathSignals.h"

#include <algorithm>
#include <array>

namespace {

constexpr int32_t kTickRate = 44100;
constexpr int32_t kShortTicks = 11;
constexpr int32_t kLongTicks = 34;

}  // namespace

CFrameSignal::CFrameSignal(uint32_t nSeed, int32_t nRate) : m_rng(nSeed), m_nRate(nRate) {}

void CFrameSignal::SetJitter(int32_t nJitter, bool bWild) {
    m_nJitter = nJitter;
    m_bWild = bWild;
}

int32_t CFrameSignal::FramesFor(int32_t nTicks) const {
    if (m_nRate <= 0 || m_nRate >= kTickRate) {
        return nTicks;  // one frame per tick
    }
    const int64_t nFrames = (int64_t{nTicks} * m_nRate + kTickRate / 2) / kTickRate;
    return static_cast<int32_t>(std::max<int64_t>(nFrames, 1));
}

uint8_t CFrameSignal::LevelValue(bool bHigh) {
    if (m_bWild) {
        const auto nValue = static_cast<uint8_t>(m_rng() & 0x7F);
        return bHigh ? static_cast<uint8_t>(0x80 | nValue) : nValue;
    }
    const int32_t nBase = bHigh ? 0xC0 : 0x20;
    const int32_t nOff =
        m_nJitter > 0
            ? static_cast<int32_t>(m_rng() % static_cast<uint32_t>(2 * m_nJitter + 1)) - m_nJitter
            : 0;
    return static_cast<uint8_t>(nBase + nOff);
}

CFrameSignal& CFrameSignal::Half(int32_t nTicks) {
    m_bHigh = !m_bHigh;
    const int32_t nFrames = FramesFor(nTicks);
    for (int32_t k = 0; k < nFrames; ++k) {
        m_nValues.push_back(LevelValue(m_bHigh));
    }
    return *this;
}

CFrameSignal& CFrameSignal::Halves(int32_t nTicks, int32_t nCount) {
    for (int32_t k = 0; k < nCount; ++k) {
        Half(nTicks);
    }
    return *this;
}

CFrameSignal& CFrameSignal::RandomHalves(int32_t nMin, int32_t nMax, int32_t nCount) {
    for (int32_t k = 0; k < nCount; ++k) {
        Half(nMin + static_cast<int32_t>(m_rng() % static_cast<uint32_t>(nMax - nMin + 1)));
    }
    return *this;
}

CFrameSignal& CFrameSignal::BoundaryHalves(int32_t nCount) {
    // Raw lengths; the smoothing moves the crossings by a tick either way.
    static constexpr std::array<int32_t, 20> kLengths = {1,  2,  3,  4,  5,  6,  7,  25, 26, 27,
                                                         28, 40, 41, 42, 43, 45, 46, 47, 48, 90};
    for (int32_t k = 0; k < nCount; ++k) {
        Half(kLengths[m_rng() % kLengths.size()]);
    }
    return *this;
}

CFrameSignal& CFrameSignal::Byte(uint8_t nByte) {
    Half(kLongTicks);
    bool bLevel = false;
    for (int32_t nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = ((nByte >> nBit) & 1) != 0;
        if (bBit != bLevel) {
            Half(kLongTicks);
        } else {
            Halves(kShortTicks, 2);
        }
        bLevel = bBit;
    }
    if (!bLevel) {
        Half(kLongTicks);
    }
    return *this;
}

CFrameSignal& CFrameSignal::RandomBytes(int32_t nCount) {
    for (int32_t k = 0; k < nCount; ++k) {
        Byte(static_cast<uint8_t>(m_rng()));
    }
    return *this;
}

CFrameSignal& CFrameSignal::Noise(int32_t nFrames) {
    for (int32_t k = 0; k < nFrames; ++k) {
        m_nValues.push_back(static_cast<uint8_t>(m_rng()));
    }
    return *this;
}

CFrameSignal& CFrameSignal::Block(int32_t nLeader, int32_t nBytes) {
    Halves(kShortTicks, nLeader);
    return RandomBytes(nBytes);
}

std::vector<uint8_t> CFrameSignal::Data(uint8_t nFrameSize) const {
    const int32_t nStride = (nFrameSize >= 2 && nFrameSize <= 4) ? nFrameSize : 1;
    std::vector<uint8_t> data;
    data.reserve(m_nValues.size() * static_cast<size_t>(nStride));
    for (const uint8_t nValue : m_nValues) {
        for (int32_t k = 1; k < nStride; ++k) {
            data.push_back(static_cast<uint8_t>(m_rng()));
        }
        data.push_back(nValue);
    }
    return data;
}
