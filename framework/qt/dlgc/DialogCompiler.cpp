// tavro-dlgc: turns a dialog script into the C++ table of DialogTemplate.h,
// so that the Qt layer builds its dialogs from the same script as the
// resource compiler.
//
//   tavro-dlgc <script.dlg> <output.cpp> [header...]
//
// The script holds DIALOGEX (or DIALOG) statements with STYLE, EXSTYLE,
// CAPTION and FONT lines and a BEGIN ... END block of CONTROL lines, one
// statement per line. Identifiers and style names are copied into the output
// as written, so the C++ compiler resolves them through the headers given
// (the program's resource.h) and the layer's own definitions: an unknown name
// fails the build instead of becoming a wrong number.
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct CItem {
    std::string strText;
    std::string strID;
    std::string strClass;
    std::string strStyle;
    int nRect[4] = {};
};

struct CDialogScript {
    std::string strID;
    std::string strStyle = "0";
    std::string strExStyle = "0";
    std::string strCaption;
    int nPointSize = 8;
    std::string strFaceName = "MS Shell Dlg";
    int nRect[4] = {};
    std::vector<CItem> items;
};

class CParseError {
public:
    std::string m_strMessage;
};

std::string_view Trim(std::string_view str) {
    while (!str.empty() && std::isspace(static_cast<unsigned char>(str.front()))) {
        str.remove_prefix(1);
    }
    while (!str.empty() && std::isspace(static_cast<unsigned char>(str.back()))) {
        str.remove_suffix(1);
    }
    return str;
}

// The line without a trailing "//" comment (one outside string literals).
std::string_view StripComment(std::string_view str) {
    bool bInString = false;
    for (size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '"') {
            bInString = !bInString;  // "" inside a literal toggles twice
        } else if (!bInString && str.compare(i, 2, "//") == 0) {
            return str.substr(0, i);
        }
    }
    return str;
}

// Splits "a, "b, c", d" at the commas outside string literals.
std::vector<std::string_view> SplitArguments(std::string_view str) {
    std::vector<std::string_view> args;
    bool bInString = false;
    size_t nStart = 0;
    for (size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '"') {
            bInString = !bInString;
        } else if (str[i] == ',' && !bInString) {
            args.push_back(Trim(str.substr(nStart, i - nStart)));
            nStart = i + 1;
        }
    }
    if (bInString) {
        throw CParseError{"unterminated string"};
    }
    args.push_back(Trim(str.substr(nStart)));
    return args;
}

// A string literal of the script: "text", with "" standing for one quote.
std::string ParseString(std::string_view str) {
    if (str.size() < 2 || str.front() != '"' || str.back() != '"') {
        throw CParseError{"expected a string, found '" + std::string(str) + "'"};
    }
    std::string strText;
    for (size_t i = 1; i + 1 < str.size(); ++i) {
        if (str[i] == '"') {
            if (str[i + 1] != '"' || i + 2 >= str.size()) {
                throw CParseError{"stray quote in string"};
            }
            ++i;
        }
        strText.push_back(str[i]);
    }
    return strText;
}

int ParseInteger(std::string_view str) {
    int n = 0;
    const char* pEnd = str.data() + str.size();
    const auto result = std::from_chars(str.data(), pEnd, n);
    if (str.empty() || result.ec != std::errc() || result.ptr != pEnd) {
        throw CParseError{"expected a number, found '" + std::string(str) + "'"};
    }
    return n;
}

bool IsIdentifier(std::string_view str) {
    if (str.empty() || std::isdigit(static_cast<unsigned char>(str.front()))) {
        return false;
    }
    for (const char ch : str) {
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_') {
            return false;
        }
    }
    return true;
}

// A decimal or hexadecimal (0x) number without sign.
bool IsNumber(std::string_view str) {
    int nBase = 10;
    if (str.size() > 2 && str[0] == '0' && (str[1] == 'x' || str[1] == 'X')) {
        str.remove_prefix(2);
        nBase = 16;
    }
    unsigned long n = 0;
    const char* pEnd = str.data() + str.size();
    const auto result = std::from_chars(str.data(), pEnd, n, nBase);
    return !str.empty() && result.ec == std::errc() && result.ptr == pEnd;
}

// An identifier or a number, copied as written.
std::string ParseID(std::string_view str) {
    if (!IsIdentifier(str) && !IsNumber(str)) {
        throw CParseError{"expected an identifier, found '" + std::string(str) + "'"};
    }
    return std::string(str);
}

// A style: names and numbers joined by '|' (no NOT).
std::string ParseStyle(std::string_view str) {
    std::string strStyle;
    while (true) {
        const size_t nBar = str.find('|');
        const std::string_view strTerm = Trim(str.substr(0, nBar));
        if (!IsIdentifier(strTerm) && !IsNumber(strTerm)) {
            throw CParseError{"unsupported style term '" + std::string(strTerm) + "'"};
        }
        strStyle += strStyle.empty() ? "" : " | ";
        strStyle += strTerm;
        if (nBar == std::string_view::npos) {
            return strStyle;
        }
        str.remove_prefix(nBar + 1);
    }
}

void ParseRect(const std::vector<std::string_view>& args, size_t nFirst, int (&nRect)[4]) {
    for (size_t i = 0; i < 4; ++i) {
        nRect[i] = ParseInteger(args[nFirst + i]);
    }
}

CItem ParseControl(std::string_view strArgs) {
    const std::vector<std::string_view> args = SplitArguments(strArgs);
    if (args.size() != 8 && args.size() != 9) {
        throw CParseError{"CONTROL needs text, id, class, style, x, y, width, height"};
    }
    CItem item;
    item.strText = ParseString(args[0]);
    item.strID = ParseID(args[1]);
    item.strClass = IsIdentifier(args[2]) ? std::string(args[2]) : ParseString(args[2]);
    item.strStyle = ParseStyle(args[3]);
    ParseRect(args, 4, item.nRect);
    return item;
}

// Splits a statement into its keyword and the rest of the line.
std::pair<std::string_view, std::string_view> SplitKeyword(std::string_view strLine) {
    size_t n = 0;
    while (n < strLine.size() && !std::isspace(static_cast<unsigned char>(strLine[n]))) {
        ++n;
    }
    return {strLine.substr(0, n), Trim(strLine.substr(n))};
}

class CScriptParser {
public:
    std::vector<CDialogScript> Parse(std::istream& in, const std::string& strFile);

private:
    void ParseLine(std::string_view strLine);

    enum class EState { kOutside, kHeader, kBody };
    EState m_eState = EState::kOutside;
    std::vector<CDialogScript> m_dialogs;
};

std::vector<CDialogScript> CScriptParser::Parse(std::istream& in, const std::string& strFile) {
    std::string strLine;
    int nLine = 0;
    while (std::getline(in, strLine)) {
        ++nLine;
        try {
            ParseLine(Trim(StripComment(strLine)));
        } catch (const CParseError& error) {
            throw CParseError{strFile + ":" + std::to_string(nLine) + ": " + error.m_strMessage};
        }
    }
    if (m_eState != EState::kOutside) {
        throw CParseError{strFile + ": dialog not closed by END"};
    }
    return std::move(m_dialogs);
}

void CScriptParser::ParseLine(std::string_view strLine) {
    if (strLine.empty() || strLine.front() == '#') {
        return;  // blank, or a preprocessor line of the resource script
    }
    const auto [strKeyword, strRest] = SplitKeyword(strLine);
    if (m_eState == EState::kBody) {
        if (strKeyword == "END" || strKeyword == "}") {
            m_eState = EState::kOutside;
        } else if (strKeyword == "CONTROL") {
            m_dialogs.back().items.push_back(ParseControl(strRest));
        } else {
            throw CParseError{"only CONTROL statements are supported, found '" +
                              std::string(strKeyword) + "'"};
        }
        return;
    }
    if (strKeyword == "LANGUAGE") {
        return;
    }
    const auto [strSecond, strArgs] = SplitKeyword(strRest);
    if (strSecond == "DIALOGEX" || strSecond == "DIALOG") {
        if (m_eState != EState::kOutside) {
            throw CParseError{"dialog inside a dialog"};
        }
        const std::vector<std::string_view> args = SplitArguments(strArgs);
        if (args.size() != 4 && args.size() != 5) {
            throw CParseError{"DIALOGEX needs x, y, width, height"};
        }
        CDialogScript dialog;
        dialog.strID = ParseID(strKeyword);
        ParseRect(args, 0, dialog.nRect);
        m_dialogs.push_back(std::move(dialog));
        m_eState = EState::kHeader;
        return;
    }
    if (m_eState != EState::kHeader) {
        throw CParseError{"statement outside a dialog: '" + std::string(strKeyword) + "'"};
    }
    CDialogScript& dialog = m_dialogs.back();
    if (strKeyword == "STYLE") {
        dialog.strStyle = ParseStyle(strRest);
    } else if (strKeyword == "EXSTYLE") {
        dialog.strExStyle = ParseStyle(strRest);
    } else if (strKeyword == "CAPTION") {
        dialog.strCaption = ParseString(strRest);
    } else if (strKeyword == "FONT") {
        const std::vector<std::string_view> args = SplitArguments(strRest);
        if (args.size() < 2) {
            throw CParseError{"FONT needs a size and a face name"};
        }
        dialog.nPointSize = ParseInteger(args[0]);
        dialog.strFaceName = ParseString(args[1]);
    } else if (strKeyword == "BEGIN" || strKeyword == "{") {
        m_eState = EState::kBody;
    } else {
        throw CParseError{"unsupported dialog statement '" + std::string(strKeyword) + "'"};
    }
}

// A C++ string literal holding the bytes of str; bytes outside printable
// ASCII as octal escapes, which never swallow a following character.
std::string CppLiteral(const std::string& str) {
    std::string strOut = "\"";
    for (const char ch : str) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            strOut += '\\';
            strOut += ch;
        } else if (b < 0x20 || b >= 0x7F) {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\%03o", static_cast<unsigned>(b));
            strOut += sz;
        } else {
            strOut += ch;
        }
    }
    return strOut + "\"";
}

std::string CppRect(const int (&nRect)[4]) {
    std::ostringstream out;
    out << "{" << nRect[0] << ", " << nRect[1] << ", " << nRect[2] << ", " << nRect[3] << "}";
    return out.str();
}

std::string Generate(const std::vector<CDialogScript>& dialogs, const std::string& strInput,
                     const std::vector<std::string>& headers) {
    std::ostringstream out;
    out << "// Generated by tavro-dlgc from " << strInput << ". Do not edit.\n";
    out << "#include \"DialogTemplate.h\"\n";
    for (const std::string& strHeader : headers) {
        out << "#include \"" << strHeader << "\"\n";
    }
    out << "\nnamespace {\n";
    for (size_t d = 0; d < dialogs.size(); ++d) {
        out << "\nconstexpr CDialogItemTemplate kItems" << d << "[] = {\n";
        for (const CItem& item : dialogs[d].items) {
            out << "    {" << CppLiteral(item.strText) << ", " << item.strID << ", "
                << CppLiteral(item.strID) << ", " << CppLiteral(item.strClass) << ",\n     "
                << item.strStyle << ", " << CppRect(item.nRect) << "},\n";
        }
        out << "};\n";
    }
    out << "\nconstexpr CDialogTemplate kDialogs[] = {\n";
    for (size_t d = 0; d < dialogs.size(); ++d) {
        const CDialogScript& dialog = dialogs[d];
        out << "    {" << dialog.strID << ", " << CppLiteral(dialog.strID) << ",\n     "
            << dialog.strStyle << ",\n     " << dialog.strExStyle << ",\n     "
            << CppLiteral(dialog.strCaption) << ", " << dialog.nPointSize << ", "
            << CppLiteral(dialog.strFaceName) << ", " << CppRect(dialog.nRect) << ", kItems" << d
            << "},\n";
    }
    out << "};\n\n}  // namespace\n\n";
    out << "std::span<const CDialogTemplate> GetDialogTemplates() { return kDialogs; }\n";
    return out.str();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: tavro-dlgc <script.dlg> <output.cpp> [header...]\n";
        return 2;
    }
    const std::string strInput = argv[1];
    std::ifstream in(strInput, std::ios::binary);
    if (!in) {
        std::cerr << strInput << ": cannot open\n";
        return 1;
    }
    std::vector<CDialogScript> dialogs;
    try {
        dialogs = CScriptParser().Parse(in, strInput);
    } catch (const CParseError& error) {
        std::cerr << error.m_strMessage << "\n";
        return 1;
    }
    if (dialogs.empty()) {
        std::cerr << strInput << ": no dialog\n";
        return 1;
    }
    std::vector<std::string> headers(argv + 3, argv + argc);
    const size_t nSlash = strInput.find_last_of("/\\");
    const std::string strName =
        nSlash == std::string::npos ? strInput : strInput.substr(nSlash + 1);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << Generate(dialogs, strName, headers);
    out.close();
    if (!out) {
        std::cerr << argv[2] << ": cannot write\n";
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
