#include "CliOwner.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Length of the well-formed UTF-8 sequence at the start of str, or 0 when the
// bytes there are not one (overlong forms, surrogates, code points past
// U+10FFFF, stray or missing continuation bytes).
size_t Utf8SequenceLength(std::string_view str) {
    const auto b0 = static_cast<uint8_t>(str[0]);
    if (b0 < 0x80) {
        return 1;
    }
    size_t nLength = 0;
    uint8_t nSecondMin = 0x80;  // the second byte's range narrows for some leads
    uint8_t nSecondMax = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        nLength = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        nLength = 3;
        nSecondMin = b0 == 0xE0 ? 0xA0 : 0x80;
        nSecondMax = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        nLength = 4;
        nSecondMin = b0 == 0xF0 ? 0x90 : 0x80;
        nSecondMax = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (str.size() < nLength) {
        return 0;
    }
    const auto b1 = static_cast<uint8_t>(str[1]);
    if (b1 < nSecondMin || b1 > nSecondMax) {
        return 0;
    }
    for (size_t k = 2; k < nLength; ++k) {
        if ((static_cast<uint8_t>(str[k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return nLength;
}

// C0 controls but NUL, DEL, and the C1 controls U+0080-U+009F (C2 80-C2 9F).
bool IsControl(std::string_view strSequence) {
    const auto b0 = static_cast<uint8_t>(strSequence[0]);
    if (strSequence.size() == 1) {
        return (b0 >= 0x01 && b0 <= 0x1F) || b0 == 0x7F;
    }
    return b0 == 0xC2 && static_cast<uint8_t>(strSequence[1]) <= 0x9F;
}

void AppendEscaped(std::string& strOut, std::string_view strBytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : strBytes) {
        const auto b = static_cast<uint8_t>(ch);
        strOut += "\\x";
        strOut.push_back(kHex[b >> 4]);
        strOut.push_back(kHex[b & 0x0F]);
    }
}

}  // namespace

std::string EscapeControls(const std::string& str) {
    std::string strOut;
    strOut.reserve(str.size());
    std::string_view strRest = str;
    while (!strRest.empty()) {
        const size_t nLength = Utf8SequenceLength(strRest);
        if (nLength == 0) {
            // Not UTF-8: this byte alone; the next one may start a sequence.
            AppendEscaped(strOut, strRest.substr(0, 1));
            strRest.remove_prefix(1);
            continue;
        }
        const std::string_view strSequence = strRest.substr(0, nLength);
        if (IsControl(strSequence)) {
            AppendEscaped(strOut, strSequence);
        } else {
            strOut += strSequence;
        }
        strRest.remove_prefix(nLength);
    }
    return strOut;
}

void CCliOwner::SetFileText(const std::string& strUtf8) {
    m_sink.ShowFile(EscapeControls(strUtf8));
}

std::string CCliOwner::PresentRecordName(std::string_view strRawName) const {
    return EscapeControls(CTapeOwner::PresentRecordName(strRawName));
}

std::string CCliOwner::GetOutputPath() const {
    return m_strOutput.empty() ? CTapeOwner::GetOutputPath() : m_strOutput;
}
