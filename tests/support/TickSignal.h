// Tick-exact test signals: 8-bit mono samples at 44,100 Hz, where every
// sample is one tick of the reader's clock.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class CTickSignal {
public:
    static constexpr uint8_t kLow = 0;
    static constexpr uint8_t kHigh = 255;
    static constexpr int32_t kShort = 11;  // crossing spacing of a short half-period
    static constexpr int32_t kLong = 34;   // ... and of a long one

    // nTicks samples of one value.
    CTickSignal& Hold(uint8_t nValue, int32_t nTicks);

    // Half-periods by the spacing of the smoothed signal's midpoint crossings
    // (the four-value mean crosses two ticks late on the way up and one on
    // the way down, so raw highs are made one tick longer, lows one shorter).
    // Levels alternate, starting with the level opposite to the last one.
    CTickSignal& Half(int32_t nSpacing);
    CTickSignal& Halves(int32_t nSpacing, int32_t nCount);

    // A byte as the decoder expects it: a long start mark, the bits least
    // significant first (a change of level is one long half-period, a kept
    // level two short ones), and a closing long one when the last level is
    // low.
    CTickSignal& Byte(uint8_t nByte);
    CTickSignal& Bytes(std::span<const uint8_t> bytes);

    const std::vector<uint8_t>& Samples() const { return m_samples; }

private:
    std::vector<uint8_t> m_samples;
    bool m_bHigh = true;  // level of the last half-period; the first is low
};
