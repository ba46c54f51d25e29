#include "TickBlock.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "DemodulatorRules.h"
#include "TapeReader.h"
#include "TickKernels.h"

using namespace DemodulatorRules;

namespace {

// Bytes that one frame read takes from the buffer, the last of them kept.
int32_t FrameStride(int32_t nFrameSize) {
    return (nFrameSize >= 2 && nFrameSize <= 4) ? nFrameSize : 1;
}

// Bits nFrom .. nFrom + 63 of a bit array.
inline uint64_t Extract64(const uint64_t* pBits, int32_t nFrom) {
    const int32_t w = nFrom >> 6;
    const int32_t s = nFrom & 63;
    // Two shifts for the high part, so that s = 0 shifts by 64 in total.
    return (pBits[w] >> s) | ((pBits[w + 1] << 1) << (63 - s));
}

inline uint64_t LowBits(int32_t n) {
    return n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
}

// Offset of the first set bit among bits nFrom .. nFrom + nCount - 1
// (nCount at most 128), or nCount when there is none.
inline int32_t FirstSet(const uint64_t* pBits, int32_t nFrom, int32_t nCount) {
    const uint64_t nLow = Extract64(pBits, nFrom) & LowBits(nCount);
    if (nLow != 0) {
        return std::countr_zero(nLow);
    }
    if (nCount <= 64) {
        return nCount;
    }
    const uint64_t nHigh = Extract64(pBits, nFrom + 64) & LowBits(nCount - 64);
    return nHigh != 0 ? 64 + std::countr_zero(nHigh) : nCount;
}

// Whole bytes from the classes of the next gaps. Index: bit i set when gap
// i of eight is long (a single long half-period is a bit that changes the
// level; a short one and the next one of any class keep it). Entry: bits
// 0-7 the level after each complete bit, for a level of 0 before the first;
// bits 8-11 how many bits are complete; bits 8 + 4k to 11 + 4k how many gaps
// the first k bits take (k from 1).
constexpr std::array<uint64_t, 256> MakeByteTable() {
    std::array<uint64_t, 256> table{};
    for (uint32_t nClasses = 0; nClasses < 256; ++nClasses) {
        uint32_t nGap = 0;
        uint32_t nBits = 0;
        uint32_t nLevel = 0;
        uint64_t nEntry = 0;
        while (nGap < 8) {
            if (((nClasses >> nGap) & 1) != 0) {
                nLevel ^= 1;
                nGap += 1;
            } else if (nGap + 1 < 8) {
                nGap += 2;
            } else {
                break;
            }
            nEntry |= uint64_t{nLevel} << nBits;
            ++nBits;
            nEntry |= uint64_t{nGap} << (8 + 4 * nBits);
        }
        table[nClasses] = nEntry | uint64_t{nBits} << 8;
    }
    return table;
}
constexpr std::array<uint64_t, 256> kByteTable = MakeByteTable();

constexpr int32_t BitsOf(uint64_t nEntry) {
    return static_cast<int32_t>((nEntry >> 8) & 15);
}
constexpr int32_t GapsFor(uint64_t nEntry, int32_t nBits) {
    return static_cast<int32_t>((nEntry >> (8 + 4 * nBits)) & 15);
}
// Eight gaps always hold at least four complete bits, taking 7 or 8 of the
// gaps, so two looks cover a byte.
constexpr bool AllTakeSevenOrEight() {
    for (const uint64_t nEntry : kByteTable) {
        const int32_t nGaps = GapsFor(nEntry, BitsOf(nEntry));
        if (BitsOf(nEntry) < 4 || nGaps < 7) {
            return false;
        }
    }
    return true;
}
static_assert(AllTakeSevenOrEight());
static_assert(BitsOf(kByteTable[0]) == 4 && GapsFor(kByteTable[0], 4) == 8);
static_assert(BitsOf(kByteTable[0x80]) == 4 && GapsFor(kByteTable[0x80], 4) == 8);
static_assert(BitsOf(kByteTable[0x40]) == 4 && GapsFor(kByteTable[0x40], 4) == 7);
static_assert(BitsOf(kByteTable[0xFF]) == 8 && (kByteTable[0xFF] & 0xFF) == 0x55);

}  // namespace

CTickBlock::CTickBlock() = default;

void CTickBlock::SetObserver(CTapeReader& reader, CTickObserver* pObserver) {
    CTickBlock& block = reader.m_block;
    block.m_pObserver = pObserver;
    block.m_nObserved = block.m_nCursor;
    block.m_nObservedGap = block.m_nGap;
}

void CTickBlock::ShowObserver(CTapeReader& reader) {
    CTickBlock& block = reader.m_block;
    if (block.m_bValid && block.m_pObserver != nullptr) {
        block.Observe();
    }
}

CTickBlock::SReaderState CTickBlock::Capture(const CTapeReader& reader) {
    return SReaderState{
        reader.m_nPos,
        reader.m_nCount,
        reader.m_nPhase,
        reader.m_nHeld,
        reader.m_bEnd,
        reader.m_nRate,
        reader.m_nFrameSize,
        {reader.m_nHist[0], reader.m_nHist[1], reader.m_nHist[2], reader.m_nHist[3]},
        reader.m_nFills,
        reader.m_pFile};
}

// ---------------------------------------------------------------------------
// Blocks.

bool CTickBlock::SReaderState::Matches(const CTapeReader& reader) const {
    // Every field, without stopping early: the answer is nearly always yes.
    return (reader.m_nPos == m_nPos) & (reader.m_nCount == m_nCount) &
           (reader.m_nPhase == m_nPhase) & (reader.m_nHeld == m_nHeld) & (reader.m_bEnd == m_bEnd) &
           (reader.m_nRate == m_nRate) & (reader.m_nFrameSize == m_nFrameSize) &
           (reader.m_nHist[0] == m_nHist[0]) & (reader.m_nHist[1] == m_nHist[1]) &
           (reader.m_nHist[2] == m_nHist[2]) & (reader.m_nHist[3] == m_nHist[3]) &
           (reader.m_nFills == m_nFills) & (reader.m_pFile == m_pFile);
}

void CTickBlock::Enter(CTapeReader& reader) {
    if (m_bValid && m_state.Matches(reader)) {
        return;
    }
    Build(reader);
}

void CTickBlock::Leave(CTapeReader& reader) {
    if (m_bValid) {
        Commit(reader);
    }
}

bool CTickBlock::Build(CTapeReader& reader) {
    // The ticks of the block before that were consumed (and committed).
    if (m_bValid && m_pObserver != nullptr) {
        Observe();
    }
    m_bValid = false;
    if (reader.m_bEnd != 0 || reader.m_pFile == nullptr || reader.m_nRate <= 0 ||
        reader.m_nPos < 0) {
        return false;
    }
    // The byte kernels need tick values that fit a byte; a reader whose
    // fields were set otherwise goes tick by tick.
    if (reader.m_nHeld < 0 || reader.m_nHeld > 255) {
        return false;
    }
    for (int32_t i = 0; i < 4; ++i) {
        if (reader.m_nHist[i] < 0 || reader.m_nHist[i] > 255) {
            return false;
        }
        m_nHist0[i] = reader.m_nHist[i];
    }
    for (int32_t i = 0; i < 3; ++i) {
        m_nValues[2 - i] = static_cast<uint8_t>(m_nHist0[i]);  // oldest first
    }

    const int32_t nStride = FrameStride(reader.m_nFrameSize);
    int32_t nTicks = 0;
    if (reader.m_nRate >= CTapeReader::kTickRate) {
        // Every tick reads a frame; the phase only grows.
        if (reader.m_nPhase < 0) {
            return false;
        }
        const int32_t nAvail = std::max(reader.m_nCount - reader.m_nPos, 0);
        nTicks = std::min(nAvail / nStride, kMaxTicks);
        if (nTicks == 0) {
            return false;
        }
        if (nStride == 1) {
            m_pTicks = reader.m_buf + reader.m_nPos;
        } else {
            TickKernels::GatherFrames(reader.m_buf + reader.m_nPos, nStride, nTicks, m_nValues + 3);
            m_pTicks = m_nValues + 3;
        }
        m_bEveryTick = true;
    } else {
        // The phase stays within (threshold - tick rate, threshold] at these
        // rates, which Commit relies on.
        if (reader.m_nPhase <= CTapeReader::kPhaseThreshold - CTapeReader::kTickRate ||
            reader.m_nPhase > CTapeReader::kPhaseThreshold) {
            return false;
        }
        nTicks = FillSlowTicks(reader, nStride);
        if (nTicks == 0) {
            return false;
        }
        m_pTicks = m_nValues + 3;
        m_bEveryTick = false;
    }

    m_nStride = nStride;
    m_nRate = reader.m_nRate;
    m_nTicks = nTicks;
    m_nPos0 = reader.m_nPos;
    m_nPhase0 = reader.m_nPhase;

    FindCrossings();
    // Scans read at most two words past the one that holds the last gap.
    m_nGapWords = std::min(kGapWords, m_nEdges / 64 + 3);
    TickKernels::GapClasses(m_nPositions, m_nEdges, m_nGapWords, {m_nLong, m_nTooLong});
    m_bLeaderClasses = false;

    m_nCursor = 0;
    m_nGap = 0;
    m_nObserved = 0;
    m_nObservedGap = 0;
    m_bValid = true;
    m_state = Capture(reader);
    return true;
}

// Tick values at a rate below the tick rate, by the phase rule, as far as
// the frames in the buffer go.
int32_t CTickBlock::FillSlowTicks(const CTapeReader& reader, int32_t nStride) {
    int32_t nPhase = reader.m_nPhase;
    int32_t nPos = reader.m_nPos;
    int32_t nHeld = reader.m_nHeld;
    int32_t nTicks = 0;
    for (; nTicks < kMaxTicks; ++nTicks) {
        nPhase += reader.m_nRate;
        if (nPhase > CTapeReader::kPhaseThreshold) {
            if (nPos + nStride > reader.m_nCount) {
                break;
            }
            nHeld = reader.m_buf[nPos + nStride - 1];
            nPos += nStride;
            nPhase -= CTapeReader::kTickRate;
        }
        m_nValues[3 + nTicks] = static_cast<uint8_t>(nHeld);
    }
    return nTicks;
}

// Midpoint bits and crossings of the whole block. Before the block, the
// bit is that of the last smoothed value.
void CTickBlock::FindCrossings() {
    const int32_t nWords = (m_nTicks + 63) / 64;
    if (m_pTicks == m_nValues + 3) {
        // Gathered values, with the history before them; zeros pad the last word.
        std::memset(m_nValues + 3 + m_nTicks, 0, static_cast<size_t>(64 * nWords - m_nTicks));
        TickKernels::MidpointBits(m_pTicks, nWords, m_nBits);
    } else {
        // Straight from the reader's buffer, which has no history before the
        // block's first tick and nothing readable after its last: the first
        // and the last word go through a small copy.
        StageWord(0);
        TickKernels::MidpointBits(m_nStage + 3, 1, m_nBits);
        if (nWords > 2) {
            TickKernels::MidpointBits(m_pTicks + 64, nWords - 2, m_nBits + 1);
        }
        if (nWords > 1) {
            StageWord(nWords - 1);
            TickKernels::MidpointBits(m_nStage + 3, 1, m_nBits + nWords - 1);
        }
    }
    const uint64_t nKeep = LowBits(m_nTicks - 64 * (nWords - 1));
    m_nBits[nWords - 1] &= nKeep;

    const int32_t nHistSum = m_nHist0[0] + m_nHist0[1] + m_nHist0[2] + m_nHist0[3];
    uint64_t nCarry = static_cast<uint64_t>(nHistSum >> 9);
    for (int32_t w = 0; w < nWords; ++w) {
        const uint64_t nBits = m_nBits[w];
        m_nEdgeBits[w] = nBits ^ ((nBits << 1) | nCarry);
        nCarry = nBits >> 63;
    }
    m_nEdgeBits[nWords - 1] &= nKeep;
    m_nPositions[0] = 0;
    m_nEdges = TickKernels::EdgePositions(m_nEdgeBits, nWords, m_nPositions + 1);
}

// Ticks 64 * nWord - 3 .. 64 * nWord + 63 into the stage, zero past the
// block's end.
void CTickBlock::StageWord(int32_t nWord) {
    const int32_t nFirst = 64 * nWord - 3;
    int32_t i = 0;
    for (; nFirst + i < 0; ++i) {
        m_nStage[i] = static_cast<uint8_t>(TickValue(nFirst + i));
    }
    const int32_t nCopy = std::max(0, std::min(3 + 64, m_nTicks - nFirst) - i);
    std::memcpy(m_nStage + i, m_pTicks + nFirst + i, static_cast<size_t>(nCopy));
    std::memset(m_nStage + i + nCopy, 0, static_cast<size_t>(3 + 64 - i - nCopy));
}

inline int32_t CTickBlock::TickValue(int32_t nTick) const {
    return nTick < 0 ? m_nHist0[-1 - nTick] : m_pTicks[nTick];
}

// Applies the ticks consumed so far to the reader, as the per-tick layers
// would have left it.
void CTickBlock::Commit(CTapeReader& reader) {
    // Everything is worked out first: this object lives inside the reader,
    // so every store to the reader could change what a later load sees.
    const int32_t n = m_nCursor;
    int64_t nFrames = 0;
    int64_t nPhase = 0;
    if (m_bEveryTick) {
        nFrames = n;
        nPhase = std::min<int64_t>(
            int64_t{m_nPhase0} + int64_t{n} * (int64_t{m_nRate} - CTapeReader::kTickRate),
            std::numeric_limits<int32_t>::max());
    } else {
        // The phase after n ticks is the start plus n rates less one tick
        // rate per frame read, and stays within (threshold - tick rate,
        // threshold]: that fixes the number of frames.
        constexpr int64_t kBelow = CTapeReader::kTickRate - CTapeReader::kPhaseThreshold - 1;
        const int64_t nTotal = int64_t{m_nPhase0} + int64_t{n} * m_nRate;
        nFrames = (nTotal + kBelow) / CTapeReader::kTickRate;
        nPhase = nTotal - nFrames * CTapeReader::kTickRate;
    }
    const int32_t nPos = m_nPos0 + static_cast<int32_t>(nFrames) * m_nStride;
    const auto nPhase32 = static_cast<int32_t>(nPhase);
    int32_t nHist[4];
    if (n >= 4) {
        const uint8_t* p = m_pTicks + n;
        nHist[0] = p[-1];
        nHist[1] = p[-2];
        nHist[2] = p[-3];
        nHist[3] = p[-4];
    } else {
        for (int32_t i = 0; i < 4; ++i) {
            nHist[i] = TickValue(n - 1 - i);
        }
    }
    const int32_t nHeld = n > 0 ? nHist[0] : m_state.m_nHeld;
    // One value at a time: built in memory and read back in larger pieces,
    // the history would stall.
    m_state.m_nPos = nPos;
    m_state.m_nPhase = nPhase32;
    m_state.m_nHeld = nHeld;
    for (int32_t i = 0; i < 4; ++i) {
        m_state.m_nHist[i] = nHist[i];
    }
    reader.m_nPos = nPos;
    reader.m_nPhase = nPhase32;
    reader.m_nHeld = nHeld;
    for (int32_t i = 0; i < 4; ++i) {
        reader.m_nHist[i] = nHist[i];
    }
}

// Shows the observer the ticks consumed since it last looked, and the
// crossings among them: those at positions up to the cursor. The cursor
// is what was committed: this runs between operations, or right after a
// commit.
void CTickBlock::Observe() {
    if (m_nCursor <= m_nObserved) {
        return;
    }
    STickSpan span;
    span.m_pTicks = m_pTicks + m_nObserved;
    span.m_nTicks = m_nCursor - m_nObserved;
    span.m_pCrossings = m_nPositions + m_nObservedGap + 1;
    span.m_nCrossings = m_nGap - m_nObservedGap;
    span.m_nBase = m_nObserved + 1;
    m_nObserved = m_nCursor;
    m_nObservedGap = m_nGap;
    m_pObserver->OnTicks(span);
}

// ---------------------------------------------------------------------------
// Exact measurements.

void CTickBlock::Advance(int32_t nTicks) {
    m_nCursor += nTicks;
    while (m_nGap < m_nEdges && m_nPositions[m_nGap + 1] <= m_nCursor) {
        ++m_nGap;
    }
}

void CTickBlock::MoveTo(int32_t nGap) {
    m_nGap = nGap;
    m_nCursor = m_nPositions[nGap];
}

// A measurement starts on the tick after a crossing of the block: the next
// gaps then describe the next measurements.
bool CTickBlock::Aligned() const {
    return m_bValid && m_nPositions[m_nGap] == m_nCursor;
}

// Gaps that the gap rule does not describe: a crossing on the reference
// tick, a budget that runs out, and the end of the block.
bool CTickBlock::IrregularGap(int32_t nGap) const {
    if (nGap >= m_nEdges) {
        return true;
    }
    const int32_t nLength = m_nPositions[nGap + 1] - m_nPositions[nGap];
    return nLength == 1 || nLength > kGapCapped;
}

// The midpoint bit of the next tick: from the block, from a fresh block
// once it is used up, or tick by tick where no block can be formed.
int32_t CTickBlock::TakeBit(CTapeReader& reader) {
    if (!m_bValid || m_nCursor >= m_nTicks) {
        if (m_bValid) {
            Commit(reader);
        }
        if (!Build(reader)) {
            return TakeBitPerTick(reader);
        }
    }
    const int32_t t = m_nCursor;
    Advance(1);
    return static_cast<int32_t>((m_nBits[t >> 6] >> (t & 63)) & 1);
}

int32_t CTickBlock::TakeBitPerTick(CTapeReader& reader) {
    const int32_t* h = reader.m_nHist;
    const int32_t nBefore = (((h[0] + h[1] + h[2] + h[3]) / 4) & kMidpointBit) != 0 ? 1 : 0;
    const int32_t nBit = (reader.NextSmoothed() & kMidpointBit) != 0 ? 1 : 0;
    if (m_pObserver != nullptr) {
        const auto nTick = static_cast<uint8_t>(reader.m_nHist[0]);
        const uint16_t nCrossing = 1;
        STickSpan span;
        span.m_pTicks = &nTick;
        span.m_nTicks = 1;
        span.m_pCrossings = &nCrossing;
        span.m_nCrossings = nBit != nBefore ? 1 : 0;
        span.m_nBase = 1;
        m_pObserver->OnTicks(span);
    }
    return nBit;
}

// MeasureHalfPeriod, with the ticks inside the block decided at once: the
// tick that ends the measurement is the first crossing after the reference
// (every tick before it has the reference's bit) or the last of the budget.
int32_t CTickBlock::Measure(CTapeReader& reader) {
    const int32_t nReference = TakeBit(reader);
    int32_t nBudget = kScoreBudget;
    for (;;) {
        if (m_bValid && m_nCursor < m_nTicks) {
            const int32_t nLeft = m_nTicks - m_nCursor;
            const int32_t nToCrossing = m_nGap < m_nEdges ? m_nPositions[m_nGap + 1] - 1 - m_nCursor
                                                          : std::numeric_limits<int32_t>::max();
            const int32_t nBefore = std::min(nToCrossing, nBudget - 1);
            if (nBefore < nLeft) {
                Advance(nBefore + 1);
                return nBudget - (nBefore + 1);
            }
            nBudget -= nLeft;
            Advance(nLeft);
        }
        --nBudget;
        const int32_t nBit = TakeBit(reader);
        if (reader.m_bEnd != 0 || nBudget < 1 || nBit != nReference) {
            return nBudget;
        }
    }
}

// ---------------------------------------------------------------------------
// Fast steps. Each starts aligned, decides whole measurements from the gap
// classes and stops before anything they do not cover.

// Skips short half-periods up to the first long (or longer) one.
bool CTickBlock::FastWait() {
    int32_t nGap = m_nGap;
    uint64_t nStop = 0;
    while ((nStop = Extract64(m_nLong, nGap)) == 0) {
        nGap += 64;
    }
    nGap += std::countr_zero(nStop);
    if (IrregularGap(nGap)) {
        MoveTo(nGap);
        return false;
    }
    MoveTo(nGap + 1);
    return true;
}

// Counts in-range half-periods towards the leader run.
void CTickBlock::FastLeader(int32_t& nRun) {
    if (!m_bLeaderClasses) {
        TickKernels::LeaderGapClasses(m_nPositions, m_nEdges, m_nGapWords, m_nNoLeader);
        m_bLeaderClasses = true;
    }
    int32_t nGap = m_nGap;
    while (nRun < kLeaderRun) {
        const int32_t nNeed = kLeaderRun - nRun;
        const int32_t nOut = FirstSet(m_nNoLeader, nGap, nNeed);
        if (nOut == nNeed) {
            nGap += nNeed;
            nRun = kLeaderRun;
            break;
        }
        if (IrregularGap(nGap + nOut)) {
            nGap += nOut;
            nRun += nOut;
            break;
        }
        // Out of range: counts as the first of the next run.
        nGap += nOut + 1;
        nRun = 1;
    }
    MoveTo(nGap);
}

// A whole byte when all of it is ordinary: the start mark, eight bits of
// short and long half-periods and, after a last bit of 0, the closing mark,
// all inside the block and within the next 64 gaps (one look at each mask).
// Returns the byte, or -1 with nothing consumed.
int32_t CTickBlock::FastByte() {
    const int32_t nStart = m_nGap;
    uint64_t nLong = Extract64(m_nLong, nStart);
    uint64_t nBad = Extract64(m_nTooLong, nStart);
    if (nLong == 0) {
        return -1;
    }
    const int32_t nMark = std::countr_zero(nLong);
    if (nMark >= 32 || ((nBad >> nMark) & 1) != 0) {
        return -1;  // far off, or a mark that is too long or irregular
    }
    // From here on, bit k of nLong and nBad is gap nStart + nGap + k; at
    // least the lowest 64 - 33 are real.
    int32_t nGap = nMark + 1;
    nLong >>= nGap;
    nBad >>= nGap;
    // Eight gaps hold their complete bits in the first 7 or 8 of them: both
    // places where the rest can start are looked up at once.
    const uint64_t nFirst = kByteTable[nLong & 0xFF];
    const uint64_t nAfter7 = kByteTable[(nLong >> 7) & 0xFF];
    const uint64_t nAfter8 = kByteTable[(nLong >> 8) & 0xFF];
    const int32_t nBits = BitsOf(nFirst);
    uint32_t nValue = static_cast<uint32_t>(nFirst & 0xFF);
    int32_t nGaps = GapsFor(nFirst, nBits);
    if (nBits < 8) {
        const int32_t nRest = 8 - nBits;
        const uint64_t nSecond = nGaps == 7 ? nAfter7 : nAfter8;
        const uint32_t nFlip = 0u - ((nValue >> (nBits - 1)) & 1u);
        nValue |= ((static_cast<uint32_t>(nSecond) ^ nFlip) & ((1u << nRest) - 1)) << nBits;
        nGaps += GapsFor(nSecond, nRest);
    }
    if ((nBad & LowBits(nGaps)) != 0) {
        return -1;
    }
    nGap += nGaps;
    if ((nValue & 0x80) == 0) {
        // The closing mark, among the gaps still real in nLong.
        const uint64_t nStop = (nLong >> nGaps) & LowBits(64 - nGap);
        if (nStop == 0) {
            return -1;
        }
        const int32_t nSkip = std::countr_zero(nStop);
        if (((nBad >> nGaps >> nSkip) & 1) != 0) {
            return -1;
        }
        nGap += nSkip + 1;
    }
    MoveTo(nStart + nGap);
    return static_cast<int32_t>(nValue);
}

// Bits of a byte, from bit nBits on, while the half-periods are short or
// long; stops before a gap that is too long or irregular, and before the
// end of the block. Returns the bit count reached.
int32_t CTickBlock::FastBits(int32_t nBits, uint32_t& nValue) {
    const uint64_t nLong = Extract64(m_nLong, m_nGap);
    const uint64_t nBad = Extract64(m_nTooLong, m_nGap);
    // The level before bit nBits is the value of the bit before it.
    const uint32_t nLevel = nBits > 0 ? (nValue >> (nBits - 1)) & 1u : 0u;
    const int32_t nNeed = 8 - nBits;
    const uint64_t nFirst = kByteTable[nLong & 0xFF];
    const int32_t nFirstBits = std::min(BitsOf(nFirst), nNeed);
    uint32_t nNew = (static_cast<uint32_t>(nFirst) ^ (0u - nLevel)) & ((1u << nFirstBits) - 1);
    int32_t nGaps = GapsFor(nFirst, nFirstBits);
    if (nFirstBits < nNeed) {
        const int32_t nRest = nNeed - nFirstBits;
        const uint64_t nSecond = kByteTable[(nLong >> nGaps) & 0xFF];
        const uint32_t nFlip = 0u - ((nNew >> (nFirstBits - 1)) & 1u);
        nNew |= ((static_cast<uint32_t>(nSecond) ^ nFlip) & ((1u << nRest) - 1)) << nFirstBits;
        nGaps += GapsFor(nSecond, nRest);
    }
    if ((nBad & LowBits(nGaps)) == 0) {
        nValue |= nNew << nBits;
        MoveTo(m_nGap + nGaps);
        return 8;
    }
    // Something unusual within reach: take the bits before it one by one.
    int32_t nGap = m_nGap;
    uint32_t nLevelNow = nLevel;
    for (; nBits < 8; ++nBits) {
        const int32_t k = nGap - m_nGap;
        if (((nBad >> k) & 1) != 0) {
            break;
        }
        if (((nLong >> k) & 1) != 0) {
            nLevelNow ^= 1;
            nGap += 1;
        } else if (((nBad >> (k + 1)) & 1) == 0) {
            nGap += 2;
        } else {
            break;
        }
        nValue |= nLevelNow << nBits;
    }
    MoveTo(nGap);
    return nBits;
}

// ---------------------------------------------------------------------------
// The operations: the per-tick rules, with fast steps wherever aligned.

int32_t CTickBlock::Wait(CTapeReader& reader) {
    while (reader.m_bEnd == 0) {
        if (Aligned() && FastWait()) {
            return 1;
        }
        if (Measure(reader) < kLongBelow) {
            break;
        }
    }
    return reader.m_bEnd != 0 ? 0 : 1;
}

int32_t CTickBlock::DecodeByte(CTapeReader& reader) {
    if (Wait(reader) == 0) {
        return -1;
    }
    // Bit k of nValue is the level after bit k (bits arrive least
    // significant first).
    uint32_t nValue = 0;
    int32_t nBits = 0;
    while (nBits < 8) {
        if (Aligned()) {
            nBits = FastBits(nBits, nValue);
            if (nBits == 8) {
                break;
            }
        }
        // One bit measured exactly: across the end of the block, or a
        // half-period that is too long.
        uint32_t nLevel = nBits > 0 ? (nValue >> (nBits - 1)) & 1u : 0u;
        const int32_t nScore = Measure(reader);
        if (nScore < kLongBelow) {
            nLevel ^= 1;
            if (nScore < kTooLongBelow) {
                return -1;
            }
        } else if (Measure(reader) < kTooLongBelow) {
            return -1;
        }
        nValue |= nLevel << nBits;
        ++nBits;
    }
    // A byte that ends at level 0 is closed by one more long half-period.
    if ((nValue & 0x80) == 0 && Wait(reader) == 0) {
        return -1;
    }
    return static_cast<int32_t>(nValue);
}

int32_t CTickBlock::FindLeader(CTapeReader& reader) {
    Enter(reader);
    int32_t nRun = 0;
    while (reader.m_bEnd == 0 && nRun < kLeaderRun) {
        if (Aligned()) {
            FastLeader(nRun);
            if (nRun >= kLeaderRun) {
                break;
            }
        }
        const int32_t nScore = Measure(reader);
        if (nScore < kTooLongBelow || nScore > kLeaderMax) {
            nRun = 0;
        }
        ++nRun;
    }
    Leave(reader);
    return reader.m_bEnd != 0 ? 0 : 1;
}

int32_t CTickBlock::WaitStartMark(CTapeReader& reader) {
    Enter(reader);
    const int32_t nResult = Wait(reader);
    Leave(reader);
    return nResult;
}

int32_t CTickBlock::ReadDataByte(CTapeReader& reader) {
    Enter(reader);
    int32_t nResult = Aligned() ? FastByte() : -1;
    if (nResult < 0) {
        nResult = DecodeByte(reader);
    }
    Leave(reader);
    return nResult;
}
