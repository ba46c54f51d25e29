// The takes' common time line: each take's clock mapped onto the first
// take's by a straight line (an offset where each recording started, and
// a slope for decks that ran at other speeds), fitted to the starts of the
// blocks matched so far.
#pragma once

#include <span>

struct STimeMap {
    double m_dSlope = 1.0;
    double m_dOffset = 0.0;
    bool m_bKnown = false;  // fitted; otherwise the takes' clocks are not related

    double operator()(double dAt) const { return m_dSlope * dAt + m_dOffset; }
};

struct STimePair {
    double m_dTake = 0.0;    // s: a block's start on the take's clock
    double m_dCommon = 0.0;  // s: the start of its match on the common time line
};

// Fits a map to the pairs, leaving out those more than dTolerance off the
// line; one pair gives an offset alone. Unknown without pairs, or when the
// slope is not that of a deck (0.5 to 2).
STimeMap FitTimeMap(std::span<const STimePair> pairs, double dTolerance);
