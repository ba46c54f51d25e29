#include "HalfPeriodHistogram.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

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

// The bin of every length by its binary exponent and the top bits of its
// mantissa: a bucket is a thousandth of an octave, far narrower than a bin
// (a twenty-fourth), so that one comparison with the next edge settles it.
constexpr int32_t kMantissaBits = 10;
constexpr int32_t kFirstExponent = -17;  // 2^-17 s < kMinSeconds
constexpr int32_t kLastExponent = -6;    // kMaxSeconds < 2^-5
constexpr size_t kBuckets = static_cast<size_t>(kLastExponent - kFirstExponent + 1)
                            << kMantissaBits;

size_t BucketOf(double dSeconds) {
    const auto nBits = std::bit_cast<uint64_t>(dSeconds);
    const auto nExponent = static_cast<int32_t>((nBits >> 52) & 0x7FF) - 1023;
    const auto nMantissa =
        static_cast<size_t>((nBits >> (52 - kMantissaBits)) & ((1u << kMantissaBits) - 1));
    return (static_cast<size_t>(nExponent - kFirstExponent) << kMantissaBits) | nMantissa;
}

// The bin of each bucket's lowest length.
const std::array<int16_t, kBuckets> kBucketBins = [] {
    std::array<int16_t, kBuckets> bins{};
    for (size_t k = 0; k < kBuckets; ++k) {
        const double dLow = std::ldexp(
            1.0 + static_cast<double>(k & ((1u << kMantissaBits) - 1)) / (1u << kMantissaBits),
            static_cast<int32_t>(k >> kMantissaBits) + kFirstExponent);
        const auto it = std::upper_bound(kEdges.begin(), kEdges.end(), dLow);
        bins[k] = static_cast<int16_t>(std::max<std::ptrdiff_t>(0, it - kEdges.begin() - 1));
    }
    return bins;
}();

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
    int32_t nBin = kBucketBins[BucketOf(dSeconds)];
    if (nBin + 1 < kBins && dSeconds >= kEdges[static_cast<size_t>(nBin + 1)]) {
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
