#include "TimeLine.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kSlowestDeck = 0.5;
constexpr double kFastestDeck = 2.0;

STimeMap LeastSquares(std::span<const STimePair> pairs, const std::vector<bool>& used) {
    double dN = 0.0;
    double dSumX = 0.0;
    double dSumY = 0.0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        if (used[k]) {
            dN += 1.0;
            dSumX += pairs[k].m_dTake;
            dSumY += pairs[k].m_dCommon;
        }
    }
    STimeMap map;
    if (dN == 0.0) {
        return map;
    }
    const double dMeanX = dSumX / dN;
    const double dMeanY = dSumY / dN;
    double dXX = 0.0;
    double dXY = 0.0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        if (used[k]) {
            dXX += (pairs[k].m_dTake - dMeanX) * (pairs[k].m_dTake - dMeanX);
            dXY += (pairs[k].m_dTake - dMeanX) * (pairs[k].m_dCommon - dMeanY);
        }
    }
    // Starts too close together to give a slope: the offset alone.
    map.m_dSlope = dXX > 1.0 ? dXY / dXX : 1.0;
    map.m_dOffset = dMeanY - map.m_dSlope * dMeanX;
    map.m_bKnown = map.m_dSlope >= kSlowestDeck && map.m_dSlope <= kFastestDeck;
    return map;
}

}  // namespace

STimeMap FitTimeMap(std::span<const STimePair> pairs, double dTolerance) {
    std::vector<bool> used(pairs.size(), true);
    STimeMap map = LeastSquares(pairs, used);
    // The pair farthest off the line goes, while one is too far off and
    // at least half the pairs are left.
    for (size_t n = 0; n < pairs.size() / 2 && map.m_bKnown; ++n) {
        size_t nWorst = pairs.size();
        double dWorst = dTolerance;
        for (size_t k = 0; k < pairs.size(); ++k) {
            const double dOff = std::fabs(map(pairs[k].m_dTake) - pairs[k].m_dCommon);
            if (used[k] && dOff > dWorst) {
                dWorst = dOff;
                nWorst = k;
            }
        }
        if (nWorst == pairs.size()) {
            break;
        }
        used[nWorst] = false;
        map = LeastSquares(pairs, used);
    }
    return map;
}
