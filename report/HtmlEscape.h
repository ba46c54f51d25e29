// Text for an HTML page or an inline SVG picture.
#pragma once

#include <string>
#include <string_view>

// strText (UTF-8) as HTML text or attribute value: & < > " ' become
// character references, and control characters other than tab and line
// feed become U+FFFD, so that nothing in it can end an element or an
// attribute, or break the page.
std::string HtmlEscape(std::string_view strText);
