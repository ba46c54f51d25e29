#include "FileOpen.h"

#ifdef _WIN32
#include <stdio.h>
#include <cwchar>

namespace {

// UTF-8 to UTF-16. Malformed sequences become U+FFFD, so a bad name fails to
// open instead of opening some other file by accident.
std::wstring WidenUtf8(const std::string& str) {
    std::wstring wstr;
    wstr.reserve(str.size());
    const auto* p = reinterpret_cast<const unsigned char*>(str.data());
    const auto* pEnd = p + str.size();
    while (p < pEnd) {
        char32_t c = *p++;
        int nMore = 0;
        char32_t cMin = 0;
        if (c >= 0xF0 && c <= 0xF4) {
            nMore = 3;
            c &= 0x07;
            cMin = 0x10000;
        } else if (c >= 0xE0) {
            nMore = (c <= 0xEF) ? 2 : -1;
            c &= 0x0F;
            cMin = 0x800;
        } else if (c >= 0xC2) {
            nMore = (c <= 0xDF) ? 1 : -1;
            c &= 0x1F;
            cMin = 0x80;
        } else if (c >= 0x80) {
            nMore = -1;
        }
        bool bBad = nMore < 0;
        for (int k = 0; k < nMore && !bBad; ++k) {
            if (p == pEnd || (*p & 0xC0) != 0x80) {
                bBad = true;
                break;
            }
            c = (c << 6) | (*p++ & 0x3F);
        }
        if (!bBad && (c < cMin || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) {
            bBad = true;
        }
        if (bBad) {
            wstr.push_back(L'\xFFFD');
        } else if (c >= 0x10000) {
            c -= 0x10000;
            wstr.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            wstr.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
        } else {
            wstr.push_back(static_cast<wchar_t>(c));
        }
    }
    return wstr;
}

}  // namespace

std::FILE* OpenFileUtf8(const std::string& strPath, const char* szMode) {
    if (strPath.find('\0') != std::string::npos) {
        return nullptr;  // the name would be cut short: some other file
    }
    std::wstring wstrMode;
    for (const char* p = szMode; *p; ++p) {
        wstrMode.push_back(static_cast<wchar_t>(*p));
    }
    return _wfopen(WidenUtf8(strPath).c_str(), wstrMode.c_str());
}

#else

std::FILE* OpenFileUtf8(const std::string& strPath, const char* szMode) {
    if (strPath.find('\0') != std::string::npos) {
        return nullptr;  // the name would be cut short: some other file
    }
    return std::fopen(strPath.c_str(), szMode);
}

#endif

int SeekFile64(std::FILE* pFile, int64_t nOffset, int nWhence) {
#ifdef _WIN32
    return _fseeki64(pFile, nOffset, nWhence);
#else
    return fseeko(pFile, static_cast<off_t>(nOffset), nWhence);
#endif
}

int64_t TellFile64(std::FILE* pFile) {
#ifdef _WIN32
    return _ftelli64(pFile);
#else
    return static_cast<int64_t>(ftello(pFile));
#endif
}

int64_t FileLength64(std::FILE* pFile) {
    const int64_t nHere = TellFile64(pFile);
    if (nHere < 0 || SeekFile64(pFile, 0, SEEK_END) != 0) {
        return -1;
    }
    const int64_t nLength = TellFile64(pFile);
    SeekFile64(pFile, nHere, SEEK_SET);
    return nLength;
}
