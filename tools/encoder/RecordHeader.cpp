#include "RecordHeader.h"

#include <algorithm>

std::vector<uint8_t> MakeRecordHeader(std::string_view strName) {
    std::vector<uint8_t> header(kRecordHeaderSize, 0);
    header[0] = 0xFF;
    header[1] = 0x00;  // the run counts the marks below from this byte
    header[17] = 0x55;
    header[32] = 0x55;
    const size_t nName = std::min(strName.size(), kRecordNameSize);
    std::copy_n(strName.begin(), nName, header.begin() + kRecordNameOffset);
    return header;
}
