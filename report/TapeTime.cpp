#include "TapeTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

std::string FormatTapeTime(double dSeconds) {
    const auto nMillis = static_cast<int64_t>(std::llround(std::max(0.0, dSeconds) * 1000.0));
    char szText[48];
    std::snprintf(
        szText, sizeof szText, "%02lld:%02lld.%03lld", static_cast<long long>(nMillis / 60000),
        static_cast<long long>(nMillis / 1000 % 60), static_cast<long long>(nMillis % 1000));
    return szText;
}
