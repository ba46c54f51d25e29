// What every view of the studio shows of the model, worked out once: the
// state line of a recording's row and of the merge's, the rows of the block
// table, and the pictures (drawn on a CCanvasRecording, which a view
// replays on its own canvas).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "CanvasRecording.h"
#include "Studio.h"
#include "StudioTexts.h"

// "decoding 40 %", "decoded: 3 × 1600 B, 2 failed", with the problem after
// a dash.
std::string RecordingStateText(const SRecordingRow& row, EStudioLanguage eLanguage);
std::string MergedStateText(const SMerged& merged, EStudioLanguage eLanguage);

// A row of the block table: start, name, bytes, failed bytes, speed.
using SBlockRowText = std::array<std::string, 5>;
std::vector<SBlockRowText> BlockRows(const SDecoded& decoded);
std::vector<SBlockRowText> BlockRows(const SMerged& merged);

CCanvasRecording TapeMapPicture(const SDecoded& decoded);
CCanvasRecording TapeMapPicture(const SLiveMap& live);
CCanvasRecording HistogramPicture(const SDecoded& decoded);
// The signal around the first failed byte near block nBlock; empty when it
// has none. strWhen: where on the tape that is.
CCanvasRecording SignalPicture(const SDecoded& decoded, size_t nBlock, std::string& strWhen);

struct SStripPicture {
    std::string m_strName;
    CCanvasRecording m_picture;
};
// Which take gave which bytes, for each merged block (at most kMaxStrips).
std::vector<SStripPicture> MergeStripPictures(const SMerged& merged);
