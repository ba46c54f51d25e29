#include "CliOwner.h"

std::string EscapeControls(const std::string& str) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string strOut;
    strOut.reserve(str.size());
    for (const char ch : str) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= 0x01 && b <= 0x1F) || b == 0x7F) {
            strOut += "\\x";
            strOut.push_back(kHex[b >> 4]);
            strOut.push_back(kHex[b & 0x0F]);
        } else {
            strOut.push_back(ch);
        }
    }
    return strOut;
}

std::string CCliOwner::PresentRecordName(std::string_view strRawName) const {
    return EscapeControls(CTapeOwner::PresentRecordName(strRawName));
}
