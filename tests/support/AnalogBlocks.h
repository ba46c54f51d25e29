// Blocks of random bytes for the tests that render recordings with the
// encoder's analog renderer.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "AnalogRecording.h"

// One block per (name, size), filled from the seed: the same seed gives the
// same bytes.
inline std::vector<CAnalogBlock> RandomBlocks(
    uint32_t nSeed, const std::vector<std::pair<std::string, size_t>>& layout) {
    std::mt19937 random(nSeed);
    std::vector<CAnalogBlock> blocks(layout.size());
    for (size_t k = 0; k < layout.size(); ++k) {
        blocks[k].m_strName = layout[k].first;
        blocks[k].m_data.resize(layout[k].second);
        for (uint8_t& b : blocks[k].m_data) {
            b = static_cast<uint8_t>(random());
        }
    }
    return blocks;
}
