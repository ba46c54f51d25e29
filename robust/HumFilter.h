// CHumFilter: narrow notches at the mains frequency and its first two
// harmonics (50, 100, 150 Hz or 60, 120, 180 Hz). A high-pass steep enough
// to remove strong hum would ring on the long half-periods; the notches take
// the hum alone and leave the tones, which lie far above them, as they are.
// Off (passing the signal unchanged, at no cost) when the recording has no
// hum to speak of.
#pragma once

#include <array>

#include "Biquad.h"

class CHumFilter {
public:
    // dMainsHz: 50 or 60, or 0 for off; dQ: centre frequency over bandwidth.
    void Set(double dMainsHz, double dQ, double dRate) {
        m_bOn = dMainsHz > 0.0;
        for (size_t k = 0; k < m_notches.size(); ++k) {
            m_notches[k].SetNotch(dMainsHz * static_cast<double>(k + 1), dQ, dRate);
        }
    }
    bool IsOn() const { return m_bOn; }
    void ProcessBlock(double* pSamples, int32_t nCount) {
        if (m_bOn) {
            for (CBiquad& notch : m_notches) {
                notch.ProcessBlock(pSamples, nCount);
            }
        }
    }

private:
    std::array<CBiquad, 3> m_notches;
    bool m_bOn = false;
};
