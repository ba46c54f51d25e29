// Opening files by UTF-8 path on every platform.
#pragma once

#include <cstdio>
#include <string>

// Opens the file at strPath (UTF-8) with the stdio mode szMode. On Windows the
// path goes through the wide-character API so that any file name works there;
// elsewhere the bytes are handed to fopen unchanged. Returns null on failure.
std::FILE* OpenFileUtf8(const std::string& strPath, const char* szMode);
