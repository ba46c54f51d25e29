// One measured half-period of the tape signal, as the timing stage classes it.
#pragma once

#include <cstddef>
#include <cstdint>

enum class EHalfClass : uint8_t {
    kGlitch,  // far too short for the code: noise
    kShort,
    kLong,
    kGap,  // too long for data: a dropout, silence or the end of a block
};

struct SHalfPeriod {
    double m_dStart = 0.0;   // s: the crossing that began it
    double m_dLength = 0.0;  // s
    EHalfClass m_eClass = EHalfClass::kGap;
    float m_fMargin = 1.0f;  // distance from the nearest class boundary, as a ratio >= 1
};
