// The frame of a report page: its head (the style sheet and a content
// security policy that lets it load nothing), its footer, and the pieces of
// its summary.
#pragma once

#include <string>

#include "TapeDecoder.h"

// strTitle and strPath as plain text (UTF-8); they are escaped here.
std::string ReportPageHead(const std::string& strTitle, const std::string& strPath);
std::string ReportPageFoot();

// One label and value of a summary; strValue is HTML already.
std::string SummaryItem(const std::string& strLabel, const std::string& strValue,
                        bool bBad = false);

// "44100 Hz · 16 bit · 1 channel"
std::string RecordingFormatText(const SRecordingFormat& format);
