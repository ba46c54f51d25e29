#include "HalfPeriodHistogram.h"

#include <algorithm>
#include <cmath>

namespace {

const double kLogMin = std::log(CHalfPeriodHistogram::kMinSeconds);
const double kBinsPerLog =
    CHalfPeriodHistogram::kBins / (std::log(CHalfPeriodHistogram::kMaxSeconds) - kLogMin);

}  // namespace

void CHalfPeriodHistogram::Clear() {
    m_nCounts.fill(0);
    m_nTotal = 0;
}

int32_t CHalfPeriodHistogram::BinOf(double dSeconds) const {
    if (!(dSeconds > kMinSeconds)) {
        return 0;
    }
    const double dBin = (std::log(dSeconds) - kLogMin) * kBinsPerLog;
    return static_cast<int32_t>(std::min<double>(dBin, kBins - 1));
}

void CHalfPeriodHistogram::Add(double dSeconds) {
    ++m_nCounts[static_cast<size_t>(BinOf(dSeconds))];
    ++m_nTotal;
}

double CHalfPeriodHistogram::BinEdge(int32_t nBin) {
    return std::exp(kLogMin + nBin / kBinsPerLog);
}
