// The report of a merge of takes: one self-contained HTML page (inline SVG
// and CSS, no script, nothing fetched) with the takes, the merged total and
// the result, the table of the merged blocks (bytes, bytes from each take,
// disagreements, missing bytes) and a strip per block showing which take
// gave which bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "MergedBlock.h"
#include "TapeDecoder.h"

struct SMergeTakeFacts {
    std::string m_strPath;  // as the file line shows it (UTF-8)
    SRecordingFormat m_format;
};

struct SMergeReportFacts {
    std::vector<SMergeTakeFacts> m_takes;
    std::string m_strResult;            // the merge's status text
    std::vector<std::string> m_names;   // each merged block's name, as the merge line shows it
    std::vector<size_t> m_lessTrusted;  // the takes (0-based) that counted for less in the votes
};

// Blocks past this many are counted in the table but get no strip.
inline constexpr size_t kMaxStrips = 200;

std::string MakeMergeReport(const std::vector<SMergedBlock>& blocks,
                            const SMergeReportFacts& facts);
