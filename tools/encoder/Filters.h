// The filters of a worn head and an AC-coupled input, run sample by sample
// over buffers and keeping their state between buffers.
#pragma once

#include <span>

// 2-pole Butterworth low-pass by the bilinear transform (corner prewarped).
class CLowpass {
public:
    CLowpass(double dCornerHz, double dRate);
    void Process(std::span<double> samples);

private:
    double m_dB0, m_dB1, m_dB2, m_dA1, m_dA2;
    double m_dZ1 = 0, m_dZ2 = 0;  // transposed direct form II state
};

// 1-pole high-pass by the bilinear transform.
class CHighpass {
public:
    CHighpass(double dCornerHz, double dRate);
    void Process(std::span<double> samples);

private:
    double m_dB0, m_dA1;
    double m_dLastIn = 0, m_dLastOut = 0;
};
