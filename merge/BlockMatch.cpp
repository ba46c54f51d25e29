#include "BlockMatch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// Lengths count as close within an eighth and 16 bytes: a take cut short
// at a block's end, or a few gaps estimated long, still match.
constexpr uint64_t kLengthSlack = 16;

// Blocks are at the same place when their starts on the common time line
// are within this share of the shorter block's duration, but no more than
// the longest and no less than the shortest slack, s: a decoder finds a
// block's start at the end of its leader, to a few ms.
constexpr double kPlaceShare = 0.25;
constexpr double kMinPlaceSlack = 0.05;
constexpr double kMaxPlaceSlack = 0.15;
// How far off the common time line a matched block's start may be before
// the fit of a take's clock leaves it out, s.
constexpr double kFitTolerance = 0.25;
// Blocks matched by their sure names place a clock surer than blocks
// matched by their lengths.
constexpr double kNamedPairWeight = 2.0;
// A block of one take lies inside another group's place when the group
// covers this share of its time.
constexpr double kPieceCover = 0.5;
// The take's first blocks whose matches give offsets to try.
constexpr size_t kOffsetTrials = 8;

// A block's place on the tape: where it starts and ends on the common time
// line, through its take's map.
void PlaceOnTimeLine(SBlockKey& key, const STimeMap& map) {
    key.m_dStart = map(key.m_dStart);
    key.m_dEnd = map(key.m_dEnd);
}

// How well a block was decoded: its bytes beyond those it lost.
int64_t BlockQuality(const SBlockKey& key) {
    return static_cast<int64_t>(key.m_nLength) - 2 * static_cast<int64_t>(key.m_nLost);
}

// What a group is known by: the longest length among its blocks, and the
// name and place of its best decoded blocks: the first known name, and the
// place of the first block whose take's clock is on the common time line,
// going from the best decoded block down. A block decoded badly may have
// a wrong name, or end where its decoder gave up.
SBlockKey GroupKey(const SBlockGroup& group, std::span<const std::vector<SBlockKey>> takes,
                   std::span<const STimeMap> maps) {
    std::vector<const SBlockKey*> members;
    std::vector<size_t> memberTakes;
    for (size_t t = 0; t < group.m_members.size(); ++t) {
        if (group.m_members[t] >= 0) {
            members.push_back(&takes[t][static_cast<size_t>(group.m_members[t])]);
            memberTakes.push_back(t);
        }
    }
    std::vector<size_t> order(members.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return BlockQuality(*members[a]) > BlockQuality(*members[b]);
    });
    SBlockKey key;
    bool bPlaced = false;
    for (const size_t m : order) {
        const SBlockKey& member = *members[m];
        if (key.m_strName.empty()) {
            key.m_strName = member.m_strName;
        }
        key.m_nLength = std::max(key.m_nLength, member.m_nLength);
        if (!bPlaced && maps[memberTakes[m]].m_bKnown) {
            key.m_dStart = member.m_dStart;
            key.m_dEnd = member.m_dEnd;
            PlaceOnTimeLine(key, maps[memberTakes[m]]);
            bPlaced = true;
        }
    }
    return key;
}

// Whether a block (placed on the common time line) starts where a group
// does.
bool AtSamePlace(const SBlockKey& group, const SBlockKey& block) {
    const double dShorter = std::min(group.m_dEnd - group.m_dStart, block.m_dEnd - block.m_dStart);
    return std::fabs(group.m_dStart - block.m_dStart) <=
           std::max(std::min(kPlaceShare * dShorter, kMaxPlaceSlack), kMinPlaceSlack);
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
// scores, in order (a few hundred blocks at most on a tape). Pairs are
// those that may be the same block by name and length, or, with the
// blocks placed on the common time line (bPlaced), those at the same place,
// whatever their names (a badly decoded header gives a wrong one).
std::vector<EStep> AlignBlocks(std::span<const SBlockKey> groups, std::span<const SBlockKey> blocks,
                               bool bPlaced) {
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
            const bool bMayPair = g > 0 && b > 0 &&
                                  (bPlaced ? AtSamePlace(groups[g - 1], blocks[b - 1])
                                           : MayBeSameBlock(groups[g - 1], blocks[b - 1]));
            if (bMayPair) {
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

// The starts of the pairs of an alignment: the block's on its take's clock
// and its group's on the common time line, where the group has a place.
std::vector<STimePair> MatchedStarts(std::span<const EStep> steps,
                                     std::span<const SBlockKey> groups,
                                     std::span<const SBlockKey> blocks) {
    std::vector<STimePair> pairs;
    size_t g = 0;
    size_t b = 0;
    for (const EStep eStep : steps) {
        if (eStep == EStep::kPair && groups[g].m_dEnd > groups[g].m_dStart) {
            const bool bNamed =
                !blocks[b].m_strName.empty() && blocks[b].m_strName == groups[g].m_strName;
            pairs.push_back(
                {blocks[b].m_dStart, groups[g].m_dStart, bNamed ? kNamedPairWeight : 1.0});
        }
        g += eStep == EStep::kBlockOnly ? 0 : 1;
        b += eStep == EStep::kGroupOnly ? 0 : 1;
    }
    return pairs;
}

// The takes, best decoded first: most bytes beyond those they lost.
std::vector<size_t> BestFirst(std::span<const std::vector<SBlockKey>> takes) {
    std::vector<int64_t> quality(takes.size(), 0);
    for (size_t t = 0; t < takes.size(); ++t) {
        for (const SBlockKey& key : takes[t]) {
            quality[t] += BlockQuality(key);
        }
    }
    std::vector<size_t> order(takes.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return quality[a] > quality[b]; });
    return order;
}

// Whether two blocks' sure names say they are different blocks.
bool NamesDiffer(const SBlockKey& a, const SBlockKey& b) {
    return !a.m_strName.empty() && !b.m_strName.empty() && a.m_strName != b.m_strName;
}

// How many of a take's blocks start where a group does, through a map,
// and how many of those have no sure name against the group's.
struct SInPlace {
    size_t m_nStarts = 0;
    size_t m_nNamesAgree = 0;
};

SInPlace BlocksInPlace(const STimeMap& map, std::span<const SBlockKey> groups,
                       std::span<const SBlockKey> blocks) {
    SInPlace inPlace;
    for (SBlockKey block : blocks) {
        PlaceOnTimeLine(block, map);
        // Groups come in tape order: the first that does not end before
        // the block starts, and the one before it.
        const auto next =
            std::partition_point(groups.begin(), groups.end(),
                                 [&](const SBlockKey& g) { return g.m_dEnd < block.m_dStart; });
        const SBlockKey* pGroup = nullptr;
        if (next != groups.end() && AtSamePlace(*next, block)) {
            pGroup = &*next;
        } else if (next != groups.begin() && AtSamePlace(*(next - 1), block)) {
            pGroup = &*(next - 1);
        }
        if (pGroup != nullptr) {
            ++inPlace.m_nStarts;
            inPlace.m_nNamesAgree += NamesDiffer(*pGroup, block) ? 0u : 1u;
        }
    }
    return inPlace;
}

// The fitted map, or, when more of the take's blocks start where groups
// do through it, the offset that lines up one of the take's first blocks
// with a group: one it may be by name and length first, then any, the
// first of equals winning. The alignment by name and length alone may pair
// a block with its neighbour when both look alike (a badly decoded block
// cut short), or only such a pair (a take decoded badly throughout, its
// blocks cut apart, their sure names wrong); the starts of the other
// blocks tell. Starts whose sure names all differ from their groups' place
// nothing: those are other blocks at the same places (another tape).
STimeMap BestTimeMap(const STimeMap& fitted, std::span<const SBlockKey> groups,
                     std::span<const SBlockKey> blocks) {
    STimeMap best = fitted;
    size_t nBest = fitted.m_bKnown ? BlocksInPlace(fitted, groups, blocks).m_nStarts : 0;
    for (const bool bAlike : {true, false}) {
        for (size_t b = 0; b < blocks.size() && b < kOffsetTrials; ++b) {
            for (const SBlockKey& group : groups) {
                if (MayBeSameBlock(group, blocks[b]) != bAlike) {
                    continue;
                }
                STimeMap map;
                map.m_dOffset = group.m_dStart - blocks[b].m_dStart;
                map.m_bKnown = true;
                const SInPlace inPlace = BlocksInPlace(map, groups, blocks);
                if (inPlace.m_nStarts > nBest && inPlace.m_nNamesAgree > 0) {
                    best = map;
                    nBest = inPlace.m_nStarts;
                }
            }
        }
    }
    return best;
}

// How much of a block's time the other lies over, as a share of it.
double Covered(const SBlockKey& block, const SBlockKey& other) {
    const double dLength = block.m_dEnd - block.m_dStart;
    const double dOver =
        std::min(block.m_dEnd, other.m_dEnd) - std::max(block.m_dStart, other.m_dStart);
    return dLength > 0.0 ? dOver / dLength : 0.0;
}

// A group of one take's block that lies mostly inside the place of a group
// that other takes hold is a piece of that block: it goes into that group
// (m_pieces) instead of being a block of the tape of its own.
std::vector<SBlockGroup> FoldPiecesIn(std::vector<SBlockGroup> groups,
                                      std::span<const std::vector<SBlockKey>> takes,
                                      std::span<const STimeMap> maps) {
    const size_t nTakes = takes.size();
    std::vector<SBlockKey> keys;
    std::vector<size_t> holders(groups.size(), 0);
    for (size_t g = 0; g < groups.size(); ++g) {
        keys.push_back(GroupKey(groups[g], takes, maps));
        groups[g].m_pieces.assign(nTakes, -1);
        for (const int32_t nBlock : groups[g].m_members) {
            holders[g] += nBlock >= 0 ? 1 : 0;
        }
    }
    std::vector<bool> folded(groups.size(), false);
    for (size_t g = 0; g < groups.size(); ++g) {
        const auto member = std::find_if(groups[g].m_members.begin(), groups[g].m_members.end(),
                                         [](int32_t nBlock) { return nBlock >= 0; });
        const auto t = static_cast<size_t>(member - groups[g].m_members.begin());
        const bool bHasPieces = std::any_of(groups[g].m_pieces.begin(), groups[g].m_pieces.end(),
                                            [](int32_t nBlock) { return nBlock >= 0; });
        if (holders[g] != 1 || bHasPieces || !maps[t].m_bKnown) {
            continue;
        }
        for (size_t h = 0; h < groups.size(); ++h) {
            const size_t nOthers = holders[h] - (groups[h].m_members[t] >= 0 ? 1 : 0);
            if (h != g && !folded[h] && nOthers >= 1 && groups[h].m_pieces[t] < 0 &&
                Covered(keys[g], keys[h]) >= kPieceCover) {
                groups[h].m_pieces[t] = *member;
                folded[g] = true;
                break;
            }
        }
    }
    std::vector<SBlockGroup> kept;
    for (size_t g = 0; g < groups.size(); ++g) {
        if (!folded[g]) {
            kept.push_back(std::move(groups[g]));
        }
    }
    return kept;
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
    std::vector<STimeMap> maps(nTakes);
    // The best decoded take comes first: its blocks make the first groups,
    // and its clock is the common time line.
    const std::vector<size_t> order = BestFirst(takes);
    maps[order[0]].m_bKnown = true;
    for (const size_t t : order) {
        std::vector<SBlockKey> keys;
        keys.reserve(groups.size());
        for (const SBlockGroup& group : groups) {
            keys.push_back(GroupKey(group, takes, maps));
        }
        std::vector<EStep> steps = AlignBlocks(keys, takes[t], false);
        if (t != order[0]) {
            // The blocks matched by name and length place the take's clock
            // on the common time line; matched again by place, a block
            // with a wrong name finds its group, and one with the right
            // name at another place does not.
            maps[t] = BestTimeMap(FitTimeMap(MatchedStarts(steps, keys, takes[t]), kFitTolerance),
                                  keys, takes[t]);
            if (maps[t].m_bKnown) {
                std::vector<SBlockKey> placed(takes[t].begin(), takes[t].end());
                for (SBlockKey& key : placed) {
                    PlaceOnTimeLine(key, maps[t]);
                }
                steps = AlignBlocks(keys, placed, true);
            }
        }
        std::vector<SBlockGroup> next;
        next.reserve(groups.size() + takes[t].size());
        size_t g = 0;
        int32_t b = 0;
        for (const EStep eStep : steps) {
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
    return FoldPiecesIn(std::move(groups), takes, maps);
}
