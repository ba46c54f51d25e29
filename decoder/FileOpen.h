// Opening files by UTF-8 path on every platform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Opens the file at strPath (UTF-8) with the stdio mode szMode. On Windows the
// path goes through the wide-character API so that any file name works there;
// elsewhere the bytes are handed to fopen unchanged. Returns null on failure.
std::FILE* OpenFileUtf8(const std::string& strPath, const char* szMode);

// 64-bit positions in a stdio stream on every platform: fseek's result (0 on
// success), the position (-1 on failure), and the length of the file with
// the position left where it was (-1 on failure).
int SeekFile64(std::FILE* pFile, int64_t nOffset, int nWhence);
int64_t TellFile64(std::FILE* pFile);
int64_t FileLength64(std::FILE* pFile);
