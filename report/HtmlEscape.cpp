#include "HtmlEscape.h"

std::string HtmlEscape(std::string_view strText) {
    std::string strOut;
    strOut.reserve(strText.size());
    for (const char ch : strText) {
        switch (ch) {
            case '&':
                strOut += "&amp;";
                break;
            case '<':
                strOut += "&lt;";
                break;
            case '>':
                strOut += "&gt;";
                break;
            case '"':
                strOut += "&quot;";
                break;
            case '\'':
                strOut += "&#39;";
                break;
            default:
                if ((static_cast<unsigned char>(ch) < 0x20 && ch != '\t' && ch != '\n') ||
                    ch == '\x7F') {
                    strOut += "\xEF\xBF\xBD";
                } else {
                    strOut.push_back(ch);
                }
                break;
        }
    }
    return strOut;
}
