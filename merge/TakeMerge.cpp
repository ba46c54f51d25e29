#include "TakeMerge.h"

#include "BlockMatch.h"
#include "BlockMerge.h"
#include "ByteVote.h"
#include "TakeTokens.h"
#include "TakeTrust.h"

namespace {

SMergeResult Failed(EMergeStatus eStatus, size_t nTake = 0) {
    SMergeResult result;
    result.m_eStatus = eStatus;
    result.m_nTake = nTake;
    return result;
}

// The first take that has blocks of which none is shared, if any.
bool FindUnmatchedTake(const std::vector<SMergedBlock>& blocks,
                       std::span<const CTapeLog* const> takes, size_t& nTake) {
    for (size_t t = 0; t < takes.size(); ++t) {
        bool bShared = false;
        for (const SMergedBlock& block : blocks) {
            bShared = bShared || (block.m_takeBlocks[t] >= 0 && block.TakesHolding() >= 2);
        }
        if (!bShared) {
            nTake = t;
            return true;
        }
    }
    return false;
}

}  // namespace

SMergeResult MergeTakes(std::span<const CTapeLog* const> takes) {
    if (takes.size() < 2) {
        return Failed(EMergeStatus::kTooFewTakes);
    }
    if (takes.size() > kMaxMergeTakes) {
        return Failed(EMergeStatus::kTooManyTakes);
    }
    std::vector<std::vector<SBlockKey>> keys(takes.size());
    for (size_t t = 0; t < takes.size(); ++t) {
        const CTapeLog& log = *takes[t];
        if (log.Evidence().size() != log.Blocks().size()) {
            return Failed(EMergeStatus::kNoEvidence, t);
        }
        for (size_t b = 0; b < log.Evidence().size(); ++b) {
            keys[t].push_back(MakeBlockKey(log.Evidence()[b]));
            keys[t].back().m_dStart = log.Blocks()[b].m_dStart;
            keys[t].back().m_dEnd = log.Blocks()[b].m_dEnd;
        }
    }
    std::vector<SBlockProfile> profiles;
    std::vector<const SBlockEvidence*> evidence(takes.size());
    std::vector<int32_t> blocks(takes.size());
    std::vector<uint8_t> pieces(takes.size());
    for (const SBlockGroup& group : MatchBlocks(keys)) {
        // A piece of a take inside the group's place stands for the take
        // when it has no block here, and is set aside.
        for (size_t t = 0; t < takes.size(); ++t) {
            const bool bPiece = group.m_members[t] < 0 && group.m_pieces[t] >= 0;
            blocks[t] = bPiece ? group.m_pieces[t] : group.m_members[t];
            pieces[t] = bPiece ? 1 : 0;
            evidence[t] =
                blocks[t] < 0 ? nullptr : &takes[t]->Evidence()[static_cast<size_t>(blocks[t])];
        }
        profiles.push_back(ProfileBlock(evidence, blocks, pieces));
        // Beside a block of its own here, it is left out.
        for (size_t t = 0; t < takes.size(); ++t) {
            if (pieces[t] == 0 && group.m_pieces[t] >= 0 && profiles.back().m_setAside[t] < 0) {
                profiles.back().m_setAside[t] = group.m_pieces[t];
            }
        }
    }
    const std::vector<float> weights = TakeWeights(profiles, takes);
    SMergeResult result;
    result.m_weights = weights;
    result.m_blocks.reserve(profiles.size());
    for (SBlockProfile& profile : profiles) {
        result.m_blocks.push_back(DecideBlock(profile, weights));
        profile = SBlockProfile{};  // its memory is not needed any more
    }
    bool bCommon = false;
    for (const SMergedBlock& block : result.m_blocks) {
        bCommon = bCommon || block.TakesHolding() >= 2;
    }
    if (!bCommon) {
        return Failed(EMergeStatus::kNoCommonBlock);
    }
    size_t nTake = 0;
    if (FindUnmatchedTake(result.m_blocks, takes, nTake)) {
        return Failed(EMergeStatus::kTakeUnmatched, nTake);
    }
    return result;
}
