// The byte code in half-periods: one long half-period opens a byte; then
// eight bits, least significant first, each a long half-period (the bit
// level, 0 at the start of every byte, changes) or two short ones (it
// stays); a byte that ends at level 0 is closed by one more long
// half-period. CByteParse follows one byte at a time, strictly: a short
// half-period without its short partner, or anything but a long one where
// a byte must open or close, breaks the framing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HalfPeriod.h"

struct SFramedByte {
    uint8_t m_nValue = 0;
    double m_dStart = 0.0;       // s: the opening long half-period
    double m_dEnd = 0.0;         // s: the end of its last half-period
    float m_fConfidence = 0.0f;  // the smallest margin of its half-periods
};

class CByteParse {
public:
    enum class EStep { kMore, kByte, kBroken };

    // Between bytes: the next half-period must open one.
    void Restart() { m_nBit = -1; }
    bool IsBetweenBytes() const { return m_nBit < 0; }
    double ByteStart() const { return m_dStart; }

    // Takes the next half-period; on kByte, byte holds the completed byte
    // and the parse waits for the next one to open.
    EStep Take(const SHalfPeriod& half, SFramedByte& byte);

private:
    EStep Complete(const SHalfPeriod& half, SFramedByte& byte);

    int32_t m_nBit = -1;   // bits done, -1 between bytes
    uint8_t m_nLevel = 0;  // 0 or 0x80
    uint8_t m_nByte = 0;
    bool m_bPair = false;     // a short half-period waits for its partner
    bool m_bClosing = false;  // eight bits done at level 0: the closing one is due
    double m_dStart = 0.0;    // s
    float m_fMargin = 0.0f;
};
