// Global alignment of two byte sequences in which some places are unknown
// (kUnknownToken): the columns of a block's profile so far against the
// tokens of one more take.
//
// Needleman-Wunsch in a band that follows the best cell of the row before,
// so that time and memory are linear in the block's length: a lost byte is
// marked where it was lost, so two takes of a block stay near the same
// diagonal, and the estimated length of a gap is off by a byte or two, so
// the path drifts slowly; the band follows it across any number of gaps.
// Scores: a byte equal to the column's +2, a different one -3, anything
// against an unknown place 0; a place without a partner costs 1 beside an
// unknown place or at either end (where a gap's length is only estimated,
// and where a block may be cut short), and 4 elsewhere (an extra or a
// missing byte in strictly framed data).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

enum class EAlignStep : uint8_t {
    kBoth,        // a column and a token together
    kColumnOnly,  // a column with no token of this take
    kTokenOnly,   // a token that opens a new column
};

struct SAlignment {
    std::vector<EAlignStep> m_steps;  // in order, from the start of both
    uint32_t m_nAgree = 0;            // known columns and known tokens together that agree ...
    uint32_t m_nDisagree = 0;         // ... and that do not
};

inline constexpr int32_t kDefaultBandHalfWidth = 32;

// columns: the value each column holds so far, or kUnknownToken when none
// is known; tokens: the take's values, or kUnknownToken in its gaps.
SAlignment AlignSequences(std::span<const int16_t> columns, std::span<const int16_t> tokens,
                          int32_t nBandHalfWidth = kDefaultBandHalfWidth);

// Whether a place of one sequence left without a partner, between
// positions nBefore - 1 and nBefore of the other, is cheap: at either end
// of the other or beside one of its unknown places.
bool IsSoftHole(std::span<const int16_t> other, size_t nBefore);
