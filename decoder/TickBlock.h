// CTickBlock: the block path of the demodulator. It gives FindLeader,
// WaitStartMark and ReadDataByte exactly the results of the per-tick
// operations, and leaves the reader in exactly the state they leave it in,
// but decides a block of up to kMaxTicks ticks at a time:
//
//   tick values   taken straight from the reader's buffer (one byte per
//                 frame) or gathered from it (wider frames, slower rates);
//   midpoint bits bit 7 of the smoothed value of every tick, 64 to a word;
//   crossings     the ticks where that bit changes, as a list of positions;
//   gap classes   for each pair of successive crossings, whether a
//                 measurement between them is long or too long (and, only
//                 while a leader is searched for, out of the leader's range);
//                 see DemodulatorRules.h.
//
// Back-to-back measurements follow the crossings one gap at a time, so runs
// of short half-periods, the leader and whole bytes (through a table on the
// classes of the next gaps) are decided with a few bit scans. Anything else
// (a gap the rule does not cover, a half-period too long for a byte, the end
// of a block, of the buffer or of the data) goes through an exact single
// measurement, which continues in the next block or, where no block can be
// formed, tick by tick through NextSmoothed; the fast steps then take over
// again from the crossing where it ended.
//
// A block only covers ticks whose frames lie wholly in the reader's buffer,
// so forming one reads nothing and changes no state of the reader; the ticks
// that the operations consume are applied to the reader's public state
// (position, phase, history, held value) before each operation returns and
// before any tick is taken tick by tick. A block stays in use across calls
// as long as the reader's state is exactly what the last call left; anything
// else (an Open, per-tick calls, changed fields) makes the next call form a
// fresh block.
//
// Everything is held in fixed-size members; nothing is allocated.
#pragma once

#include <cstdint>
#include <cstdio>

class CTapeReader;

// Ticks that the operations have consumed, in order, with the crossings
// among them (a crossing is the tick whose midpoint bit differs from the
// tick before it).
struct STickSpan {
    const uint8_t* m_pTicks = nullptr;  // m_nTicks tick values, oldest first
    int32_t m_nTicks = 0;
    const uint16_t* m_pCrossings = nullptr;  // ascending; entry e is tick e - m_nBase
    int32_t m_nCrossings = 0;
    int32_t m_nBase = 0;
};

// Watches the ticks that FindLeader, WaitStartMark and ReadDataByte consume,
// every one of them exactly once and in order. It cannot change what is
// decoded. To cost next to nothing, it is shown a block's ticks when the
// block is used up (about every 4,096 ticks), or when ShowObserver asks for
// what has been consumed so far. Ticks consumed outside those operations
// (the per-tick versions) are not seen.
class CTickObserver {
public:
    virtual ~CTickObserver() = default;
    virtual void OnTicks(const STickSpan& span) = 0;
};

class CTickBlock {
public:
    static constexpr int32_t kMaxTicks = 4096;

    CTickBlock();
    CTickBlock(const CTickBlock&) = delete;
    CTickBlock& operator=(const CTickBlock&) = delete;

    int32_t FindLeader(CTapeReader& reader);
    int32_t WaitStartMark(CTapeReader& reader);
    int32_t ReadDataByte(CTapeReader& reader);

    // Attaches pObserver (null: none) to the block path of reader; it sees
    // the ticks consumed from then on.
    static void SetObserver(CTapeReader& reader, CTickObserver* pObserver);
    // Shows the observer every tick consumed up to now (between operations).
    static void ShowObserver(CTapeReader& reader);

private:
    // What a block depends on: when any of it differs from what the block
    // left, the block no longer describes the reader.
    struct SReaderState {
        int32_t m_nPos;
        int32_t m_nCount;
        int32_t m_nPhase;
        int32_t m_nHeld;
        int32_t m_bEnd;
        int32_t m_nRate;
        int32_t m_nFrameSize;
        int32_t m_nHist[4];
        uint32_t m_nFills;
        const std::FILE* m_pFile;
        bool Matches(const CTapeReader& reader) const;
    };
    static SReaderState Capture(const CTapeReader& reader);

    // Blocks.
    void Enter(CTapeReader& reader);
    void Leave(CTapeReader& reader);
    bool Build(CTapeReader& reader);
    int32_t FillSlowTicks(const CTapeReader& reader, int32_t nStride);
    void FindCrossings();
    void StageWord(int32_t nWord);
    void Commit(CTapeReader& reader);
    void Observe();
    int32_t TickValue(int32_t nTick) const;

    // Exact measurements, in the block where possible.
    int32_t Measure(CTapeReader& reader);
    int32_t TakeBit(CTapeReader& reader);
    int32_t TakeBitPerTick(CTapeReader& reader);
    void Advance(int32_t nTicks);
    void MoveTo(int32_t nGap);
    bool Aligned() const;
    bool IrregularGap(int32_t nGap) const;

    // The operations, and their fast steps over gap classes.
    int32_t Wait(CTapeReader& reader);
    int32_t DecodeByte(CTapeReader& reader);
    int32_t FastByte();
    bool FastWait();
    void FastLeader(int32_t& nRun);
    int32_t FastBits(int32_t nBits, uint32_t& nValue);

    static constexpr int32_t kTickWords = kMaxTicks / 64;
    // Gap masks are read 64 bits at a time from any gap up to the last one.
    static constexpr int32_t kGapWords = kMaxTicks / 64 + 3;
    static constexpr int32_t kValuePad = 64;

    bool m_bValid = false;      // the block describes the reader's state
    bool m_bEveryTick = false;  // every tick reads a frame (44,100 Hz and faster)
    int32_t m_nStride = 1;      // bytes per frame read
    int32_t m_nRate = 0;
    int32_t m_nTicks = 0;           // ticks in the block
    int32_t m_nEdges = 0;           // crossings in the block
    int32_t m_nGapWords = 0;        // words of the gap masks in use
    bool m_bLeaderClasses = false;  // m_nNoLeader is filled in
    int32_t m_nCursor = 0;          // ticks of the block consumed
    int32_t m_nGap = 0;             // last crossing position at or before the cursor
    int32_t m_nPos0 = 0;            // reader state where the block starts
    int32_t m_nPhase0 = 0;
    int32_t m_nHist0[4] = {};
    const uint8_t* m_pTicks = nullptr;  // tick values; [-3..-1] hold the history
    SReaderState m_state{};
    CTickObserver* m_pObserver = nullptr;
    int32_t m_nObserved = 0;     // ticks of the block shown to the observer
    int32_t m_nObservedGap = 0;  // crossings of the block shown to it

    uint8_t m_nValues[3 + kMaxTicks + kValuePad] = {};
    uint8_t m_nStage[3 + 64] = {};
    uint64_t m_nBits[kTickWords] = {};      // midpoint bit of every tick
    uint64_t m_nEdgeBits[kTickWords] = {};  // set where the bit differs from the tick before
    // 1 + tick of each crossing; entry 0 (0) stands for the tick before the block.
    uint16_t m_nPositions[kMaxTicks + 1 + 64 + 16] = {};
    uint64_t m_nLong[kGapWords] = {};
    uint64_t m_nTooLong[kGapWords] = {};
    uint64_t m_nNoLeader[kGapWords] = {};
};
