#include "NamedBlocks.h"

#include <algorithm>

#include "BlockName.h"
#include "Cp1250.h"

std::vector<SNamedBlock> NamedBlocks(const CTapeLog& log, std::span<const uint8_t> bytes) {
    std::vector<SNamedBlock> blocks;
    size_t nAt = 0;
    for (const STapeBlock& block : log.Blocks()) {
        const size_t nEnd = std::min(bytes.size(), nAt + block.m_nBytes);
        blocks.push_back({Cp1250ToUtf8(RawRecordName(block)),
                          std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(nAt),
                                               bytes.begin() + static_cast<std::ptrdiff_t>(nEnd))});
        nAt = nEnd;
    }
    return blocks;
}

std::vector<SNamedBlock> NamedBlocks(const std::vector<SMergedBlock>& blocks) {
    std::vector<SNamedBlock> named;
    for (const SMergedBlock& block : blocks) {
        named.push_back({Cp1250ToUtf8(block.m_strName), block.m_bytes});
    }
    return named;
}
