#include "StudioShow.h"

#include <algorithm>
#include <cstdio>

#include "BlockTable.h"
#include "HistogramPlot.h"
#include "MergeReport.h"
#include "MergeStrip.h"
#include "SignalPlot.h"
#include "TapeMap.h"
#include "TapeTime.h"

namespace {

constexpr const char* kTimes = "\xC3\x97";  // ×
constexpr const char* kDash = " \xE2\x80\x94 ";

// "decoded: 3 × 1600 B, 2 failed"
std::string CountsText(const char* pszState, size_t nBlocks, size_t nBytes, size_t nFailed,
                       const char* pszFailed) {
    return std::string(pszState) + ": " + std::to_string(nBlocks) + " " + kTimes + " " +
           std::to_string(nBytes) + " B, " + std::to_string(nFailed) + " " + pszFailed;
}

std::string SpeedText(double dSpeed) {
    if (dSpeed <= 0.0) {
        return {};
    }
    char szSpeed[32];
    std::snprintf(szSpeed, sizeof(szSpeed), "%.1f %%", dSpeed * 100.0);
    return szSpeed;
}

}  // namespace

std::string RecordingStateText(const SRecordingRow& row, EStudioLanguage eLanguage) {
    std::string strState;
    if (row.m_bRecording) {
        char szLevel[64];
        std::snprintf(szLevel, sizeof(szLevel), " %s, %.0f dBFS%s",
                      FormatTapeTime(row.m_level.m_dSeconds).c_str(), row.m_level.m_dPeakDbfs,
                      row.m_level.m_bClipped ? " !" : "");
        strState = StudioText(EStudioText::kStateRecording, eLanguage) + std::string(szLevel);
    } else if (row.m_bDecoding) {
        strState = std::string(StudioText(EStudioText::kStateDecoding, eLanguage)) + " " +
                   std::to_string(static_cast<int>(row.m_dProgress * 100.0)) + " %";
    } else if (row.m_bWaiting) {
        strState = StudioText(EStudioText::kStateWaiting, eLanguage);
    } else if (row.m_pDecoded != nullptr) {
        size_t nBytes = 0;
        for (const SNamedBlock& block : row.m_pDecoded->m_blocks) {
            nBytes += block.m_bytes.size();
        }
        strState = CountsText(StudioText(EStudioText::kStateDecoded, eLanguage),
                              row.m_pDecoded->m_blocks.size(), nBytes,
                              row.m_pDecoded->m_log.Failures().size(),
                              StudioText(EStudioText::kFailedBytes, eLanguage));
    } else {
        strState = StudioText(
            row.m_bCancelled ? EStudioText::kStateCancelled : EStudioText::kStateNew, eLanguage);
    }
    if (row.m_eProblem != EStudioProblem::kNone) {
        strState += kDash + ProblemText(row.m_eProblem, row.m_strDetail, eLanguage);
    }
    return strState;
}

std::string MergedStateText(const SMerged& merged, EStudioLanguage eLanguage) {
    size_t nBytes = 0;
    size_t nMissing = 0;
    for (const SMergedBlock& block : merged.m_blocks) {
        nBytes += block.m_bytes.size();
        nMissing += block.m_nMissing;
    }
    return CountsText(StudioText(EStudioText::kMerged, eLanguage), merged.m_blocks.size(), nBytes,
                      nMissing, StudioText(EStudioText::kMissingBytes, eLanguage));
}

std::vector<SBlockRowText> BlockRows(const SDecoded& decoded) {
    const std::vector<STapeBlock>& blocks = decoded.m_log.Blocks();
    std::vector<SBlockRowText> rows;
    for (size_t k = 0; k < std::min(blocks.size(), kMaxTableRows); ++k) {
        const STapeBlock& block = blocks[k];
        rows.push_back({FormatTapeTime(block.m_dStart),
                        k < decoded.m_blocks.size() ? decoded.m_blocks[k].m_strName : "",
                        std::to_string(block.m_nBytes), std::to_string(block.m_nFailures),
                        SpeedText(BlockSpeed(block))});
    }
    return rows;
}

std::vector<SBlockRowText> BlockRows(const SMerged& merged) {
    std::vector<SBlockRowText> rows;
    for (size_t k = 0; k < std::min(merged.m_blocks.size(), kMaxTableRows); ++k) {
        const SMergedBlock& block = merged.m_blocks[k];
        rows.push_back({"", k < merged.m_named.size() ? merged.m_named[k].m_strName : "",
                        std::to_string(block.m_bytes.size()), std::to_string(block.m_nMissing),
                        ""});
    }
    return rows;
}

CCanvasRecording TapeMapPicture(const SDecoded& decoded) {
    std::vector<std::string> names;
    for (const SNamedBlock& block : decoded.m_blocks) {
        names.push_back(block.m_strName);
    }
    CCanvasRecording picture;
    PaintTapeMap(picture, LayOutTapeMap(decoded.m_log, decoded.m_format.m_dSeconds), decoded.m_log,
                 names);
    return picture;
}

CCanvasRecording TapeMapPicture(const SLiveMap& live) {
    const std::vector<std::string> names(live.m_blocks.size());
    CCanvasRecording picture;
    PaintTapeMap(picture, LayOutTapeMap(live.m_blocks, live.m_failures, live.m_dSeconds),
                 live.m_blocks, names);
    return picture;
}

CCanvasRecording HistogramPicture(const SDecoded& decoded) {
    CCanvasRecording picture;
    PaintHistogram(picture, decoded.m_log.Histogram(), decoded.m_log.Bounds());
    return picture;
}

CCanvasRecording SignalPicture(const SDecoded& decoded, size_t nBlock, std::string& strWhen) {
    strWhen.clear();
    CCanvasRecording picture;
    const CTapeLog& log = decoded.m_log;
    if (nBlock >= log.Blocks().size()) {
        return picture;
    }
    const STapeBlock& block = log.Blocks()[nBlock];
    for (const SSignalSnapshot& snapshot : log.Snapshots()) {
        if (snapshot.m_dFailureAt >= block.m_dStart - 1.0 &&
            snapshot.m_dFailureAt <= block.m_dEnd + 1.0) {
            PaintSnapshot(picture, snapshot);
            strWhen = FormatTapeTime(snapshot.m_dFailureAt);
            break;
        }
    }
    return picture;
}

std::vector<SStripPicture> MergeStripPictures(const SMerged& merged) {
    std::vector<SStripPicture> strips;
    for (size_t k = 0; k < std::min(merged.m_blocks.size(), kMaxStrips); ++k) {
        SStripPicture strip;
        strip.m_strName = k < merged.m_named.size() ? merged.m_named[k].m_strName : "";
        PaintMergeStrip(strip.m_picture, LayOutMergeStrip(merged.m_blocks[k]));
        strips.push_back(std::move(strip));
    }
    return strips;
}
