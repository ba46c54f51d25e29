// CByteFramer: from classed half-periods to blocks of bytes.
//
//   seek leader  waits for a steady leader (CLeaderDetector); its mean
//                half-period teaches the timing stage the deck's speed;
//   await start  skips the rest of the leader up to the first long
//                half-period, which opens the block's first byte;
//   data         decodes byte after byte (CByteParse); a broken byte
//                starts a resync;
//   resync       tries every long half-period after the broken byte's
//                opening one as the opening of a byte, parses strictly
//                ahead from each, and resumes at the one whose clean run is
//                longest (at least a few bytes, or a clean end of the block),
//                so a dropout costs only the bytes under it. The bytes in
//                between are reported lost, as many as fit in the gap. A
//                steady leader, or a long stretch without a clean run, ends
//                the block instead, and then nothing is reported lost.
//
// Half-periods are kept in a fixed ring for the look-ahead; nothing is
// allocated.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ByteGrammar.h"
#include "HalfPeriodTiming.h"
#include "LeaderDetector.h"
#include "RobustConfig.h"

class CFramerEvents {
public:
    virtual ~CFramerEvents() = default;
    virtual void OnByte(const SFramedByte& byte) = 0;
    virtual void OnFailure(double dAt) = 0;  // s: a byte lost inside a block
    virtual void OnBlockEnd() = 0;
};

class CByteFramer {
public:
    CByteFramer(const SRobustConfig& config, CHalfPeriodTiming& timing, CFramerEvents& events);

    void Reset();
    // A measured half-period: classed, then framed. Returns its class.
    EHalfClass Add(const SHalfPeriod& measured);
    // The data has ended: settles a pending resync with what is there.
    void Finish();
    // No half-period that is still to come ends before dNow (s): the signal
    // has gone quiet or goes on beyond it. Where that makes the half-period
    // in progress a gap that ends the block, the block ends now, as it would
    // when that half-period came, so that its end is told while silence or
    // noise follows. The half-period, when it comes, is then taken as
    // already framed.
    void Pass(double dNow);
    // No event reported from now on lies before this time (s): a block's end
    // counts at its last byte's start.
    double Settled() const;

    // A leader has been found and its block has not ended.
    bool IsInBlock() const { return m_eMode != EMode::kSeekLeader; }

private:
    enum class EMode { kSeekLeader, kAwaitStart, kData, kResync };
    enum class ERunEnd { kOpen, kBroken, kFull, kBlockEnd };
    struct SRun {
        int32_t m_nBytes = 0;
        ERunEnd m_eEnd = ERunEnd::kOpen;
    };

    static constexpr int64_t kRing = 2048;  // half-periods kept, a power of two

    const SHalfPeriod& At(int64_t nIndex) const {
        return m_ring[static_cast<size_t>(nIndex & (kRing - 1))];
    }
    void Pump();
    void TakeData(const SHalfPeriod& half);
    void StartResync(double dFailAt, int64_t nFrom, bool bInsideByte);
    bool TryResync(bool bFinal);
    SRun CleanRun(int64_t nFrom) const;
    void CommitResync(int64_t nCandidate);
    void EndBlock(bool bLeaderFound);
    // In a resync, once dNow (s) is the end gap past the last good byte.
    void EndIfGapPassed(double dNow);
    double ByteSeconds() const;

    const SRobustConfig& m_config;
    CHalfPeriodTiming& m_timing;
    CFramerEvents& m_events;
    CLeaderDetector m_leader;
    CByteParse m_parse;
    EMode m_eMode = EMode::kSeekLeader;
    std::array<SHalfPeriod, kRing> m_ring{};
    int64_t m_nHead = 0;             // half-periods added
    int64_t m_nNext = 0;             // the next one to decode
    int64_t m_nResyncFrom = 0;       // the first candidate not yet ruled out
    double m_dFailAt = 0.0;          // s: where the broken byte began
    bool m_bFailInsideByte = false;  // the break came inside a byte, not between two
    double m_dLastGood = 0.0;        // s: the end of the last good byte
    double m_dByteSeconds = 0.0;     // s: mean length of a byte in this block, 0 until known
    double m_dHeadEnd = 0.0;         // s: the end of the last half-period added
    double m_dPassed = 0.0;          // s: no half-period to come ends before this (Pass)
    double m_dEndFrom = 0.0;         // s: the last byte's start, or the block's opening
    double m_dEndedAt = -1.0;        // s: where the half-period that Pass took as a gap starts
    bool m_bSkipLeader = false;      // the half-period after that one joins no leader
};
