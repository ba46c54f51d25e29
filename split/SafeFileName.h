// File names that every common file system takes: Windows (NTFS, FAT,
// exFAT), Linux and macOS.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The longest name SafeFileName gives, in bytes (file systems allow 255
// bytes or UTF-16 units; a name is kept well below).
inline constexpr size_t kMaxFileNameBytes = 200;

// strName as a file name in UTF-8: bytes that are not UTF-8, control
// characters (C0, DEL, C1), the replacement character and the characters
// Windows reserves (< > : " / \ | ? *) become '_'; spaces at either end and
// dots at the end go; a name Windows keeps for a device (CON, PRN, AUX, NUL,
// COM0-9, LPT0-9, with or without an extension, in any case) gets a '_' in
// front; a name longer than kMaxFileNameBytes is cut at a character; an
// empty name becomes "_".
std::string SafeFileName(std::string_view strName);
