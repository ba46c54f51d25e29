// The JSON Lines a program wrote, for the tests that read them.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Each line of strOut as JSON; a line that is not, or an unterminated last
// line, fails the test.
inline std::vector<nlohmann::json> JsonEvents(const std::string& strOut) {
    std::vector<nlohmann::json> events;
    size_t nStart = 0;
    for (size_t nEnd = strOut.find('\n'); nEnd != std::string::npos;
         nStart = nEnd + 1, nEnd = strOut.find('\n', nStart)) {
        events.push_back(
            nlohmann::json::parse(strOut.substr(nStart, nEnd - nStart), nullptr, false));
        EXPECT_FALSE(events.back().is_discarded()) << strOut.substr(nStart, nEnd - nStart);
    }
    EXPECT_EQ(nStart, strOut.size()) << "unterminated line";
    return events;
}
