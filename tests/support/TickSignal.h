// Tick-exact test signals: 8-bit mono samples at 44,100 Hz, where every
// sample is one tick of the reader's clock.
#pragma once

#include <cstdint>
#include <vector>

class CTickSignal {
public:
    static constexpr uint8_t kLow = 0;
    static constexpr uint8_t kHigh = 255;

    // nTicks samples of one value.
    CTickSignal& Hold(uint8_t nValue, int32_t nTicks);

    // Half-periods by the spacing of the smoothed signal's midpoint crossings
    // (the four-value mean crosses two ticks late on the way up and one on
    // the way down, so raw highs are made one tick longer, lows one shorter).
    // Levels alternate, starting with the level opposite to the last one.
    CTickSignal& Half(int32_t nSpacing);
    CTickSignal& Halves(int32_t nSpacing, int32_t nCount);

    const std::vector<uint8_t>& Samples() const { return m_samples; }

private:
    std::vector<uint8_t> m_samples;
    bool m_bHigh = true;  // level of the last half-period; the first is low
};
