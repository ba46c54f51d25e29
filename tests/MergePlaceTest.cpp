// Blocks of takes matched by their place on the tape: each take's clock
// mapped onto the common time line.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "BlockMatch.h"
#include "TimeLine.h"

namespace {

TEST(MergePlaceTest, FitsATakesClockToTheCommonTimeLine) {
    // The take's deck 2 % fast, its recording started 30 s earlier: a
    // block at t on the common time line starts at (t + 30) / 1.02.
    const auto pair = [](double dCommon, double dWeight = 1.0) {
        return STimePair{(dCommon + 30.0) / 1.02, dCommon, dWeight};
    };
    const auto wrong = [](double dCommon, double dMatched) {
        return STimePair{(dCommon + 30.0) / 1.02, dMatched, 1.0};
    };
    const struct {
        const char* m_szName;
        std::vector<STimePair> m_pairs;
        bool m_bKnown;
        double m_dSlope;
    } kCases[] = {
        {"one block: an offset", {pair(10.0)}, true, 1.0},
        {"blocks too close for a slope", {pair(10.0), pair(15.0)}, true, 1.0},
        {"three blocks", {pair(0.0), pair(20.0), pair(40.0)}, true, 1.02},
        {"four blocks and a wrong match",
         {pair(0.0), pair(20.0), wrong(30.0, 14.0), pair(40.0), pair(60.0)},
         true,
         1.02},
        {"a wrong match among named ones",
         {pair(0.0, 2.0), wrong(20.0, 35.0), pair(40.0, 2.0)},
         true,
         1.02},
        {"none", {}, false, 1.0},
        {"starts no deck gives", {{0.0, 0.0, 1.0}, {20.0, 60.0, 1.0}}, false, 3.0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        const STimeMap map = FitTimeMap(c.m_pairs, 0.25);
        ASSERT_EQ(map.m_bKnown, c.m_bKnown);
        EXPECT_NEAR(map.m_dSlope, c.m_dSlope, 1e-9);
        if (c.m_bKnown) {
            const STimePair& first = c.m_pairs.front();
            EXPECT_NEAR(map(first.m_dTakeStart), first.m_dCommonStart, 0.1);
        }
    }
}

SBlockKey Key(const char* szName, uint64_t nLength, double dStart, double dEnd) {
    SBlockKey key;
    key.m_strName = szName;
    key.m_nLength = nLength;
    key.m_dStart = dStart;
    key.m_dEnd = dEnd;
    return key;
}

// A block joins the group at its place: with a wrong name, or among blocks
// of equal lengths whose order alone cannot tell which is which; a piece of
// a block inside a group's place goes into that group.
TEST(MergePlaceTest, MatchesBlocksByTheirPlace) {
    const std::vector<SBlockKey> first = {Key("", 600, 0.0, 4.0), Key("", 600, 5.0, 9.0),
                                          Key("", 600, 10.0, 14.0), Key("FOUR", 600, 15.0, 19.0)};
    // The second take's recording starts 100 s before the tape does.
    const auto later = [](const SBlockKey& key, const char* szName) {
        return Key(szName, key.m_nLength, key.m_dStart + 100.0, key.m_dEnd + 100.0);
    };
    const struct {
        const char* m_szName;
        std::vector<SBlockKey> m_second;
        std::vector<int32_t> m_firstMembers;  // per group: the first take's block
        std::vector<int32_t> m_secondMembers;
        std::vector<int32_t> m_secondPieces;  // empty: none
    } kCases[] = {
        {"a wrong name at the place of a block",
         {later(first[0], ""), later(first[1], "TWX"), later(first[2], ""),
          later(first[3], "FOUR")},
         {0, 1, 2, 3},
         {0, 1, 2, 3},
         {}},
        {"a take that starts late",
         {later(first[2], ""), later(first[3], "FOUR")},
         {0, 1, 2, 3},
         {-1, -1, 0, 1},
         {}},
        {"a block between the first take's",
         {later(first[2], ""), Key("", 600, 114.4, 114.9), later(first[3], "FOUR")},
         {0, 1, 2, -1, 3},
         {-1, -1, 0, 1, 2},
         {}},
        {"a piece of a block decoded apart",
         {later(first[0], ""), Key("", 90, 105.5, 106.2), later(first[2], ""),
          later(first[3], "FOUR")},
         {0, 1, 2, 3},
         {0, -1, 2, 3},
         {-1, 1, -1, -1}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        const std::vector<int32_t> pieces = c.m_secondPieces.empty()
                                                ? std::vector<int32_t>(c.m_firstMembers.size(), -1)
                                                : c.m_secondPieces;
        const std::vector<SBlockKey> takes[] = {first, c.m_second};
        const std::vector<SBlockGroup> groups = MatchBlocks(takes);
        ASSERT_EQ(groups.size(), c.m_firstMembers.size());
        for (size_t g = 0; g < groups.size(); ++g) {
            EXPECT_EQ(groups[g].m_members[0], c.m_firstMembers[g]) << g;
            EXPECT_EQ(groups[g].m_members[1], c.m_secondMembers[g]) << g;
            EXPECT_EQ(groups[g].m_pieces[1], pieces[g]) << g;
        }
    }
}

// A take decoded badly throughout (a steep filter on the line): a wrong
// name, blocks cut apart, lengths that match other blocks. Its blocks'
// starts still place it, in every order of the takes, and the groups' places
// come from their best decoded blocks. Blocks at the same places whose
// sure names differ are other blocks.
TEST(MergePlaceTest, PlacesATakeDecodedBadlyByItsStarts) {
    const std::vector<SBlockKey> clean = {Key("ONE", 666, 0.35, 4.45), Key("", 567, 4.80, 8.32),
                                          Key("THREE", 766, 8.67, 13.39)};
    // Lost bytes as the decoder estimated them lower a block's rank.
    const auto lost = [](SBlockKey key, uint64_t nLost) {
        key.m_nLost = nLost;
        return key;
    };
    // Its recording started 100 s before the tape; its only block as long
    // as another starts where the block before that one does.
    const std::vector<SBlockKey> broken = {
        lost(Key("MNE", 506, 100.35, 104.45), 187), lost(Key("", 90, 104.80, 105.29), 35),
        lost(Key("", 396, 105.56, 108.29), 127), lost(Key("", 612, 108.67, 113.41), 212)};
    const std::vector<SBlockKey> worn = {lost(Key("", 668, 0.35, 4.45), 163),
                                         lost(Key("", 569, 4.80, 8.32), 185),
                                         lost(Key("", 692, 8.67, 13.39), 141)};
    // Its second block's sure name is wrong in a byte, its first as long
    // as the clean take's second.
    const std::vector<SBlockKey> misnamed = {lost(Key("", 546, 0.35, 4.45), 190),
                                             lost(Key("TWX", 88, 4.80, 5.31), 27),
                                             lost(Key("", 783, 5.80, 13.36), 284)};
    const std::vector<SBlockKey> named3 = {lost(Key("", 667, 0.35, 4.45), 77),
                                           lost(Key("TWO", 567, 4.80, 8.32), 91),
                                           lost(Key("THREE", 764, 8.67, 13.39), 123)};
    const std::vector<SBlockKey> renamed = {Key("ONEX", 666, 50.35, 54.45),
                                            Key("TWOX", 567, 54.80, 58.32)};
    const std::vector<SBlockKey> named = {Key("ONE", 666, 0.35, 4.45), Key("TWO", 567, 4.80, 8.32)};
    const struct {
        const char* m_szName;
        std::vector<std::vector<SBlockKey>> m_takes;
        // Per group in tape order, per take: its block, and a piece of it
        // (-1: none). No groups: no block is held by two takes.
        std::vector<std::vector<int32_t>> m_members;
        std::vector<std::vector<int32_t>> m_pieces;
    } kCases[] = {
        {"a clean take and a broken one",
         {clean, broken},
         {{0, 0}, {1, 1}, {2, 3}},
         {{-1, -1}, {-1, 2}, {-1, -1}}},
        {"a clean take and two bad ones",
         {clean, worn, broken},
         {{0, 0, 0}, {1, 1, 1}, {2, 2, 3}},
         {{-1, -1, -1}, {-1, -1, 2}, {-1, -1, -1}}},
        {"a wrong sure name at the place of a block",
         {named3, misnamed},
         {{0, 0}, {1, 1}, {2, -1}},
         {{-1, -1}, {-1, -1}, {-1, 2}}},
        {"other names at the same places", {named, renamed}, {}, {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        std::vector<size_t> order(c.m_takes.size());
        std::iota(order.begin(), order.end(), size_t{0});
        do {
            std::vector<std::vector<SBlockKey>> takes;
            for (const size_t t : order) {
                takes.push_back(c.m_takes[t]);
            }
            const std::vector<SBlockGroup> groups = MatchBlocks(takes);
            if (c.m_members.empty()) {
                for (const SBlockGroup& group : groups) {
                    EXPECT_EQ(std::count(group.m_members.begin(), group.m_members.end(), -1),
                              static_cast<ptrdiff_t>(takes.size() - 1))
                        << "order " << order[0] << order[1];
                }
                continue;
            }
            ASSERT_EQ(groups.size(), c.m_members.size()) << "order " << order[0] << order[1];
            for (size_t g = 0; g < groups.size(); ++g) {
                for (size_t k = 0; k < order.size(); ++k) {
                    EXPECT_EQ(groups[g].m_members[k], c.m_members[g][order[k]])
                        << "order " << order[0] << order[1] << ", group " << g;
                    EXPECT_EQ(groups[g].m_pieces[k], c.m_pieces[g][order[k]])
                        << "order " << order[0] << order[1] << ", group " << g;
                }
            }
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

}  // namespace
