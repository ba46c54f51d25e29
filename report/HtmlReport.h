// The tape report: one self-contained HTML page (inline SVG and CSS, no
// script, nothing fetched) made from a decoder's log and the facts of the
// run. It shows a summary, a map of the recording, the table of the blocks,
// the histogram of the half-periods with the class boundaries, and the
// signal around the first failed bytes.
#pragma once

#include <string>
#include <vector>

#include "TapeDecoder.h"
#include "TapeLog.h"

struct SReportFacts {
    std::string m_strPath;  // the recording, as the file line shows it (UTF-8)
    SRecordingFormat m_format;
    std::string m_strDecoder;          // the decoder, in words
    std::string m_strResult;           // the run's last status text
    std::vector<std::string> m_names;  // each block's record name, as the status line shows it
};

std::string MakeHtmlReport(const CTapeLog& log, const SReportFacts& facts);

// Writes strText to the file at strPath (UTF-8); false when it could not be
// written whole.
bool WriteTextFile(const std::string& strPath, const std::string& strText);
