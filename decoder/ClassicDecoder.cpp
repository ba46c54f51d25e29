#include "ClassicDecoder.h"

#include <algorithm>

#include "DemodulatorRules.h"

namespace {

// A failed byte that is followed by decoded data within this time lost that
// byte; one followed by a longer pause was the end of its block.
constexpr double kFailureFollowedWithin = 0.25;  // s

// Crossing spacings, in ticks, that the reader counts as a byte's half-periods.
constexpr double kLongTicks = 34.0;
constexpr double kShortPairTicks = 22.0;

// s: the nominal length of byte nByte on tape, for placing a block's start
// before its first byte (the reader does not tell where that byte began).
double NominalByteTicks(uint8_t nByte) {
    double dTicks = kLongTicks;  // start mark
    bool bLevel = false;
    for (int32_t nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = ((nByte >> nBit) & 1) != 0;
        dTicks += bBit != bLevel ? kLongTicks : kShortPairTicks;
        bLevel = bBit;
    }
    return bLevel ? dTicks : dTicks + kLongTicks;
}

}  // namespace

bool CClassicDecoder::Open(const std::string& strPath) {
    m_log.Clear();
    m_bInBlock = false;
    m_bFailurePending = false;
    using namespace DemodulatorRules;
    const double dTick = 1.0 / CTapeReader::kTickRate;
    m_log.SetBounds({1.5 * dTick, (kGapShortMax + 0.5) * dTick, (kGapLongMax + 0.5) * dTick});
    return m_reader.Open(strPath) != 0;
}

SRecordingFormat CClassicDecoder::GetFormat() const {
    SRecordingFormat format;
    format.m_nRate = m_reader.m_nRate;
    format.m_nBits = 8 * m_reader.m_nFrameSize;
    return format;
}

double CClassicDecoder::Now() const {
    const int32_t nFrameSize = m_reader.m_nFrameSize;
    const uint64_t nFrameBytes = (nFrameSize >= 2 && nFrameSize <= 4) ? uint64_t(nFrameSize) : 1;
    const uint64_t nConsumed = m_reader.BytesConsumed();
    const uint64_t nData =
        nConsumed > CTapeReader::kHeaderSize ? nConsumed - CTapeReader::kHeaderSize : 0;
    return m_reader.m_nRate > 0 ? double(nData / nFrameBytes) / m_reader.m_nRate : 0.0;
}

int32_t CClassicDecoder::FindLeader() {
    m_bInBlock = false;
    return m_reader.FindLeader();
}

int32_t CClassicDecoder::ReadDataByte() {
    const int32_t c = m_reader.ReadDataByte();
    const double dNow = Now();
    if (c < 0) {
        if (m_bInBlock && !m_reader.m_bEnd) {
            m_bFailurePending = true;
            m_dFailureAt = dNow;
        }
        return c;
    }
    if (!m_bInBlock) {
        if (m_bFailurePending && dNow - m_dFailureAt <= kFailureFollowedWithin) {
            m_log.AddFailure(m_dFailureAt);
        }
        m_bFailurePending = false;
        // Ticks are real time up to 44,100 Hz; faster files are read a frame a tick.
        const double dTickSeconds = 1.0 / std::min(m_reader.m_nRate, CTapeReader::kTickRate);
        const auto nByte = static_cast<uint8_t>(c);
        m_log.BeginBlock(std::max(0.0, dNow - NominalByteTicks(nByte) * dTickSeconds));
        m_bInBlock = true;
    }
    m_log.AddByte(static_cast<uint8_t>(c), dNow);
    return c;
}
