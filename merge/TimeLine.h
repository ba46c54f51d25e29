// The takes' common time line: each take's clock mapped onto the first
// take's by a straight line (an offset where each recording started, and
// a slope for decks that ran at other speeds), from the blocks matched so
// far.
#pragma once

#include <span>

struct STimeMap {
    double m_dSlope = 1.0;
    double m_dOffset = 0.0;
    bool m_bKnown = false;  // fitted; otherwise the takes' clocks are not related

    double operator()(double dAt) const { return m_dSlope * dAt + m_dOffset; }
};

// A block of a take and the block it was matched with, s.
struct STimePair {
    double m_dTakeStart = 0.0;    // on the take's clock
    double m_dCommonStart = 0.0;  // on the common time line
    double m_dWeight = 1.0;       // how sure the match is
};

// The slope is the median of the slopes between the starts of every two
// pairs at least 10 s apart (1 without such), the offset the one that most
// of the pairs' weight agrees on within dTolerance, refined to their mean,
// so that a few wrong matches move neither. Unknown without pairs, or when
// the slope is not that of a deck (0.5 to 2).
STimeMap FitTimeMap(std::span<const STimePair> pairs, double dTolerance);
