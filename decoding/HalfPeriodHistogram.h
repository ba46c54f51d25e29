// Counts of half-period lengths in logarithmic bins: constant size however
// long the recording.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class CHalfPeriodHistogram {
public:
    static constexpr double kMinSeconds = 20e-6;  // lower edge of the first bin
    static constexpr double kMaxSeconds = 20e-3;  // upper edge of the last bin
    static constexpr int32_t kBins = 240;         // 80 bins per decade

    void Clear();
    // Lengths outside the range are counted in the first or last bin.
    void Add(double dSeconds);
    // nCount lengths in bin nBin (0 to kBins - 1), for callers that know it.
    void AddToBin(int32_t nBin, uint64_t nCount = 1) {
        m_nCounts[static_cast<size_t>(nBin)] += nCount;
        m_nTotal += nCount;
    }

    int32_t BinOf(double dSeconds) const;
    // s: the lower edge of bin nBin (kBins gives the upper edge of the last).
    static double BinEdge(int32_t nBin);
    uint64_t Count(int32_t nBin) const { return m_nCounts[static_cast<size_t>(nBin)]; }
    uint64_t Total() const { return m_nTotal; }

private:
    std::array<uint64_t, kBins> m_nCounts{};
    uint64_t m_nTotal = 0;
};
