// Signals for comparing the block path with the per-tick operations: the
// value of the byte that the reader keeps of every frame, in any format and
// at any rate, with half-periods given in ticks of the reader's clock.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

class CFrameSignal {
public:
    CFrameSignal(uint32_t nSeed, int32_t nRate);

    // Values near the two levels (0x20 / 0xC0, up to nJitter off), or any
    // value on the right side of the midpoint when bWild is set.
    void SetJitter(int32_t nJitter, bool bWild);

    // One half-period of about nTicks ticks; the level alternates.
    CFrameSignal& Half(int32_t nTicks);
    CFrameSignal& Halves(int32_t nTicks, int32_t nCount);
    // Half-periods of random length from nMin to nMax ticks.
    CFrameSignal& RandomHalves(int32_t nMin, int32_t nMax, int32_t nCount);
    // Spacings on and around every class boundary, in random order.
    CFrameSignal& BoundaryHalves(int32_t nCount);
    // A byte: long start mark, bits (long = level change, two short = kept),
    // closing long one when the last level is low.
    CFrameSignal& Byte(uint8_t nByte);
    CFrameSignal& RandomBytes(int32_t nCount);
    // Frames of random values.
    CFrameSignal& Noise(int32_t nFrames);
    // A block as a recording holds it: leader, then bytes.
    CFrameSignal& Block(int32_t nLeader, int32_t nBytes);

    size_t FrameCount() const { return m_nValues.size(); }
    // The sample data for a header whose frame size is nFrameSize: the kept
    // byte last in each frame of 2-4 bytes, random bytes before it.
    std::vector<uint8_t> Data(uint8_t nFrameSize) const;

private:
    int32_t FramesFor(int32_t nTicks) const;
    uint8_t LevelValue(bool bHigh);

    std::vector<uint8_t> m_nValues;
    mutable std::mt19937 m_rng;
    int32_t m_nRate;
    int32_t m_nJitter = 0;
    bool m_bWild = false;
    bool m_bHigh = false;
};
