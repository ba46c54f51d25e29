#include "TimeLine.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kSlowestDeck = 0.5;
constexpr double kFastestDeck = 2.0;
// s between two blocks' starts for a slope from them.
constexpr double kMinSlopeBase = 10.0;

double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

STimeMap FitTimeMap(std::span<const STimePair> pairs, double dTolerance) {
    STimeMap map;
    if (pairs.empty()) {
        return map;
    }
    // The slope from the starts of pairs far enough apart (a block's end is
    // where its decoder gave up, which a bad take does early), the median
    // of them all; 1 when the pairs lie too close together.
    std::vector<double> slopes;
    for (size_t i = 0; i < pairs.size(); ++i) {
        for (size_t j = i + 1; j < pairs.size(); ++j) {
            const double dTake = pairs[j].m_dTakeStart - pairs[i].m_dTakeStart;
            if (std::fabs(dTake) >= kMinSlopeBase) {
                slopes.push_back((pairs[j].m_dCommonStart - pairs[i].m_dCommonStart) / dTake);
            }
        }
    }
    map.m_dSlope = slopes.empty() ? 1.0 : Median(std::move(slopes));
    if (map.m_dSlope < kSlowestDeck || map.m_dSlope > kFastestDeck) {
        return map;
    }
    std::vector<double> offsets;
    for (const STimePair& pair : pairs) {
        offsets.push_back(pair.m_dCommonStart - map.m_dSlope * pair.m_dTakeStart);
    }
    double dBestWeight = -1.0;
    for (const double dOffset : offsets) {
        double dWeight = 0.0;
        double dSum = 0.0;
        double dCount = 0.0;
        for (size_t k = 0; k < offsets.size(); ++k) {
            if (std::fabs(offsets[k] - dOffset) <= dTolerance) {
                dWeight += pairs[k].m_dWeight;
                dSum += offsets[k];
                dCount += 1.0;
            }
        }
        if (dWeight > dBestWeight) {
            dBestWeight = dWeight;
            map.m_dOffset = dSum / dCount;
        }
    }
    map.m_bKnown = true;
    return map;
}
