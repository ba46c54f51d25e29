#include "ByteGrammar.h"

#include <algorithm>

CByteParse::EStep CByteParse::Take(const SHalfPeriod& half, SFramedByte& byte) {
    const bool bShort = half.m_eClass == EHalfClass::kShort;
    const bool bLong = half.m_eClass == EHalfClass::kLong;
    if (m_nBit < 0) {
        if (!bLong) {
            return EStep::kBroken;
        }
        m_nBit = 0;
        m_nLevel = 0;
        m_nByte = 0;
        m_bPair = false;
        m_bClosing = false;
        m_dStart = half.m_dStart;
        m_fMargin = half.m_fMargin;
        return EStep::kMore;
    }
    m_fMargin = std::min(m_fMargin, half.m_fMargin);
    if (m_bClosing) {
        return bLong ? Complete(half, byte) : EStep::kBroken;
    }
    if (m_bPair) {
        if (!bShort) {
            return EStep::kBroken;
        }
        m_bPair = false;
    } else if (bLong) {
        m_nLevel = static_cast<uint8_t>(0x80 - m_nLevel);
    } else if (bShort) {
        m_bPair = true;
        return EStep::kMore;
    } else {
        return EStep::kBroken;
    }
    m_nByte = static_cast<uint8_t>((m_nByte >> 1) | m_nLevel);
    if (++m_nBit < 8) {
        return EStep::kMore;
    }
    if (m_nLevel == 0) {
        m_bClosing = true;
        return EStep::kMore;
    }
    return Complete(half, byte);
}

CByteParse::EStep CByteParse::Complete(const SHalfPeriod& half, SFramedByte& byte) {
    byte.m_nValue = m_nByte;
    byte.m_dStart = m_dStart;
    byte.m_dEnd = half.m_dStart + half.m_dLength;
    byte.m_fConfidence = m_fMargin;
    m_nBit = -1;
    return EStep::kByte;
}
