// The table of the blocks in a decoder's log: times, record name, bytes,
// failures, the measured short and long half-period and the deck's speed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "TapeLog.h"

// Rows shown at most; a note points to the rest.
inline constexpr size_t kMaxTableRows = 1000;

// The deck's speed over a block against the nominal half-periods (1 is
// nominal, 1.05 five per cent fast); 0 when nothing was measured.
double BlockSpeed(const STapeBlock& block);

// names: each block's record name as shown, one per block of the log.
std::string BlockTableHtml(const CTapeLog& log, const std::vector<std::string>& names);
