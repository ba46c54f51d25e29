// Building text from pieces in one allocation, without operator+ on
// temporaries (which GCC 12 at -O3 misreads as overlapping copies).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

inline std::string Join(std::initializer_list<std::string_view> parts) {
    size_t nSize = 0;
    for (const std::string_view part : parts) {
        nSize += part.size();
    }
    std::string str;
    str.reserve(nSize);
    for (const std::string_view part : parts) {
        str.append(part);
    }
    return str;
}
