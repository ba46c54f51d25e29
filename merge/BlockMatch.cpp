#include "BlockMatch.h"

#include <algorithm>
#include <limits>

namespace {

// Lengths count as close within an eighth and 16 bytes: a take cut short
// at a block's end, or a few gaps estimated long, still match.
constexpr uint64_t kLengthSlack = 16;

// What a group is known by: the first known name among its blocks and the
// longest length.
SBlockKey GroupKey(const SBlockGroup& group, std::span<const std::vector<SBlockKey>> takes) {
    SBlockKey key;
    for (size_t t = 0; t < group.m_members.size(); ++t) {
        if (group.m_members[t] < 0) {
            continue;
        }
        const SBlockKey& member = takes[t][static_cast<size_t>(group.m_members[t])];
        if (key.m_strName.empty()) {
            key.m_strName = member.m_strName;
        }
        key.m_nLength = std::max(key.m_nLength, member.m_nLength);
    }
    return key;
}

// The score of a pair: known equal names count most, close lengths next.
double PairScore(const SBlockKey& a, const SBlockKey& b) {
    const double dLonger = static_cast<double>(std::max({a.m_nLength, b.m_nLength, uint64_t{1}}));
    const double dShorter = static_cast<double>(std::min(a.m_nLength, b.m_nLength));
    const bool bNamed = !a.m_strName.empty() && a.m_strName == b.m_strName;
    return (bNamed ? 2.0 : 1.0) + dShorter / dLonger;
}

enum class EStep : uint8_t { kPair, kGroupOnly, kBlockOnly };

// Aligns the take's blocks with the groups: the highest total of pair
// scores, in order (a few hundred blocks at most on a tape).
std::vector<EStep> AlignBlocks(std::span<const SBlockKey> groups,
                               std::span<const SBlockKey> blocks) {
    const size_t nG = groups.size();
    const size_t nB = blocks.size();
    const size_t nStride = nB + 1;
    std::vector<double> score((nG + 1) * nStride, 0.0);
    std::vector<EStep> from((nG + 1) * nStride, EStep::kPair);
    for (size_t g = 0; g <= nG; ++g) {
        for (size_t b = 0; b <= nB; ++b) {
            if (g == 0 && b == 0) {
                continue;
            }
            double dBest = -std::numeric_limits<double>::infinity();
            EStep eFrom = EStep::kPair;
            if (g > 0 && b > 0 && MayBeSameBlock(groups[g - 1], blocks[b - 1])) {
                dBest = score[(g - 1) * nStride + b - 1] + PairScore(groups[g - 1], blocks[b - 1]);
            }
            if (g > 0 && score[(g - 1) * nStride + b] > dBest) {
                dBest = score[(g - 1) * nStride + b];
                eFrom = EStep::kGroupOnly;
            }
            if (b > 0 && score[g * nStride + b - 1] > dBest) {
                dBest = score[g * nStride + b - 1];
                eFrom = EStep::kBlockOnly;
            }
            score[g * nStride + b] = dBest;
            from[g * nStride + b] = eFrom;
        }
    }
    std::vector<EStep> steps;
    for (size_t g = nG, b = nB; g > 0 || b > 0;) {
        const EStep eStep = g == 0   ? EStep::kBlockOnly
                            : b == 0 ? EStep::kGroupOnly
                                     : from[g * nStride + b];
        steps.push_back(eStep);
        g -= eStep == EStep::kBlockOnly ? 0 : 1;
        b -= eStep == EStep::kGroupOnly ? 0 : 1;
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

}  // namespace

bool MayBeSameBlock(const SBlockKey& a, const SBlockKey& b) {
    if (!a.m_strName.empty() && !b.m_strName.empty()) {
        return a.m_strName == b.m_strName;
    }
    const uint64_t nLonger = std::max(a.m_nLength, b.m_nLength);
    const uint64_t nShorter = std::min(a.m_nLength, b.m_nLength);
    return nLonger - nShorter <= nLonger / 8 + kLengthSlack;
}

std::vector<SBlockGroup> MatchBlocks(std::span<const std::vector<SBlockKey>> takes) {
    const size_t nTakes = takes.size();
    std::vector<SBlockGroup> groups;
    for (size_t t = 0; t < nTakes; ++t) {
        std::vector<SBlockKey> keys;
        keys.reserve(groups.size());
        for (const SBlockGroup& group : groups) {
            keys.push_back(GroupKey(group, takes));
        }
        std::vector<SBlockGroup> next;
        next.reserve(groups.size() + takes[t].size());
        size_t g = 0;
        int32_t b = 0;
        for (const EStep eStep : AlignBlocks(keys, takes[t])) {
            if (eStep == EStep::kBlockOnly) {
                SBlockGroup group;
                group.m_members.assign(nTakes, -1);
                group.m_members[t] = b++;
                next.push_back(std::move(group));
                continue;
            }
            next.push_back(std::move(groups[g++]));
            if (eStep == EStep::kPair) {
                next.back().m_members[t] = b++;
            }
        }
        groups = std::move(next);
    }
    return groups;
}
