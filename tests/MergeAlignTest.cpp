// The merge on hand-made takes: logs filled the way a decoder fills them,
// each byte a letter and each '?' one byte the decoder reports lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ByteProfile.h"
#include "ByteVote.h"
#include "SequenceAlign.h"
#include "TakeMerge.h"

namespace {

constexpr float kClear = 1.5f;  // a clean byte's confidence

// A lost byte in a hand-made block.
constexpr int16_t kLost = -1;

// One block per sequence of bytes and kLost; values from 256 up are the
// byte (value - 256) decoded with little confidence.
CTapeLog MakeLog(const std::vector<std::vector<int16_t>>& blocks) {
    CTapeLog log;
    log.SetKeepEvidence(true);
    double dAt = 0.0;
    for (const std::vector<int16_t>& block : blocks) {
        log.BeginBlock(dAt);
        for (const int16_t nValue : block) {
            dAt += 0.006;
            if (nValue == kLost) {
                log.AddFailure(dAt);
            } else {
                log.AddByte(static_cast<uint8_t>(nValue & 0xFF), dAt, dAt + 0.006,
                            nValue > 0xFF ? 1.05f : kClear);
            }
        }
        dAt += 1.0;
    }
    return log;
}

// Letters are bytes, '?' a lost byte, a lowercase letter its uppercase one
// decoded with little confidence.
std::vector<int16_t> Sequence(const std::string& strBlock) {
    std::vector<int16_t> values;
    for (const char c : strBlock) {
        values.push_back(c == '?'               ? kLost
                         : c >= 'a' && c <= 'z' ? static_cast<int16_t>(0x100 + c - 'a' + 'A')
                                                : static_cast<int16_t>(c));
    }
    return values;
}

std::string Text(const SMergedBlock& block) {
    return std::string(block.m_bytes.begin(), block.m_bytes.end());
}

SMergeResult MergeLogs(const std::vector<CTapeLog>& logs) {
    std::vector<const CTapeLog*> pointers;
    for (const CTapeLog& log : logs) {
        pointers.push_back(&log);
    }
    return MergeTakes(pointers);
}

SMergeResult Merge(const std::vector<std::vector<std::string>>& takes) {
    std::vector<CTapeLog> logs;
    for (const auto& blocks : takes) {
        std::vector<std::vector<int16_t>> sequences;
        for (const std::string& strBlock : blocks) {
            sequences.push_back(Sequence(strBlock));
        }
        logs.push_back(MakeLog(sequences));
    }
    return MergeLogs(logs);
}

// Takes of one block each.
SMergeResult MergeOneBlockEach(const std::vector<std::string>& blocks) {
    std::vector<std::vector<std::string>> takes;
    for (const std::string& strBlock : blocks) {
        takes.push_back({strBlock});
    }
    return Merge(takes);
}

constexpr const char* kTape = "THEQUICKBROWNFOXJUMPSOVERTHELAZYDOG";

struct SCase {
    const char* m_szName;
    std::vector<std::string> m_takes;  // one block each
    const char* m_szMerged;
    uint32_t m_nDisagreements;
    uint32_t m_nMissing;
};

TEST(MergeAlignTest, AlignsGapsExtraBytesAndSubstitutions) {
    const SCase kCases[] = {
        {"gap estimated right", {"THEQUICK???WNFOXJUMPSOVERTHELAZYDOG", kTape}, kTape, 0, 0},
        {"gap estimated one short", {"THEQUICK??OWNFOXJUMPSOVERTHELAZYDOG", kTape}, kTape, 0, 0},
        {"gap estimated two long", {"THEQUICK?????WNFOXJUMPSOVERTHELAZYDOG", kTape}, kTape, 0, 0},
        {"gaps in both takes, estimates off",
         {"THE????BROWNFOXJUMPSOVERTHELAZYDOG", "THEQUICKBROWNFOXJU?????ERTHELAZYDOG"},
         kTape,
         0,
         0},
        {"block ends lost without a report", {"THEQUICKBROWNFOXJUMPSOV", kTape}, kTape, 0, 0},
        {"an extra byte beside a gap",
         {"THEQUICK??OWNXFOXJUMPSOVERTHELAZYDOG", kTape},
         kTape,
         1,
         0},
        {"an extra byte, outvoted",
         {"THEQUICKBROWNFOXXJUMPSOVERTHELAZYDOG", kTape, kTape},
         kTape,
         1,
         0},
        {"a substitution, outvoted",
         {"THEQUICKBROWNFOXJUMPSOVERTHELAZYDOG", "THEQUICKBROWNBOXJUMPSOVERTHELAZYDOG", kTape},
         kTape,
         1,
         0},
        {"a substitution, less sure", {"THEQUICKBROWNbOXJUMPSOVERTHELAZYDOG", kTape}, kTape, 1, 0},
        {"a substitution, more sure",
         {"THEQUICKBROWNBOXJUMPSOVERTHELAZYDOG", "THEQUICKBROWNfOXJUMPSOVERTHELAZYDOG"},
         "THEQUICKBROWNBOXJUMPSOVERTHELAZYDOG",
         1,
         0},
        {"lost in every take",
         {"THEQUICKBROWNFOX??MPSOVERTHELAZYDOG", "THEQUICKBROWNFOX???PSOVERTHELAZYDOG"},
         "THEQUICKBROWNFOXMPSOVERTHELAZYDOG",
         0,
         2},
        {"a run framed wrong after a gap",
         {"THEQUICK??CDEGH??OVERTHELAZYDOG", "THEQUICKBROWNFOXJUMPSOVERTHE???DOG"},
         "THEQUICKBROWNFOXJUMPSOVERTHELAZYDOG",
         5,
         0},
    };
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        const SMergeResult result = MergeOneBlockEach(c.m_takes);
        ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
        ASSERT_EQ(result.m_blocks.size(), 1u);
        EXPECT_EQ(Text(result.m_blocks[0]), c.m_szMerged);
        EXPECT_EQ(result.m_blocks[0].m_disagreements.size(), c.m_nDisagreements);
        EXPECT_EQ(result.m_blocks[0].m_nMissing, c.m_nMissing);
    }
}

// The bytes each take gave: where takes agree, the first of them. The
// first take lost QUICK, and estimated it a byte short.
TEST(MergeAlignTest, SaysWhichTakeGaveEachByte) {
    const SMergeResult result =
        Merge({{"THE????BROWNFOXJUMPSOVERTHELAZYDOG"}, {"THEQUICKBROWNFOXJUMPSOVERTHEL???OG"}});
    ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
    const SMergedBlock& block = result.m_blocks[0];
    EXPECT_EQ(Text(block), kTape);
    EXPECT_EQ(block.m_fromTake, (std::vector<uint32_t>{30, 5}));
    for (size_t k = 0; k < block.m_sources.size(); ++k) {
        EXPECT_EQ(block.m_sources[k], k >= 3 && k < 8 ? 1 : 0) << k;
    }
    EXPECT_EQ(block.m_takeBlocks, (std::vector<int32_t>{0, 0}));
}

// Gap estimates that are all off the same way shift one take against the
// other by far more than the band is wide: the band follows.
TEST(MergeAlignTest, FollowsGapEstimatesOffAcrossALongBlock) {
    std::vector<int16_t> tape(4000);
    uint32_t nState = 12345;
    for (int16_t& nValue : tape) {
        nState = nState * 1103515245u + 12345u;
        nValue = static_cast<int16_t>((nState >> 16) & 0xFF);
    }
    // Every 40 bytes, 3 bytes lost, estimated as nEstimate.
    const auto withGaps = [&](size_t nOffset, size_t nEstimate) {
        std::vector<int16_t> take;
        for (size_t k = 0; k < tape.size();) {
            if (k % 40 == nOffset) {
                take.insert(take.end(), nEstimate, kLost);
                k += 3;
                continue;
            }
            take.push_back(tape[k++]);
        }
        return take;
    };
    const struct {
        const char* m_szName;
        std::vector<int16_t> m_first;
        std::vector<int16_t> m_second;
    } kCases[] = {
        {"estimated long", withGaps(10, 5), tape},
        {"estimated short", withGaps(10, 1), tape},
        {"both takes, opposite ways", withGaps(10, 5), withGaps(30, 2)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        const SMergeResult result = MergeLogs({MakeLog({c.m_first}), MakeLog({c.m_second})});
        ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
        ASSERT_EQ(result.m_blocks.size(), 1u);
        EXPECT_TRUE(std::equal(tape.begin(), tape.end(), result.m_blocks[0].m_bytes.begin(),
                               result.m_blocks[0].m_bytes.end()));
        EXPECT_EQ(result.m_blocks[0].m_nMissing, 0u);
    }
}

// A take whose block disagrees with the others' at the same place is set
// aside in that block and gives no byte of its own; takes that lost far
// more bytes than the best one count for less, so that two of them cannot
// outvote it.
TEST(MergeAlignTest, SetsAsideOrOutweighsTakesThatDisagree) {
    const char* kGarbled = "THEQUI##?####?#####?######?#LAZYDOG";
    const struct {
        const char* m_szName;
        std::vector<std::string> m_takes;
        const char* m_szMerged;
        uint32_t m_nMissing;
        std::vector<int32_t> m_takeBlocks;
        std::vector<int32_t> m_setAside;
    } kCases[] = {
        {"a garbled third take", {kTape, kTape, kGarbled}, kTape, 0, {0, 0, 0}, {-1, -1, 0}},
        {"a garbled take first, the good one with a gap",
         {kGarbled, "THEQUICK???WNFOXJUMPSOVERTHELAZYDOG"},
         "THEQUICKWNFOXJUMPSOVERTHELAZYDOG",
         3,
         {0, 0},
         {0, -1}},
        {"another block altogether",
         {kTape, "##############################"},
         kTape,
         0,
         {0, -1},
         {-1, 0}},
        {"two takes that lost many bytes agree on a wrong one",
         {"THE??ICKBROWNBOXJUMPS??ERTHELAZ?DOG", kTape, "THEQU??KBROWNBOXJU??SOVERTHEL??YDOG"},
         kTape,
         0,
         {0, 0, 0},
         {-1, -1, -1}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        const SMergeResult result = MergeOneBlockEach(c.m_takes);
        if (c.m_takeBlocks == std::vector<int32_t>{0, -1}) {
            // The other take shares nothing: another tape.
            EXPECT_EQ(result.m_eStatus, EMergeStatus::kNoCommonBlock);
            continue;
        }
        ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
        ASSERT_EQ(result.m_blocks.size(), 1u);
        EXPECT_EQ(Text(result.m_blocks[0]), c.m_szMerged);
        EXPECT_EQ(result.m_blocks[0].m_nMissing, c.m_nMissing);
        EXPECT_EQ(result.m_blocks[0].m_takeBlocks, c.m_takeBlocks);
        EXPECT_EQ(result.m_blocks[0].m_setAside, c.m_setAside);
    }
}

// Weighed votes: a take that counts for less loses against one that counts
// fully, and two of them against one.
TEST(MergeAlignTest, WeighsTheVotesOfTakes) {
    const auto byte = [](uint8_t nValue, float fConfidence) {
        SCell cell;
        cell.m_eKind = ECellKind::kByte;
        cell.m_nValue = nValue;
        cell.m_fConfidence = fConfidence;
        return cell;
    };
    SCell denial;
    denial.m_eKind = ECellKind::kNoByte;
    const struct {
        const char* m_szName;
        std::vector<SCell> m_cells;
        std::vector<float> m_weights;
        int16_t m_nValue;
        bool m_bKeep;
    } kCases[] = {
        {"equal weights: the majority", {byte(1, 2.0f), byte(2, 1.1f), byte(2, 1.1f)}, {}, 2, true},
        {"two light takes against one",
         {byte(1, 1.1f), byte(2, 2.0f), byte(2, 2.0f)},
         {1.0f, 0.4f, 0.4f},
         1,
         true},
        {"one light take against one, more sure",
         {byte(1, 1.1f), byte(2, 3.0f)},
         {1.0f, 0.4f},
         1,
         true},
        {"a light take's extra byte",
         {denial, byte(2, 2.0f), byte(2, 2.0f)},
         {1.0f, 0.4f, 0.4f},
         2,
         false},
        {"a full take's byte against a light denial",
         {byte(3, 1.1f), denial},
         {1.0f, 0.4f},
         3,
         true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        const SByteChoice choice = ChooseByte(c.m_cells, c.m_weights);
        EXPECT_EQ(choice.m_nValue, c.m_nValue);
        EXPECT_EQ(choice.m_bKeep, c.m_bKeep);
        EXPECT_TRUE(choice.m_bDisagree);
    }
}

// A record name counts when no lost byte could change it: bytes lost in
// every take after the name leave it, a byte lost inside it does not.
TEST(MergeAlignTest, NamesBlocksWhoseHeaderLostBytes) {
    std::vector<int16_t> header(66, 0);
    header[0] = 0xFF;
    header[17] = 0x55;
    header[32] = 0x55;
    for (size_t k = 0; k < 4; ++k) {
        header[39 + k] = static_cast<int16_t>("NAME"[k]);
    }
    const auto losing = [&](size_t nFirst, size_t nCount) {
        std::vector<int16_t> take = header;
        std::fill_n(take.begin() + static_cast<std::ptrdiff_t>(nFirst), nCount, kLost);
        return take;
    };
    const struct {
        size_t m_nFirst;  // lost in both takes
        const char* m_szName;
    } kCases[] = {{50, "NAME\0\0\0\0"}, {41, ""}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_nFirst);
        const SMergeResult result = MergeLogs(
            {MakeLog({losing(c.m_nFirst, 3), {}}), MakeLog({losing(c.m_nFirst + 1, 3), {}})});
        ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
        EXPECT_EQ(result.m_blocks[0].m_nMissing, 2u);
        EXPECT_EQ(result.m_blocks[0].m_strName,
                  std::string(c.m_szName, std::strlen(c.m_szName) > 0 ? 8 : 0));
    }
}

// The log keeps evidence only when asked; lost bytes in a row make one gap,
// counted where they fall among the block's bytes.
TEST(TapeEvidenceTest, GapsCountTheLostBytesBetweenTheDecodedOnes) {
    for (const bool bKeep : {false, true}) {
        CTapeLog log;
        log.SetKeepEvidence(bKeep);
        log.BeginBlock(0.0);
        log.AddFailure(0.1);
        log.AddByte(7, 0.2, 0.3, 1.25f);
        log.AddFailure(0.4);
        log.AddFailure(0.5);
        log.AddByte(8, 0.6);
        log.AddFailure(0.7);
        EXPECT_EQ(log.Blocks()[0].m_nBytes, 2u);
        EXPECT_EQ(log.Failures().size(), 4u);
        if (!bKeep) {
            EXPECT_TRUE(log.Evidence().empty());
            continue;
        }
        ASSERT_EQ(log.Evidence().size(), 1u);
        const SBlockEvidence& evidence = log.Evidence()[0];
        ASSERT_EQ(evidence.m_bytes.size(), 2u);
        EXPECT_EQ(evidence.m_bytes[0].m_nValue, 7);
        EXPECT_EQ(evidence.m_bytes[0].m_dStart, 0.2);
        EXPECT_EQ(evidence.m_bytes[0].m_fConfidence, 1.25f);
        ASSERT_EQ(evidence.m_gaps.size(), 3u);
        const uint32_t kExpected[][2] = {{0, 1}, {1, 2}, {2, 1}};  // before, lost
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(evidence.m_gaps[k].m_nBefore, kExpected[k][0]);
            EXPECT_EQ(evidence.m_gaps[k].m_nLost, kExpected[k][1]);
        }
        log.Clear();
        EXPECT_TRUE(log.Evidence().empty());
        EXPECT_TRUE(log.KeepsEvidence());
    }
}

}  // namespace
