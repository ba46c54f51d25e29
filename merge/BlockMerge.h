// Merges one block that several takes hold: the take with the most
// decoded bytes starts the profile, the others are aligned to it in turn
// (most decoded bytes first), and one byte is chosen at every place. A
// take whose bytes mostly disagree with the profile holds another block:
// it is merged on its own, after this one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "MergedBlock.h"
#include "TapeLog.h"

// evidence[t]: take t's block, or nullptr; blocks[t]: its index in take
// t's log, or -1. Returns this block, then any block set apart.
std::vector<SMergedBlock> MergeBlock(std::span<const SBlockEvidence* const> evidence,
                                     std::span<const int32_t> blocks);
