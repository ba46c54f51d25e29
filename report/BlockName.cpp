#include "BlockName.h"

#include <array>
#include <cstdint>

#include "RecordName.h"

std::string RawRecordName(const STapeBlock& block) {
    // Bytes the block does not have match nothing that the scan looks for.
    std::array<int32_t, kScannedBytes> header;
    header.fill(-1);
    for (size_t k = 0; k < block.m_strHeader.size() && k < kScannedBytes; ++k) {
        header[k] = static_cast<uint8_t>(block.m_strHeader[k]);
    }
    return ScanRecordName(header);
}
