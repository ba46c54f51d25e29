// Which blocks of several takes are the same block of the tape. Takes are
// laid over each other in turn, the best decoded first: the blocks of the next take are aligned,
// in order, with the groups found so far, a block joining a group when
// their record names agree (both known and equal), or, when either name is
// unknown, when their lengths are close; a block that joins none makes a
// group of its own at its place. Once a take's blocks are matched so, the
// starts of the pairs map its clock onto the common time line (the first
// take's), and its blocks are matched again by place: a block joins the
// group that starts where it starts, whatever its name and length, so
// that a badly decoded block, with a wrong name or cut short, is still
// known as the block it is.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "TakeTokens.h"
#include "TimeLine.h"

struct SBlockGroup {
    std::vector<int32_t> m_members;  // per take: its block in this group, or -1
    // Per take: a block of it that lies inside this group's place on the
    // common time line, held by no other take (a piece of the block that
    // its decoder lost the thread of and found again), or -1.
    std::vector<int32_t> m_pieces;
};

// takes[t]: the keys of take t's blocks in order. The groups come in tape
// order, each with one entry per take.
std::vector<SBlockGroup> MatchBlocks(std::span<const std::vector<SBlockKey>> takes);

// Whether two blocks may be the same: names equal when both are known,
// lengths close otherwise.
bool MayBeSameBlock(const SBlockKey& a, const SBlockKey& b);
