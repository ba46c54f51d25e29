// CTickMeter: what the classic decoder measures besides the bytes, from the
// ticks that the block path consumes (a CTickObserver, so it sees exactly
// what the demodulator sees and changes nothing): the spacing of every two
// successive crossings, counted by its length in ticks. The counts give the
// log's half-period histogram and, between two moments, the mean short and
// long half-period (2-26 and 27-41 ticks, the demodulator's classes).
//
// Per crossing it does a subtraction and an increment, in a tight loop over
// a whole block of ticks at a time (see CTickObserver).
#pragma once

#include <array>
#include <cstdint>

#include "HalfPeriodHistogram.h"
#include "TapeLog.h"
#include "TickBlock.h"

class CTickMeter : public CTickObserver {
public:
    // Sums of the half-periods of the two data classes, in ticks.
    struct SClassSums {
        uint64_t m_nShortTicks = 0;
        uint64_t m_nShorts = 0;
        uint64_t m_nLongTicks = 0;
        uint64_t m_nLongs = 0;
    };

    // Starts over for a recording whose ticks last dTickSeconds each.
    void Reset(double dTickSeconds);
    void OnTicks(const STickSpan& span) override;

    int64_t Tick() const { return m_nTick; }  // ticks seen since Reset
    // The sums over everything seen so far.
    SClassSums Sums() const;
    // Adds to the log's histogram what was counted since the last call.
    void AddNewToHistogram(CTapeLog& log);

private:
    void Count(int64_t nGap);

    static constexpr int32_t kTableGaps = 4096;  // counted by length; longer ones binned at once
    // Runs of equal spacings (a leader) would make each increment wait for
    // the one before; four tables, taken in turn, let them overlap.
    static constexpr int32_t kTables = 4;

    double m_dTick = 0.0;
    int64_t m_nTick = 0;
    int64_t m_nLastCrossing = -1;
    std::array<std::array<uint32_t, kTableGaps>, kTables> m_nCounts{};
    std::array<uint64_t, kTableGaps> m_nAdded{};  // already in the log's histogram
    CHalfPeriodHistogram m_long;                  // spacings of kTableGaps ticks and more
    CHalfPeriodHistogram m_longAdded;
};
