// One block of the merged recovery, with where its bytes came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Bytes of a block that no take holds: about m_nCount of them, before
// merged byte m_nBefore.
struct SMissingRun {
    uint32_t m_nBefore = 0;
    uint32_t m_nCount = 0;
};

struct SMergedBlock {
    std::string m_strName;              // raw record name in the merged bytes; empty when none
    std::vector<uint8_t> m_bytes;       // in tape order
    std::vector<uint8_t> m_sources;     // per byte: the take (0-based) it was taken from
    std::vector<uint32_t> m_fromTake;   // per take: bytes taken from it
    std::vector<int32_t> m_takeBlocks;  // per take: its block in its log, or -1
    // Per take: its block in its log when that was set aside here (its
    // bytes disagree with the other takes'), or -1. A take set aside gives
    // only bytes the others confirm, and holds the block (m_takeBlocks)
    // only when it shares some bytes with the others at all.
    std::vector<int32_t> m_setAside;
    // Places where the takes disagreed, as the merged byte at or after
    // them (m_bytes.size() when after the last).
    std::vector<uint32_t> m_disagreements;
    std::vector<SMissingRun> m_missing;
    uint32_t m_nMissing = 0;  // bytes no take holds, estimated

    size_t TakesHolding() const {
        size_t n = 0;
        for (const int32_t nBlock : m_takeBlocks) {
            n += nBlock >= 0 ? 1 : 0;
        }
        return n;
    }
    size_t TakesSetAside() const {
        size_t n = 0;
        for (const int32_t nBlock : m_setAside) {
            n += nBlock >= 0 ? 1 : 0;
        }
        return n;
    }
};
