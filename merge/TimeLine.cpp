#include "TimeLine.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kSlowestDeck = 0.5;
constexpr double kFastestDeck = 2.0;

double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

STimeMap FitTimeMap(std::span<const STimePair> pairs, double dTolerance) {
    STimeMap map;
    std::vector<double> ratios;
    for (const STimePair& pair : pairs) {
        const double dTake = pair.m_dTakeEnd - pair.m_dTakeStart;
        const double dCommon = pair.m_dCommonEnd - pair.m_dCommonStart;
        if (dTake > 0.0 && dCommon > 0.0) {
            ratios.push_back(dCommon / dTake);
        }
    }
    if (ratios.empty()) {
        return map;
    }
    map.m_dSlope = Median(std::move(ratios));
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
