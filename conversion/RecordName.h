// The record name in the header at the start of a block of decoded bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Number of leading block bytes that the scan looks at.
inline constexpr size_t kScannedBytes = 64;

// Scans the first 64 bytes of a block for its record name: after the block's
// first 0xFF comes a 0x00; 0x55 bytes must follow at 16 and 31 bytes after
// that zero, and the name is the eight bytes at 38-45 after it (cut short at
// the end of the 64 bytes). Returns the raw name bytes, zero bytes included;
// empty when the layout does not match.
std::string ScanRecordName(std::span<const int32_t, kScannedBytes> header);
