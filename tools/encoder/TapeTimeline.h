// The blocks of an analog recording as they lie on the tape: silence, then
// for every block the half-period code (leader, record header, data, tail)
// as a square wave starting high, then silence again, and so on. Times are
// tape time in ticks of 1/44,100 s. The edges come one at a time, so that a
// recording of any length takes constant memory.
#pragma once

#include <array>
#include <cstdint>
#include <span>

// What an edge starts (bits; several can coincide).
enum ETapeMark : uint8_t {
    kMarkBlockStart = 1,  // the first half-period of a block
    kMarkByteStart = 2,   // a byte's start mark
    kMarkDataEnd = 4,     // the first half-period of the tail
    kMarkBlockEnd = 8,    // the silence after a block
    kMarkTapeEnd = 16,    // the end of the recording
};

struct STapeEdge {
    double m_dTicks = 0;  // tape time from the start of the recording
    int8_t m_nLevel = 0;  // the level from here on: +1, -1, or 0 (silence)
    uint8_t m_nMarks = 0;
};

// One block's bytes: the record header (may be empty), then the data.
struct STimelineBlock {
    std::span<const uint8_t> m_header;
    std::span<const uint8_t> m_data;
};

// The half-periods of one block, in ticks.
class CBlockCode {
public:
    CBlockCode() = default;
    CBlockCode(const STimelineBlock& block, int32_t nLeader);

    // The next half-period's length and marks; false after the tail.
    bool Next(int32_t& nTicks, uint8_t& nMarks);

private:
    void ExpandByte(uint8_t nByte);

    STimelineBlock m_block;
    int32_t m_nLeaderLeft = 0;
    size_t m_nByte = 0;  // next byte of header and data together
    int32_t m_nTailLeft = 0;
    bool m_bFirst = true;
    // The half-periods of the current byte: at most a start mark, two
    // shorts for each of eight bits and a closing long one.
    std::array<int32_t, 18> m_pending{};
    size_t m_nPending = 0;
    size_t m_nTaken = 0;
};

class CTapeTimeline {
public:
    CTapeTimeline(std::span<const STimelineBlock> blocks, int32_t nLeader, double dGapTicks);

    // The next edge; false once the kMarkTapeEnd edge has been given.
    bool Next(STapeEdge& edge);

private:
    std::span<const STimelineBlock> m_blocks;
    int32_t m_nLeader;
    double m_dGapTicks;
    double m_dNow;         // start of the current block, or of the next edge between blocks
    int64_t m_nTicks = 0;  // ticks of the current block so far (kept whole, so exact)
    size_t m_nBlock = 0;
    bool m_bInBlock = false;
    bool m_bEnded = false;
    int8_t m_nLevel = 1;
    CBlockCode m_code;
};
