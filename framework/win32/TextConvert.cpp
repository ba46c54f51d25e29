#include "TextConvert.h"

#include "PlatformTypes.h"

std::wstring Utf8ToWide(std::string_view strUtf8) {
    if (strUtf8.empty()) {
        return {};
    }
    const int nBytes = static_cast<int>(strUtf8.size());
    const int nChars = MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nBytes, nullptr, 0);
    if (nChars <= 0) {
        return {};
    }
    std::wstring strWide(static_cast<size_t>(nChars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nBytes, strWide.data(), nChars);
    return strWide;
}

std::string WideToUtf8(std::wstring_view strWide) {
    if (strWide.empty()) {
        return {};
    }
    const int nChars = static_cast<int>(strWide.size());
    const int nBytes =
        WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nChars, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0) {
        return {};
    }
    std::string strUtf8(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nChars, strUtf8.data(), nBytes, nullptr,
                        nullptr);
    return strUtf8;
}
