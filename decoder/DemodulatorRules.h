// The demodulator's thresholds, shared by the per-tick operations and the
// block path, and what they mean for the spacing of two successive midpoint
// crossings when measurements follow one another.
#pragma once

#include <cstdint>

namespace DemodulatorRules {

constexpr int32_t kScoreBudget = 45;  // a score is 45 minus the ticks counted
constexpr int32_t kLongBelow = 20;    // scores 5-19: long half-period
constexpr int32_t kTooLongBelow = 5;  // scores 0-4: longer than any data half-period
constexpr int32_t kLeaderMax = 40;    // the leader needs scores 5-40 ...
constexpr int32_t kLeaderRun = 80;    // ... this many in a row
constexpr int32_t kMidpointBit = 0x80;

// A measurement that starts on the tick after a crossing and ends on the
// next crossing, nGap ticks after the first, counts nGap - 1 ticks and
// scores kScoreBudget + 1 - nGap. Gaps of 1 (the next crossing falls on the
// reference tick and is not seen) and gaps above kGapCapped (the budget runs
// out first) break that rule.
constexpr int32_t ScoreOfGap(int32_t nGap) {
    return kScoreBudget + 1 - nGap;
}
constexpr int32_t kGapCapped = kScoreBudget;                       // 45: still scores 1
constexpr int32_t kGapShortMax = kScoreBudget + 1 - kLongBelow;    // 26: scores 20
constexpr int32_t kGapLongMax = kScoreBudget + 1 - kTooLongBelow;  // 41: scores 5
constexpr int32_t kGapLeaderMin = kScoreBudget + 1 - kLeaderMax;   // 6: scores 40
static_assert(ScoreOfGap(kGapShortMax) == kLongBelow);
static_assert(ScoreOfGap(kGapLongMax) == kTooLongBelow);
static_assert(ScoreOfGap(kGapCapped) == 1);

}  // namespace DemodulatorRules
