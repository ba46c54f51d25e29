// Takes of one tape made by the encoder with the same bytes and timing and
// another seed each (other hiss, other dropout places), decoded by the
// robust decoder with evidence kept, then merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "ConversionRun.h"
#include "RobustDecoder.h"
#include "TakeMerge.h"
#include "support/AnalogBlocks.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<CAnalogBlock> TapeBlocks() {
    return RandomBlocks(7, {{"FIRST", 700}, {"SECOND", 400}});
}

CImpairments WornTape(uint64_t nSeed) {
    CImpairments impairments;
    impairments.m_dHissDb = 24.0;
    impairments.m_dLowpassHz = 3500.0;
    impairments.m_nDropouts = 12;
    impairments.m_dDropoutMs = 20.0;
    impairments.m_dDropoutDepthDb = 40.0;
    impairments.m_nSeed = nSeed;
    return impairments;
}

struct STake {
    CTapeLog m_log;
    Bytes m_bytes;         // test.dat of a run on the take alone
    CRenderTruth m_truth;  // where its bytes and dropouts lie
};

STake MakeTake(const CTempDir& dir, const std::string& strName, const CAnalogFormat& format,
               const CImpairments& impairments, const std::vector<CAnalogBlock>& blocks) {
    STake take;
    const std::string strWav = dir.File(strName + ".wav");
    EXPECT_TRUE(WriteAnalogRecording(strWav, format, impairments, blocks, 200, 0.3, &take.m_truth));
    CCurrentDir here(dir.Path());
    CRecordingOwner owner;
    owner.m_strPath = strWav;
    CRobustDecoder decoder;
    decoder.GetLog().SetKeepEvidence(true);
    EXPECT_EQ(RunConversion(owner, decoder), ERunResult::kDone);
    take.m_log = decoder.GetLog();
    take.m_bytes = ReadBytes(dir.File("test.dat"));
    return take;
}

STake MakeTake(const CTempDir& dir, uint64_t nSeed, const CAnalogFormat& format,
               const std::vector<CAnalogBlock>& blocks = TapeBlocks()) {
    return MakeTake(dir, "take" + std::to_string(nSeed), format, WornTape(nSeed), blocks);
}

// The tape's bytes (in tape order) that a dropout of the take touches,
// with a byte either side for the ramps and the resync.
std::vector<bool> Damaged(const CRenderTruth& truth) {
    const std::vector<double>& starts = truth.m_byteStarts;
    std::vector<bool> damaged(starts.size(), false);
    for (const auto& [dStart, dEnd] : truth.m_dropouts) {
        for (size_t k = 0; k + 1 < starts.size(); ++k) {
            if (starts[k] < dEnd + 0.002 && starts[k + 1] > dStart - 0.002) {
                for (size_t n = k > 0 ? k - 1 : 0; n <= k + 1; ++n) {
                    damaged[n] = true;
                }
            }
        }
    }
    return damaged;
}

Bytes Concatenated(const SMergeResult& result) {
    Bytes bytes;
    for (const SMergedBlock& block : result.m_blocks) {
        bytes.insert(bytes.end(), block.m_bytes.begin(), block.m_bytes.end());
    }
    return bytes;
}

std::vector<const CTapeLog*> Logs(const std::vector<STake>& takes) {
    std::vector<const CTapeLog*> logs;
    for (const STake& take : takes) {
        logs.push_back(&take.m_log);
    }
    return logs;
}

// How many takes' dropouts touch each byte of the tape.
std::vector<int32_t> DamageCount(const std::vector<STake>& takes) {
    std::vector<int32_t> count;
    for (const STake& take : takes) {
        const std::vector<bool> damaged = Damaged(take.m_truth);
        count.resize(damaged.size(), 0);
        for (size_t k = 0; k < damaged.size(); ++k) {
            count[k] += damaged[k] ? 1 : 0;
        }
    }
    return count;
}

struct STakeSet {
    const char* m_szName;
    std::vector<uint64_t> m_seeds;
    std::vector<CAnalogFormat> m_formats;  // per take; the default when shorter
    int32_t m_nMostDamaged;                // takes whose dropouts may touch one byte
};

CAnalogFormat Format(int32_t nRate, int32_t nBits) {
    CAnalogFormat format;
    format.m_nRate = nRate;
    format.m_nBits = nBits;
    return format;
}

// Every take alone loses bytes; together they give every byte of the tape
// and no other, in tape order.
TEST(MergeTakesTest, TakesThatCoverEachOtherGiveTheWholeTape) {
    const STakeSet kSets[] = {
        {"two takes, dropouts apart", {2, 3}, {}, 1},
        {"two takes at other rates and formats", {3, 5}, {Format(48000, 24), Format(22050, 8)}, 1},
        {"three takes, each byte good in two", {2, 3, 5}, {}, 1},
    };
    const Bytes tape = TapeBytes(TapeBlocks());
    CTempDir dir;
    for (const STakeSet& set : kSets) {
        SCOPED_TRACE(set.m_szName);
        std::vector<STake> takes;
        for (size_t t = 0; t < set.m_seeds.size(); ++t) {
            const CAnalogFormat format =
                t < set.m_formats.size() ? set.m_formats[t] : Format(44100, 16);
            takes.push_back(MakeTake(dir, set.m_seeds[t], format));
            EXPECT_LT(takes.back().m_bytes.size(), tape.size() - 10);
        }
        const std::vector<int32_t> damage = DamageCount(takes);
        ASSERT_LE(*std::max_element(damage.begin(), damage.end()), set.m_nMostDamaged)
            << "the seeds' dropouts overlap: choose others";
        const SMergeResult result = MergeTakes(Logs(takes));
        ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
        ASSERT_EQ(result.m_blocks.size(), 2u);
        EXPECT_EQ(Concatenated(result), tape);
        EXPECT_EQ(result.m_blocks[0].m_strName, std::string("FIRST\0\0\0", 8));
        EXPECT_EQ(result.m_blocks[1].m_strName, std::string("SECOND\0\0", 8));
        for (const SMergedBlock& block : result.m_blocks) {
            EXPECT_EQ(block.m_nMissing, 0u);
            EXPECT_EQ(block.TakesHolding(), takes.size());
        }
    }
}

// What the robust decoder keeps per block is what the run wrote, and its
// gaps hold every lost byte it reported.
TEST(MergeTakesTest, EvidenceMatchesTheRun) {
    CTempDir dir;
    const STake take = MakeTake(dir, 2, Format(44100, 16));
    Bytes bytes;
    uint64_t nLost = 0;
    ASSERT_EQ(take.m_log.Evidence().size(), take.m_log.Blocks().size());
    for (size_t b = 0; b < take.m_log.Evidence().size(); ++b) {
        const SBlockEvidence& evidence = take.m_log.Evidence()[b];
        EXPECT_EQ(evidence.m_bytes.size(), take.m_log.Blocks()[b].m_nBytes);
        for (const SByteEvidence& byte : evidence.m_bytes) {
            bytes.push_back(byte.m_nValue);
            EXPECT_GE(byte.m_fConfidence, 1.0f);
            EXPECT_LT(byte.m_dStart, take.m_log.Blocks()[b].m_dEnd);
        }
        for (const SGapEvidence& gap : evidence.m_gaps) {
            nLost += gap.m_nLost;
            EXPECT_LE(gap.m_nBefore, evidence.m_bytes.size());
        }
    }
    EXPECT_EQ(bytes, take.m_bytes);
    EXPECT_EQ(nLost, take.m_log.Failures().size());
    EXPECT_GT(nLost, 0u);
}

// Takes of two different tapes share no block, whether the names differ
// or the blocks have none and only their bytes differ.
TEST(MergeTakesTest, TakesOfDifferentTapesAreRefused) {
    CTempDir dir;
    std::vector<STake> takes;
    takes.push_back(MakeTake(dir, 2, Format(44100, 16)));
    std::vector<CAnalogBlock> named = TapeBlocks();
    std::vector<CAnalogBlock> unnamed = TapeBlocks();
    for (size_t b = 0; b < named.size(); ++b) {
        named[b].m_strName = b == 0 ? "OTHER" : "TAPE";
        std::reverse(named[b].m_data.begin(), named[b].m_data.end());
        unnamed[b].m_strName.clear();
        unnamed[b].m_data = named[b].m_data;
    }
    for (const auto& other : {named, unnamed}) {
        takes.push_back(MakeTake(dir, 3, Format(44100, 16), other));
        EXPECT_EQ(MergeTakes(Logs(takes)).m_eStatus, EMergeStatus::kNoCommonBlock);
        takes.pop_back();
    }
    EXPECT_EQ(MergeTakes(Logs(takes)).m_eStatus, EMergeStatus::kTooFewTakes);
    CTapeLog plain;  // kept no evidence
    plain.BeginBlock(0.0);
    plain.AddByte(1, 0.1);
    const CTapeLog* pLogs[] = {&takes[0].m_log, &plain};
    EXPECT_EQ(MergeTakes(pLogs).m_eStatus, EMergeStatus::kNoEvidence);
}

// Bytes of the tape a recovery holds, and bytes it holds that are not on
// the tape: from a longest common subsequence, as a diff counts them.
struct SRecovery {
    size_t m_nOfTape = 0;
    size_t m_nNotOnTape = 0;
};

SRecovery Compare(const Bytes& tape, const Bytes& recovered) {
    std::vector<uint32_t> row(recovered.size() + 1, 0);
    std::vector<uint32_t> next(recovered.size() + 1, 0);
    for (const uint8_t nTape : tape) {
        for (size_t k = 0; k < recovered.size(); ++k) {
            next[k + 1] = nTape == recovered[k] ? row[k] + 1 : std::max(row[k + 1], next[k]);
        }
        std::swap(row, next);
    }
    return {row.back(), recovered.size() - row.back()};
}

// A band far too narrow: the line's AC coupling set far too high and a
// dull head, each a little different from take to take, under hiss; the
// decoder loses the headers and frames wrong bytes. (A low-cut alone it
// undoes.)
CImpairments SteepFilter(double dHighpassHz, uint64_t nSeed) {
    CImpairments impairments;
    impairments.m_dHissDb = 17.0;
    impairments.m_dHighpassHz = dHighpassHz;
    impairments.m_dLowpassHz = 700.0 + dHighpassHz / 3.0;
    impairments.m_nSeed = nSeed;
    return impairments;
}

CImpairments HissAndDropouts(uint64_t nSeed) {
    CImpairments impairments = WornTape(nSeed);
    impairments.m_dHissDb = 7.0;
    impairments.m_nDropouts = 40;
    impairments.m_dDropoutMs = 40.0;
    return impairments;
}

struct SBadTake {
    CImpairments m_impairments;
    size_t m_nFirst;  // the take holds the tape's blocks m_nFirst..m_nEnd - 1
    size_t m_nEnd;
    bool m_bBad;  // decoded badly: far from the whole tape
};

// Whatever the takes and their order, a merge recovers at least the bytes
// of the tape that the best take alone gives, and writes no more bytes
// that are not on the tape: a take decoded badly is set aside or outvoted,
// never written beside the good blocks.
TEST(MergeTakesTest, MergeIsNeverWorseThanItsBestTake) {
    struct SCase {
        const char* m_szName;
        std::vector<SBadTake> m_takes;
    };
    const SCase kCases[] = {
        {"a clean take and one behind a steep filter",
         {{WornTape(2), 0, 3, false}, {SteepFilter(1500.0, 12), 0, 3, true}}},
        {"a clean take and one with heavy hiss and many dropouts",
         {{WornTape(2), 0, 3, false}, {HissAndDropouts(15), 0, 3, false}}},
        {"two bad takes and a clean one",
         {{SteepFilter(1500.0, 12), 0, 3, true},
          {SteepFilter(1200.0, 17), 0, 3, true},
          {WornTape(3), 0, 3, false}}},
        {"a bad take that starts late, a clean one that stops early",
         {{WornTape(2), 0, 3, false},
          {SteepFilter(1500.0, 12), 1, 3, true},
          {WornTape(3), 0, 2, false}}},
    };
    const std::vector<CAnalogBlock> blocks =
        RandomBlocks(9, {{"ONE", 600}, {"TWO", 500}, {"THREE", 700}});
    const Bytes tape = TapeBytes(blocks);
    CTempDir dir;
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.m_szName);
        std::vector<STake> takes;
        SRecovery best;
        for (size_t t = 0; t < c.m_takes.size(); ++t) {
            const SBadTake& take = c.m_takes[t];
            const std::vector<CAnalogBlock> held(
                blocks.begin() + static_cast<ptrdiff_t>(take.m_nFirst),
                blocks.begin() + static_cast<ptrdiff_t>(take.m_nEnd));
            takes.push_back(MakeTake(dir, "bad" + std::to_string(t), Format(44100, 16),
                                     take.m_impairments, held));
            const SRecovery alone = Compare(tape, takes.back().m_bytes);
            if (take.m_bBad) {
                EXPECT_LT(alone.m_nOfTape, tape.size() * 4 / 5) << "take " << t << " is not bad";
            }
            if (alone.m_nOfTape > best.m_nOfTape ||
                (alone.m_nOfTape == best.m_nOfTape && alone.m_nNotOnTape < best.m_nNotOnTape)) {
                best = alone;
            }
        }
        std::vector<size_t> order(takes.size());
        std::iota(order.begin(), order.end(), size_t{0});
        do {
            std::vector<const CTapeLog*> logs;
            for (const size_t t : order) {
                logs.push_back(&takes[t].m_log);
            }
            const SMergeResult result = MergeTakes(logs);
            ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
            const SRecovery merged = Compare(tape, Concatenated(result));
            EXPECT_GE(merged.m_nOfTape, best.m_nOfTape) << "order " << order[0] << order[1];
            EXPECT_LE(merged.m_nNotOnTape, best.m_nNotOnTape) << "order " << order[0] << order[1];
            EXPECT_EQ(result.m_blocks.size(), blocks.size());
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

}  // namespace
