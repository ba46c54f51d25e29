// The choice of one byte from the cells of the takes at one place of a
// block: where the takes agree, their byte; where some lack it, the byte of
// those that have it; where they disagree, the value most takes hold, and
// among equally many the one decoded with the higher confidence (with two
// takes that is always the confidence). A take that goes on without a byte
// where others have one, with bytes on both sides, votes against the byte:
// a decoder that loses a byte breaks the framing and says so, while an
// extra byte comes from a run framed wrong beside a gap. A byte is kept
// when more takes vote for it than against it.
//
// Takes may weigh differently: every count above is then a sum of the
// weights of the takes (a take its blocks showed to be mostly wrong counts
// for less, see TakeTrust.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ByteProfile.h"

// Takes a merge can weigh against each other (a take's number fits a byte).
inline constexpr size_t kMaxMergeTakes = 255;

struct SByteChoice {
    int16_t m_nValue = kUnknownToken;  // the value chosen among the bytes, if any
    bool m_bKeep = false;              // the place holds a byte on the tape
    bool m_bDisagree = false;          // the takes' bytes differ, or some deny the byte
    bool m_bMissing = false;           // more takes lost a byte here than deny one, none has it
    uint8_t m_nTake = 0;               // the take the byte comes from (the first of equals)
};

// weights: per take (as many as cells), or empty when every take counts 1.
SByteChoice ChooseByte(std::span<const SCell> cells, std::span<const float> weights = {});
