// CTapeEncoder: turns bytes into the half-period signal that CTapeReader
// decodes, and renders it as WAV sample frames into a byte sink as it goes,
// so that a recording of any length takes constant memory.
//
// The signal, in ticks of the reader's 44,100-per-second clock:
//   leader  a run of short half-periods (the reader needs 80 of them);
//   byte    one long half-period, then the bits, least significant first:
//           a bit that changes the bit level (which starts at 0 for every
//           byte) is one long half-period, a bit that keeps it is two short
//           ones; a byte that ends at level 0 is closed by one more long one;
//   tail    a few short half-periods, so that the last long half-period is
//           ended by a crossing.
//
// Lengths are given as the spacing of the crossings that the reader sees in
// its smoothed values: 27-41 ticks make a long half-period, 2-26 a short one
// (6-26 in the leader), so 34 sits in the middle of the long class and 11
// well inside the short one. With the two levels of CFrameWriter the mean of
// four tick values crosses the midpoint two ticks after a rise to the high
// level (bit 7 set) and one tick after a fall: the encoder makes every high
// half-period one tick longer and every low one one tick shorter than it is
// to measure.
//
// Rates below 44,100 Hz: the reader holds each frame from the tick on which
// it reads it (see TickClock.h) until the next read. Every edge of the signal
// is put on the read tick of a frame: a half-period ends at the read tick
// nearest to its ideal end (but at least one frame after it began), and the
// next one starts there. Each half-period is thus off its nominal length by
// at most half the spacing of two reads, and the errors do not add up.
#pragma once

#include <cstdint>
#include <span>

#include "ByteSink.h"
#include "FrameWriter.h"
#include "WavFormat.h"

class CTapeEncoder {
public:
    static constexpr int32_t kShortTicks = 11;
    static constexpr int32_t kLongTicks = 34;
    static constexpr int32_t kDefaultLeader = 400;
    static constexpr int32_t kTailHalfPeriods = 4;

    // Writes the WAV header, with sizes filled in by Finish. An invalid
    // format (see CheckFormat) makes the encoder fail at once.
    CTapeEncoder(const CWavFormat& format, CByteSink& sink);

    void AddLeader(int32_t nHalfPeriods = kDefaultLeader);
    void AddByte(uint8_t nByte);
    void AddBytes(std::span<const uint8_t> bytes);
    void AddTail();
    // One half-period that the reader measures as nTicks crossing spacing
    // (to the nearest frame below 44,100 Hz); the level alternates with every
    // call. For odd signals: gaps, out-of-range lengths, broken bytes.
    void AddHalfPeriod(int32_t nTicks);

    // Completes the data chunk (one frame more when it would end at an odd
    // length) and writes the sizes into the header. True when the whole
    // recording was written.
    bool Finish();

    bool Failed() const { return m_bFailed; }
    uint64_t FramesWritten() const { return m_writer.FramesWritten(); }

private:
    void AddBit(bool bLevelChanges);

    CWavFormat m_format;
    CByteSink& m_sink;
    CFrameWriter m_writer;
    int64_t m_nFrame = 0;  // first frame of the next half-period
    bool m_bHigh = true;   // level of the next half-period
    bool m_bFailed = false;
};
