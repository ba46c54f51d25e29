#include "TickMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "DemodulatorRules.h"

using namespace DemodulatorRules;

namespace {

constexpr double kSnapshotHalf = 0.005;  // s of signal either side of a failed byte

// The class that the demodulator gives a measurement nGap ticks long.
char ClassOfGap(int64_t nGap) {
    if (nGap < 2 || nGap > kGapLongMax) {
        return 'X';  // not seen, or too long for data
    }
    return nGap <= kGapShortMax ? 'S' : 'L';
}

}  // namespace

void CTickMeter::Reset(CTapeLog& log, double dTickSeconds) {
    m_pLog = &log;
    m_dTick = dTickSeconds;
    m_nTick = 0;
    m_nLastCrossing = -1;
    m_read = {};
    const CHalfPeriodHistogram& histogram = log.Histogram();
    for (int32_t nGap = 0; nGap < kTableGaps; ++nGap) {
        m_nBinOfGap[static_cast<size_t>(nGap)] =
            static_cast<int16_t>(histogram.BinOf(nGap * dTickSeconds));
    }
    m_bRings = log.WantsSnapshot();
    m_nCrossingCount = 0;
    m_eSnapshot = ESnapshot::kNone;
    m_bKeep = false;
}

void CTickMeter::CountGap(int64_t nGap) {
    if (nGap < kTableGaps) {
        m_pLog->AddHalfPeriods(m_nBinOfGap[static_cast<size_t>(nGap)], 1);
    } else {
        m_pLog->AddHalfPeriod(static_cast<double>(nGap) * m_dTick);
    }
    if (nGap >= 2 && nGap <= kGapShortMax) {
        m_read.m_nShortTicks += static_cast<uint64_t>(nGap);
        ++m_read.m_nShorts;
    } else if (nGap > kGapShortMax && nGap <= kGapLongMax) {
        m_read.m_nLongTicks += static_cast<uint64_t>(nGap);
        ++m_read.m_nLongs;
    }
}

void CTickMeter::OnTicks(const STickSpan& span) {
    const int64_t nFirst = m_nTick - span.m_nBase;
    for (int32_t k = 0; k < span.m_nCrossings; ++k) {
        const int64_t nAt = nFirst + span.m_pCrossings[k];
        if (m_nLastCrossing >= 0) {
            CountGap(nAt - m_nLastCrossing);
        }
        m_nLastCrossing = nAt;
    }
    if (m_bRings) {
        Keep(span);
    }
    m_nTick += span.m_nTicks;
    if (m_eSnapshot == ESnapshot::kCollecting && m_nTick >= m_nUntil) {
        Complete();
    }
}

// The span's ticks and crossings into the rings.
void CTickMeter::Keep(const STickSpan& span) {
    const int64_t nFirst = m_nTick - span.m_nBase;
    for (int32_t k = 0; k < span.m_nCrossings; ++k) {
        m_nCrossings[static_cast<size_t>(m_nCrossingCount++ & (kRingCrossings - 1))] =
            nFirst + span.m_pCrossings[k];
    }
    const uint8_t* pTicks = span.m_pTicks;
    int64_t nCount = span.m_nTicks;
    if (nCount > kRingTicks) {
        pTicks += nCount - kRingTicks;
        nCount = kRingTicks;
    }
    int64_t nAt = m_nTick + (span.m_nTicks - nCount);
    while (nCount > 0) {
        const int64_t nSlot = nAt & (kRingTicks - 1);
        const int64_t nPiece = std::min(nCount, kRingTicks - nSlot);
        std::memcpy(m_nTicks.data() + nSlot, pTicks, static_cast<size_t>(nPiece));
        pTicks += nPiece;
        nAt += nPiece;
        nCount -= nPiece;
    }
}

int32_t CTickMeter::TickAt(int64_t nTick) const {
    return nTick < 0 ? 0 : m_nTicks[static_cast<size_t>(nTick & (kRingTicks - 1))];
}

void CTickMeter::StartSnapshot(int64_t nAt) {
    if (!m_bRings) {
        return;
    }
    // Half the window, and never more than the rings hold once the last
    // crossing's class is known and a whole block has come after it.
    constexpr int64_t kMaxHalf = (kRingTicks - CTickBlock::kMaxTicks - 2 * kGapLongMax - 8) / 2;
    const int64_t nHalf = std::min<int64_t>(std::llround(kSnapshotHalf / m_dTick), kMaxHalf);
    m_nFailure = nAt;
    m_nFrom = std::max<int64_t>(0, nAt - nHalf);
    m_nTo = nAt + nHalf;
    m_nUntil = m_nTo + kGapLongMax + 1;
    m_eSnapshot = ESnapshot::kCollecting;
    m_bKeep = false;
    if (m_nTick >= m_nUntil) {
        Complete();
    }
}

void CTickMeter::KeepSnapshot() {
    m_bKeep = true;
    if (m_eSnapshot == ESnapshot::kComplete) {
        Complete();
    }
}

// Builds the snapshot from the rings once all its ticks are in, and hands
// it to the log once the failure is known to count.
void CTickMeter::Complete() {
    if (m_eSnapshot == ESnapshot::kCollecting) {
        const int64_t nTo = std::min(m_nTo, m_nTick);
        m_snapshot = {};
        m_snapshot.m_dStart = static_cast<double>(m_nFrom) * m_dTick;
        m_snapshot.m_dStep = m_dTick;
        m_snapshot.m_dFailureAt = static_cast<double>(m_nFailure) * m_dTick;
        m_snapshot.m_samples.reserve(static_cast<size_t>(nTo - m_nFrom));
        for (int64_t t = m_nFrom; t < nTo; ++t) {
            // The smoothed value that the demodulator compares with the midpoint.
            const int32_t nSmoothed =
                (TickAt(t) + TickAt(t - 1) + TickAt(t - 2) + TickAt(t - 3)) / 4;
            m_snapshot.m_samples.push_back(static_cast<float>((nSmoothed - 127.5) / 127.5));
        }
        const int64_t nOldest = std::max<int64_t>(0, m_nCrossingCount - kRingCrossings);
        for (int64_t k = nOldest; k < m_nCrossingCount; ++k) {
            const int64_t nAt = m_nCrossings[static_cast<size_t>(k & (kRingCrossings - 1))];
            if (nAt < m_nFrom || nAt >= nTo) {
                continue;
            }
            const int64_t nNext =
                k + 1 < m_nCrossingCount
                    ? m_nCrossings[static_cast<size_t>((k + 1) & (kRingCrossings - 1))]
                    : m_nTick + kGapLongMax + 1;
            m_snapshot.m_crossings.push_back(
                {static_cast<double>(nAt) * m_dTick, ClassOfGap(nNext - nAt)});
        }
        m_eSnapshot = ESnapshot::kComplete;
    }
    if (m_bKeep && m_eSnapshot == ESnapshot::kComplete) {
        m_pLog->AddSnapshot(std::move(m_snapshot));
        m_eSnapshot = ESnapshot::kNone;
        m_bRings = m_pLog->WantsSnapshot();
    }
}
