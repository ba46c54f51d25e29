#include "TapeEncoder.h"

#include <algorithm>

#include "TickClock.h"

namespace {

// Ticks after an edge (0 = first tick at the new level) until the mean of
// the last four tick values is on the new side of the midpoint; -1 if never.
constexpr int32_t CrossingDelay(int32_t nFrom, int32_t nTo) {
    for (int32_t k = 0; k < 4; ++k) {
        const int32_t nMean = ((k + 1) * nTo + (3 - k) * nFrom) / 4;
        if ((nMean & 0x80) == (nTo & 0x80)) {
            return k;
        }
    }
    return -1;
}

constexpr int32_t kRiseDelay = CrossingDelay(CFrameWriter::kLowByte, CFrameWriter::kHighByte);
constexpr int32_t kFallDelay = CrossingDelay(CFrameWriter::kHighByte, CFrameWriter::kLowByte);
static_assert(kRiseDelay == 2 && kFallDelay == 1, "levels must give clean, fixed crossings");
// Mixed windows stay well away from the midpoint, so the delays do not hinge
// on how the mean is rounded.
static_assert((3 * CFrameWriter::kLowByte + CFrameWriter::kHighByte) / 4 <= 0x80 - 16);
static_assert((2 * CFrameWriter::kLowByte + 2 * CFrameWriter::kHighByte) / 4 <= 0x80 - 16);
static_assert((CFrameWriter::kLowByte + 3 * CFrameWriter::kHighByte) / 4 >= 0x80 + 16);

// A high half-period measures kRiseDelay - kFallDelay ticks shorter than it
// is raw, a low one that much longer: raw lengths make up for it.
constexpr int32_t kHighExtra = kRiseDelay - kFallDelay;

}  // namespace

CTapeEncoder::CTapeEncoder(const CWavFormat& format, CByteSink& sink)
    : m_format(format), m_sink(sink), m_writer(format, sink) {
    if (CheckFormat(format) != EFormatCheck::kOk) {
        m_bFailed = true;
        return;
    }
    const auto header = MakeWavHeader(format, 0);
    m_bFailed = !m_sink.Write(header);
}

void CTapeEncoder::AddHalfPeriod(int32_t nTicks) {
    if (m_bFailed) {
        return;
    }
    const int32_t nRate = m_format.m_nRate;
    const int64_t nRaw =
        std::max<int64_t>(1, int64_t{nTicks} + (m_bHigh ? kHighExtra : -kHighExtra));
    const int64_t nIdealEnd = FrameReadTick(nRate, m_nFrame) + nRaw;
    // The first frame read after the ideal end, or the last one at or before
    // it when that one is nearer and not the half-period's own first frame.
    int64_t nEnd = FramesReadBy(nRate, nIdealEnd);
    if (nEnd - 1 > m_nFrame &&
        nIdealEnd - FrameReadTick(nRate, nEnd - 1) < FrameReadTick(nRate, nEnd) - nIdealEnd) {
        --nEnd;
    }
    if (!m_writer.WriteFrames(m_bHigh, static_cast<uint64_t>(nEnd - m_nFrame))) {
        m_bFailed = true;
    }
    m_nFrame = nEnd;
    m_bHigh = !m_bHigh;
}

void CTapeEncoder::AddLeader(int32_t nHalfPeriods) {
    for (int32_t k = 0; k < nHalfPeriods; ++k) {
        AddHalfPeriod(kShortTicks);
    }
}

void CTapeEncoder::AddBit(bool bLevelChanges) {
    if (bLevelChanges) {
        AddHalfPeriod(kLongTicks);
    } else {
        AddHalfPeriod(kShortTicks);
        AddHalfPeriod(kShortTicks);
    }
}

void CTapeEncoder::AddByte(uint8_t nByte) {
    AddHalfPeriod(kLongTicks);
    bool bLevel = false;
    for (int32_t nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = ((nByte >> nBit) & 1) != 0;
        AddBit(bBit != bLevel);
        bLevel = bBit;
    }
    if (!bLevel) {
        AddHalfPeriod(kLongTicks);
    }
}

void CTapeEncoder::AddBytes(std::span<const uint8_t> bytes) {
    for (const uint8_t nByte : bytes) {
        AddByte(nByte);
    }
}

void CTapeEncoder::AddTail() {
    for (int32_t k = 0; k < kTailHalfPeriods; ++k) {
        AddHalfPeriod(kShortTicks);
    }
}

bool CTapeEncoder::Finish() {
    if (m_bFailed) {
        return false;
    }
    // A RIFF chunk of odd length would need a pad byte, which the reader
    // would take for a frame: hold the last level one frame longer instead.
    const auto nFrameSize = static_cast<uint64_t>(FrameSize(m_format));
    if (nFrameSize % 2 != 0 && FramesWritten() % 2 != 0) {
        m_writer.WriteFrames(!m_bHigh, 1);
    }
    const uint64_t nDataBytes = FramesWritten() * nFrameSize;
    if (!m_writer.Flush() || nDataBytes > kMaxWavDataBytes) {
        m_bFailed = true;
        return false;
    }
    const auto header = MakeWavHeader(m_format, static_cast<uint32_t>(nDataBytes));
    m_bFailed = !m_sink.Rewrite(0, header);
    return !m_bFailed;
}
