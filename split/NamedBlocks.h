// The blocks of a decoder's log or of a merge, with their bytes and names,
// ready to be written as files of their own.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "BlockFiles.h"
#include "MergedBlock.h"
#include "TapeLog.h"

// bytes: every byte the run decoded, in order (its output file); the log's
// blocks cut it into pieces. Bytes past the log's blocks are left out; a
// block past the end of bytes (a write that failed part way) is cut short.
std::vector<SNamedBlock> NamedBlocks(const CTapeLog& log, std::span<const uint8_t> bytes);
// The blocks of a merge.
std::vector<SNamedBlock> NamedBlocks(const std::vector<SMergedBlock>& blocks);
