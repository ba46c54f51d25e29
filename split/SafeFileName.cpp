#include "SafeFileName.h"

#include <array>
#include <cstdint>

namespace {

// The code point at strText[nAt] and its length in bytes; length 0 when
// the bytes there are no well-formed UTF-8 (overlong forms, surrogates and
// values past U+10FFFF included).
struct SCodePoint {
    uint32_t m_nValue = 0;
    size_t m_nLength = 0;
};

SCodePoint DecodeAt(std::string_view strText, size_t nAt) {
    const auto nLead = static_cast<uint8_t>(strText[nAt]);
    if (nLead < 0x80) {
        return {nLead, 1};
    }
    size_t nLength = 0;
    uint32_t nValue = 0;
    uint32_t nMin = 0;
    if ((nLead & 0xE0) == 0xC0) {
        nLength = 2;
        nValue = nLead & 0x1Fu;
        nMin = 0x80;
    } else if ((nLead & 0xF0) == 0xE0) {
        nLength = 3;
        nValue = nLead & 0x0Fu;
        nMin = 0x800;
    } else if ((nLead & 0xF8) == 0xF0) {
        nLength = 4;
        nValue = nLead & 0x07u;
        nMin = 0x10000;
    } else {
        return {};
    }
    if (strText.size() - nAt < nLength) {
        return {};
    }
    for (size_t k = 1; k < nLength; ++k) {
        const auto nNext = static_cast<uint8_t>(strText[nAt + k]);
        if ((nNext & 0xC0) != 0x80) {
            return {};
        }
        nValue = (nValue << 6) | (nNext & 0x3Fu);
    }
    if (nValue < nMin || nValue > 0x10FFFF || (nValue >= 0xD800 && nValue <= 0xDFFF)) {
        return {};
    }
    return {nValue, nLength};
}

bool IsUnsafe(uint32_t nCodePoint) {
    constexpr std::string_view kReserved = "<>:\"/\\|?*";
    return nCodePoint < 0x20 || nCodePoint == 0x7F || (nCodePoint >= 0x80 && nCodePoint <= 0x9F) ||
           nCodePoint == 0xFFFD ||
           (nCodePoint < 0x80 &&
            kReserved.find(static_cast<char>(nCodePoint)) != std::string::npos);
}

char Upper(char ch) {
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// Whether Windows keeps the name for a device: the part before the first
// dot, without spaces at its end, is one of the device names.
bool IsDeviceName(std::string_view strName) {
    std::string_view strStem = strName.substr(0, strName.find('.'));
    while (!strStem.empty() && strStem.back() == ' ') {
        strStem.remove_suffix(1);
    }
    std::string strUpper;
    for (const char ch : strStem) {
        strUpper += Upper(ch);
    }
    for (const char* szName : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (strUpper == szName) {
            return true;
        }
    }
    if (strUpper.size() < 4 ||
        (strUpper.compare(0, 3, "COM") != 0 && strUpper.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    // COM1 to COM9 with a plain digit or a superscript one, two or three.
    const std::string_view strDigit = std::string_view(strUpper).substr(3);
    constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    if (strDigit.size() == 1 && strDigit[0] >= '0' && strDigit[0] <= '9') {
        return true;
    }
    for (const std::string_view strSuper : kSuperscripts) {
        if (strDigit == strSuper) {
            return true;
        }
    }
    return false;
}

void TrimEnd(std::string& str) {
    while (!str.empty() && (str.back() == ' ' || str.back() == '.')) {
        str.pop_back();
    }
}

}  // namespace

std::string SafeFileName(std::string_view strName) {
    std::string str;
    for (size_t k = 0; k < strName.size();) {
        const SCodePoint point = DecodeAt(strName, k);
        const size_t nLength = point.m_nLength == 0 ? 1 : point.m_nLength;
        const bool bSafe = point.m_nLength > 0 && !IsUnsafe(point.m_nValue);
        const std::string_view strPiece = bSafe ? strName.substr(k, nLength) : "_";
        k += nLength;
        if (str.empty() && strPiece == " ") {
            continue;
        }
        // Room is kept for the '_' in front of a device name.
        if (str.size() + strPiece.size() > kMaxFileNameBytes - 1) {
            break;
        }
        str += strPiece;
    }
    TrimEnd(str);
    if (str.empty()) {
        return "_";
    }
    if (IsDeviceName(str)) {
        str.insert(str.begin(), '_');
    }
    return str;
}
