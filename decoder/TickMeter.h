// CTickMeter: what the classic decoder measures besides the bytes, from the
// ticks that the block path consumes (a CTickObserver, so it sees exactly
// what the demodulator sees and changes nothing):
//
//   histogram  the spacing of every two successive crossings, in ticks,
//              counted into the log's half-period histogram;
//   timing     the half-periods of each read classed short (2-26 ticks)
//              or long (27-41), summed, for the block's measured means;
//   signal     the last ticks and crossings in rings, while the log wants
//              snapshots, so that the smoothed signal around a failed byte
//              (5 ms either side) can be kept with its classed crossings.
//
// Per crossing it does a table look-up and a few additions; the rings cost
// a copy of the tick values and stop once the log has its snapshots.
#pragma once

#include <array>
#include <cstdint>

#include "TapeLog.h"
#include "TickBlock.h"

class CTickMeter : public CTickObserver {
public:
    // Half-periods of one read, in ticks.
    struct SReadTiming {
        uint64_t m_nShortTicks = 0;
        uint64_t m_nShorts = 0;
        uint64_t m_nLongTicks = 0;
        uint64_t m_nLongs = 0;
    };

    // Starts over for a recording whose ticks last dTickSeconds each,
    // recording into log (which must outlive the meter's use).
    void Reset(CTapeLog& log, double dTickSeconds);
    void OnTicks(const STickSpan& span) override;

    int64_t Tick() const { return m_nTick; }  // ticks consumed since Reset
    double TickSeconds() const { return m_dTick; }

    void ResetRead() { m_read = {}; }
    const SReadTiming& Read() const { return m_read; }

    // A byte failed at tick nAt: collects the signal until 5 ms after it.
    // Whether it goes to the log is decided by KeepSnapshot or DropSnapshot.
    void StartSnapshot(int64_t nAt);
    // The failure counts: the snapshot goes to the log once it is complete
    // (at once if it is).
    void KeepSnapshot();
    void DropSnapshot() { m_eSnapshot = ESnapshot::kNone; }

private:
    enum class ESnapshot { kNone, kCollecting, kComplete };

    static constexpr int32_t kTableGaps = 4096;  // spacings looked up; longer ones computed
    // Powers of two. A call may bring a whole block of ticks past the end of
    // a snapshot, so the rings hold that much more than the longest one.
    static constexpr int64_t kRingTicks = 8192;
    static constexpr int64_t kRingCrossings = 8192;

    void CountGap(int64_t nGap);
    void Keep(const STickSpan& span);
    int32_t TickAt(int64_t nTick) const;
    void Complete();

    CTapeLog* m_pLog = nullptr;
    double m_dTick = 0.0;
    int64_t m_nTick = 0;
    int64_t m_nLastCrossing = -1;
    SReadTiming m_read;
    std::array<int16_t, kTableGaps> m_nBinOfGap{};

    bool m_bRings = false;  // the rings are kept up to date
    std::array<uint8_t, kRingTicks> m_nTicks{};
    std::array<int64_t, kRingCrossings> m_nCrossings{};
    int64_t m_nCrossingCount = 0;

    ESnapshot m_eSnapshot = ESnapshot::kNone;
    bool m_bKeep = false;  // the failure counts
    int64_t m_nFailure = 0;
    int64_t m_nFrom = 0;   // first tick of the snapshot
    int64_t m_nTo = 0;     // tick after its last
    int64_t m_nUntil = 0;  // collecting until here: the class of its last crossing is known
    SSignalSnapshot m_snapshot;
};
