#include "HalfPeriodHistogram.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

const double kLogMin = std::log(CHalfPeriodHistogram::kMinSeconds);
const double kBinsPerLog =
    CHalfPeriodHistogram::kBins / (std::log(CHalfPeriodHistogram::kMaxSeconds) - kLogMin);

// The lower edges of all bins.
const std::array<double, CHalfPeriodHistogram::kBins> kEdges = [] {
    std::array<double, CHalfPeriodHistogram::kBins> edges{};
    for (int32_t k = 0; k < CHalfPeriodHistogram::kBins; ++k) {
        edges[static_cast<size_t>(k)] = std::exp(kLogMin + k / kBinsPerLog);
    }
    return edges;
}();

// The natural logarithm of a positive normal number to about 1e-4: its
// binary exponent, and the mantissa's logarithm from a small table.
double FastLog(double d) {
    static const std::array<double, 257> kTable = [] {
        std::array<double, 257> table{};
        for (size_t k = 0; k < table.size(); ++k) {
            table[k] = std::log(1.0 + static_cast<double>(k) / 256.0);
        }
        return table;
    }();
    const auto nBits = std::bit_cast<uint64_t>(d);
    const auto nExponent = static_cast<int32_t>((nBits >> 52) & 0x7FF) - 1023;
    const double dMantissa =
        std::bit_cast<double>((nBits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    const double dIndex = (dMantissa - 1.0) * 256.0;
    const auto nIndex = static_cast<size_t>(dIndex);
    const double dFraction = dIndex - static_cast<double>(nIndex);
    const double dLog = kTable[nIndex] + dFraction * (kTable[nIndex + 1] - kTable[nIndex]);
    return dLog + nExponent * std::numbers::ln2;
}

}  // namespace

void CHalfPeriodHistogram::Clear() {
    m_nCounts.fill(0);
    m_nTotal = 0;
}

int32_t CHalfPeriodHistogram::BinOf(double dSeconds) const {
    if (!(dSeconds > kMinSeconds)) {
        return 0;
    }
    if (!(dSeconds < kMaxSeconds)) {
        return kBins - 1;
    }
    // The bin from the logarithm, then settled against the edges, which
    // the fast logarithm may miss by a hair.
    int32_t nBin = static_cast<int32_t>((FastLog(dSeconds) - kLogMin) * kBinsPerLog);
    nBin = std::clamp(nBin, 0, kBins - 1);
    if (nBin > 0 && dSeconds < kEdges[static_cast<size_t>(nBin)]) {
        --nBin;
    } else if (nBin + 1 < kBins && dSeconds >= kEdges[static_cast<size_t>(nBin + 1)]) {
        ++nBin;
    }
    return nBin;
}

void CHalfPeriodHistogram::Add(double dSeconds) {
    ++m_nCounts[static_cast<size_t>(BinOf(dSeconds))];
    ++m_nTotal;
}

double CHalfPeriodHistogram::BinEdge(int32_t nBin) {
    return std::exp(kLogMin + nBin / kBinsPerLog);
}
