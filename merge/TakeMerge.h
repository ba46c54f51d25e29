// Merges several takes of one tape, each decoded with evidence kept
// (CTapeLog::SetKeepEvidence), into one recovery: blocks matched across
// takes in tape order, each block's bytes aligned and chosen place by
// place. Memory grows with the decoded bytes only.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "MergedBlock.h"
#include "TapeLog.h"

enum class EMergeStatus {
    kMerged,
    kTooFewTakes,    // fewer than two takes
    kTooManyTakes,   // more than kMaxMergeTakes
    kNoEvidence,     // a take's log kept no evidence (m_nTake)
    kNoCommonBlock,  // no block is held by two takes: the takes hold different tapes
    kTakeUnmatched,  // take m_nTake shares no block with the others
};

struct SMergeResult {
    EMergeStatus m_eStatus = EMergeStatus::kMerged;
    size_t m_nTake = 0;                  // the take a status names (0-based)
    std::vector<SMergedBlock> m_blocks;  // in tape order, when merged
    // Per take, when merged: its weight in the votes (TakeTrust.h), below 1
    // for a take decoded badly throughout.
    std::vector<float> m_weights;
};

SMergeResult MergeTakes(std::span<const CTapeLog* const> takes);
