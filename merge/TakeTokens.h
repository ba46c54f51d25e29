// A take's block as the merge sees it: its decoded bytes in order, and for
// every gap as many unknown places as its decoder estimated were lost.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "TapeLog.h"

inline constexpr int16_t kUnknownToken = -1;

struct STakeTokens {
    std::vector<int16_t> m_values;    // 0-255, or kUnknownToken inside a gap
    std::vector<float> m_confidence;  // per token; 0 for unknown ones
};

STakeTokens MakeTakeTokens(const SBlockEvidence& evidence);

// What block matching knows of a take's block before its bytes are aligned.
struct SBlockKey {
    std::string m_strName;   // raw record name; empty when none, or not for sure
    uint64_t m_nLength = 0;  // decoded bytes and estimated lost ones
    uint64_t m_nLost = 0;    // the estimated lost ones
    double m_dStart = 0.0;   // s: start of its first byte, on its take's clock ...
    double m_dEnd = 0.0;     // ... and end of its last
};

SBlockKey MakeBlockKey(const SBlockEvidence& evidence);

// The raw record name in the first places of a block (as many as there
// are, up to 64; kUnknownToken where a byte was lost); empty when there is
// none, or when a lost byte could change it.
std::string ScanBlockName(std::span<const int16_t> firstPlaces);
