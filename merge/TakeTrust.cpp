#include "TakeTrust.h"

#include <algorithm>
#include <cstdint>

namespace {

// A take lost far more than the best one when its share of lost bytes is
// above both of these: a tenth of its bytes, and four times the best
// take's share.
constexpr double kLostShareFloor = 0.1;
constexpr double kLostShareRatio = 4.0;

// The share of a take's bytes that its decoder lost (estimated).
double LostShare(const CTapeLog& log) {
    uint64_t nDecoded = 0;
    uint64_t nLost = 0;
    for (const SBlockEvidence& block : log.Evidence()) {
        nDecoded += block.m_bytes.size();
        for (const SGapEvidence& gap : block.m_gaps) {
            nLost += gap.m_nLost;
        }
    }
    const uint64_t nAll = nDecoded + nLost;
    return nAll == 0 ? 1.0 : static_cast<double>(nLost) / static_cast<double>(nAll);
}

}  // namespace

std::vector<float> TakeWeights(std::span<const SBlockProfile> blocks,
                               std::span<const CTapeLog* const> takes) {
    const size_t nTakes = takes.size();
    std::vector<uint32_t> agree(nTakes, 0);
    std::vector<uint32_t> disagree(nTakes, 0);
    for (const SBlockProfile& block : blocks) {
        size_t nJoined = 0;
        for (size_t t = 0; t < nTakes; ++t) {
            if (block.m_takeBlocks[t] >= 0 && block.m_setAside[t] < 0) {
                ++nJoined;
            }
        }
        for (size_t t = 0; t < nTakes; ++t) {
            if (block.m_setAside[t] >= 0) {
                ++disagree[t];
            } else if (block.m_takeBlocks[t] >= 0 && nJoined >= 2) {
                ++agree[t];
            }
        }
    }
    std::vector<double> lost(nTakes);
    for (size_t t = 0; t < nTakes; ++t) {
        lost[t] = LostShare(*takes[t]);
    }
    const double dBest = *std::min_element(lost.begin(), lost.end());
    const double dLimit = std::max(kLostShareFloor, kLostShareRatio * dBest);
    std::vector<float> weights(nTakes, kTrustedWeight);
    for (size_t t = 0; t < nTakes; ++t) {
        if (disagree[t] > agree[t] || lost[t] > dLimit) {
            weights[t] = kDistrustedWeight;
        }
    }
    return weights;
}
