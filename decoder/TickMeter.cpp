#include "TickMeter.h"

#include "DemodulatorRules.h"

using namespace DemodulatorRules;

void CTickMeter::Reset(double dTickSeconds) {
    m_dTick = dTickSeconds;
    m_nTick = 0;
    m_nLastCrossing = -1;
    for (auto& counts : m_nCounts) {
        counts.fill(0);
    }
    m_nAdded.fill(0);
    m_long.Clear();
    m_longAdded.Clear();
}

void CTickMeter::OnTicks(const STickSpan& span) {
    const uint16_t* p = span.m_pCrossings;
    const int32_t n = span.m_nCrossings;
    if (n > 0) {
        // The first spacing reaches back to a crossing seen before.
        const int64_t nFirst = m_nTick - span.m_nBase + p[0];
        if (m_nLastCrossing >= 0) {
            Count(nFirst - m_nLastCrossing);
        }
        m_nLastCrossing = m_nTick - span.m_nBase + p[n - 1];
        // The others lie within one block of ticks, so below kTableGaps.
        static_assert(CTickBlock::kMaxTicks <= kTableGaps);
        int32_t k = 1;
        for (; k + 3 < n; k += 4) {
            ++m_nCounts[0][static_cast<size_t>(p[k] - p[k - 1])];
            ++m_nCounts[1][static_cast<size_t>(p[k + 1] - p[k])];
            ++m_nCounts[2][static_cast<size_t>(p[k + 2] - p[k + 1])];
            ++m_nCounts[3][static_cast<size_t>(p[k + 3] - p[k + 2])];
        }
        for (; k < n; ++k) {
            ++m_nCounts[0][static_cast<size_t>(p[k] - p[k - 1])];
        }
    }
    m_nTick += span.m_nTicks;
}

void CTickMeter::Count(int64_t nGap) {
    if (nGap < kTableGaps) {
        ++m_nCounts[0][static_cast<size_t>(nGap)];
    } else {
        m_long.Add(static_cast<double>(nGap) * m_dTick);
    }
}

CTickMeter::SClassSums CTickMeter::Sums() const {
    SClassSums sums;
    for (int32_t nGap = 2; nGap <= kGapLongMax; ++nGap) {
        uint64_t nCount = 0;
        for (const auto& counts : m_nCounts) {
            nCount += counts[static_cast<size_t>(nGap)];
        }
        const auto nTicks = static_cast<uint64_t>(nGap) * nCount;
        if (nGap <= kGapShortMax) {
            sums.m_nShortTicks += nTicks;
            sums.m_nShorts += nCount;
        } else {
            sums.m_nLongTicks += nTicks;
            sums.m_nLongs += nCount;
        }
    }
    return sums;
}

void CTickMeter::AddNewToHistogram(CTapeLog& log) {
    const CHalfPeriodHistogram& histogram = log.Histogram();
    for (int32_t nGap = 0; nGap < kTableGaps; ++nGap) {
        uint64_t nCount = 0;
        for (const auto& counts : m_nCounts) {
            nCount += counts[static_cast<size_t>(nGap)];
        }
        uint64_t& nAdded = m_nAdded[static_cast<size_t>(nGap)];
        if (nCount > nAdded) {
            log.AddHalfPeriods(histogram.BinOf(nGap * m_dTick), nCount - nAdded);
            nAdded = nCount;
        }
    }
    for (int32_t nBin = 0; nBin < CHalfPeriodHistogram::kBins; ++nBin) {
        const uint64_t nNew = m_long.Count(nBin) - m_longAdded.Count(nBin);
        if (nNew > 0) {
            log.AddHalfPeriods(nBin, nNew);
            m_longAdded.AddToBin(nBin, nNew);
        }
    }
}
