#include "ReportPage.h"

#include "HtmlEscape.h"
#include "ReportStyle.h"
#include "TextJoin.h"
#include "Version.h"

namespace {

// Nothing but the inline style sheet may load: no script, no file, no network.
constexpr const char* kPolicy = "default-src 'none'; style-src 'unsafe-inline'";

}  // namespace

std::string ReportPageHead(const std::string& strTitle, const std::string& strPath) {
    const std::string strEscapedPath = HtmlEscape(strPath);
    std::string str = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    str += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    str += Join({"<meta http-equiv=\"Content-Security-Policy\" content=\"", kPolicy, "\">\n"});
    str += Join({"<title>", HtmlEscape(strTitle), ": ", strEscapedPath, "</title>\n<style>",
                 kReportStyle, "</style>\n</head>\n<body>\n<main>\n"});
    str +=
        Join({"<h1>", HtmlEscape(strTitle), "</h1>\n<p class=\"path\">", strEscapedPath, "</p>\n"});
    return str;
}

std::string ReportPageFoot() {
    return "</main>\n<footer>tavro-tape " TAVRO_VERSION_STRING "</footer>\n</body>\n</html>\n";
}

std::string SummaryItem(const std::string& strLabel, const std::string& strValue, bool bBad) {
    return Join({"<div><dt>", strLabel, "</dt><dd", bBad ? " class=\"bad\"" : "", ">", strValue,
                 "</dd></div>\n"});
}

std::string RecordingFormatText(const SRecordingFormat& format) {
    std::string str = Join(
        {std::to_string(format.m_nRate), " Hz \xC2\xB7 ", std::to_string(format.m_nBits), " bit"});
    if (format.m_nChannels > 0) {
        str += Join({" \xC2\xB7 ", std::to_string(format.m_nChannels),
                     format.m_nChannels == 1 ? " channel" : " channels"});
    }
    return str;
}
