// The header block that opens a record: the bytes from which a conversion
// run picks the record name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

inline constexpr size_t kRecordHeaderSize = 66;  // enough for the run to scan it
inline constexpr size_t kRecordNameSize = 8;
inline constexpr size_t kRecordNameOffset = 39;

// 0xFF, 0x00, fifteen zero bytes, 0x55, fourteen zero bytes, 0x55, six zero
// bytes, the name (cut to eight bytes, padded with zero bytes), then zero
// bytes up to kRecordHeaderSize.
std::vector<uint8_t> MakeRecordHeader(std::string_view strName);
