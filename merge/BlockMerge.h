// Merges one block that several takes hold, in two steps. First its
// profile: the take of the best decoding (most decoded bytes beyond those
// it lost) starts it, the others are aligned to it in turn, and a take
// whose bytes mostly disagree with the profile is set aside: the same
// block by its place on the tape, decoded badly. Then, once every block's
// profile shows how far each take can be trusted, one byte is chosen at
// every place; a take set aside adds only the runs of its bytes that the
// others confirm.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ByteProfile.h"
#include "MergedBlock.h"
#include "TapeLog.h"

struct SBlockProfile {
    CByteProfile m_profile{0};
    std::vector<int32_t> m_takeBlocks;  // per take: its block in this group, or -1
    // Per take: its block when set aside, or -1. One set aside that shares
    // some bytes with the others is in the profile and holds the block
    // (m_takeBlocks); one that shares none is left out.
    std::vector<int32_t> m_setAside;
    std::string m_strTakeName;  // the first sure record name of a take that joined
};

// evidence[t]: take t's block, or nullptr; blocks[t]: its index in take
// t's log, or -1; pieces[t] (or none): 1 when the block is only a piece
// decoded apart inside the place of this one, always set aside.
SBlockProfile ProfileBlock(std::span<const SBlockEvidence* const> evidence,
                           std::span<const int32_t> blocks, std::span<const uint8_t> pieces = {});

// Chooses the block's bytes; weights: per take, as ChooseByte takes them.
SMergedBlock DecideBlock(SBlockProfile& block, std::span<const float> weights);
