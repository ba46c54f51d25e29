// CLowCutInverse: undoes a low-cut that stands between the tape and the
// recording, down to a lower corner. A Butterworth high-pass of order n at
// fc has its poles on a circle of radius fc; this filter has zeros there
// (cancelling them) and poles at the same angles on a circle of radius
// dRatio * fc, so that the recording comes out as if its low-cut had been
// at dRatio * fc: the long half-periods' tones, an octave above a line's
// corner, get back their level and phase, and what lies far below, where
// the low-cut left only noise, is raised no more than 1 / dRatio^n.
#pragma once

#include <array>
#include <cstdint>

#include "Biquad.h"

class CLowCutInverse {
public:
    static constexpr int32_t kMaxOrder = 4;

    // nOrder 0 passes the signal unchanged.
    void Set(int32_t nOrder, double dCornerHz, double dRatio, double dRate);
    bool IsOn() const { return m_nSections > 0; }
    int32_t Order() const { return m_nOrder; }
    double CornerHz() const { return m_dCornerHz; }

    // In place.
    void ProcessBlock(double* pSamples, int32_t nCount);

private:
    std::array<CBiquad, (kMaxOrder + 1) / 2> m_sections{};
    int32_t m_nSections = 0;
    int32_t m_nOrder = 0;
    double m_dCornerHz = 0.0;
};
