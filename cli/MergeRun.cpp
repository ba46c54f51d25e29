#include "MergeRun.h"

#include <cstdio>
#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CliOwner.h"
#include "ConversionRun.h"
#include "Cp1250.h"
#include "FileOpen.h"
#include "HtmlReport.h"
#include "JsonLines.h"
#include "MergeReport.h"
#include "Messages.h"
#include "NamedBlocks.h"
#include "RobustDecoder.h"
#include "TakeMerge.h"
#include "TakeTrust.h"
#include "TextJoin.h"
#include "TextSink.h"

namespace {

using CJson = nlohmann::ordered_json;

// A take's own bytes are not written anywhere: the merge takes them from
// its log.
#ifdef _WIN32
constexpr const char* kNoOutput = "NUL";
#else
constexpr const char* kNoOutput = "/dev/null";
#endif

// Decodes one take with its usual lines; false when it could not be read
// to its end.
bool DecodeTake(const std::string& strPath, const SRunOptions& options, CTapeLog& log,
                SRecordingFormat& format) {
    CRobustDecoder decoder;
    decoder.SetChannel(options.m_nChannel);
    decoder.GetLog().SetKeepEvidence(true);
    CLineSink lineSink(stdout);
    CTerminalSink terminalSink(stdout);
    CJsonLines jsonSink(stdout, strPath, decoder, true);
    CTextSink& sink = options.m_bJson       ? static_cast<CTextSink&>(jsonSink)
                      : options.m_bTerminal ? static_cast<CTextSink&>(terminalSink)
                                            : lineSink;
    CCliOwner owner(strPath, sink, kNoOutput);
    CErrorLines errors(sink);
    if (!options.m_bJson) {
        decoder.GetLog().SetListener(&errors);
    }
    const ERunResult eResult = RunConversion(owner, decoder);
    decoder.GetLog().SetListener(nullptr);
    sink.Finish();
    const bool bRead = eResult == ERunResult::kDone;
    if (options.m_bJson) {
        jsonSink.FinishRun(decoder.GetLog(), bRead ? 0 : 1);
    }
    log = std::move(decoder.GetLog());
    format = decoder.GetFormat();
    return bRead;
}

std::string Reason(const SMergeResult& result, const std::vector<std::string>& takes) {
    switch (result.m_eStatus) {
        case EMergeStatus::kTooFewTakes:
            return "--merge needs two takes or more";
        case EMergeStatus::kTooManyTakes:
            return "--merge takes 255 takes at most";
        case EMergeStatus::kNoCommonBlock:
            return "the takes share no block: they hold different tapes";
        case EMergeStatus::kNoEvidence:
            return Join({"take ", std::to_string(result.m_nTake + 1), " kept no evidence"});
        case EMergeStatus::kTakeUnmatched:
            return Join({"take ", std::to_string(result.m_nTake + 1), " (",
                         EscapeControls(takes[result.m_nTake]),
                         ") shares no block with the other takes"});
        case EMergeStatus::kMerged:
            break;
    }
    return {};
}

ERunResult WriteMerged(const std::string& strPath, const SMergeResult& result) {
    std::FILE* pOut = OpenFileUtf8(strPath, "wb");
    if (pOut == nullptr) {
        return ERunResult::kOutputNotOpened;
    }
    bool bWritten = true;
    for (const SMergedBlock& block : result.m_blocks) {
        bWritten = bWritten && std::fwrite(block.m_bytes.data(), 1, block.m_bytes.size(), pOut) ==
                                   block.m_bytes.size();
    }
    return std::fclose(pOut) == 0 && bWritten ? ERunResult::kDone : ERunResult::kWriteError;
}

// The block's record name as the status line shows it, or its number.
std::string BlockName(const SMergedBlock& block, size_t nIndex, const CCliOwner& owner) {
    const std::string strName = owner.PresentRecordName(block.m_strName);
    return strName.empty() ? Join({"block ", std::to_string(nIndex + 1)}) : strName;
}

// NAME: N bytes, K from take 1, ..., D disagreements, U missing[, S set aside]
std::string MergeLine(const SMergedBlock& block, size_t nIndex, const CCliOwner& owner) {
    std::string strLine = Join(
        {BlockName(block, nIndex, owner), ": ", std::to_string(block.m_bytes.size()), " bytes"});
    for (size_t t = 0; t < block.m_fromTake.size(); ++t) {
        strLine +=
            Join({", ", std::to_string(block.m_fromTake[t]), " from take ", std::to_string(t + 1)});
    }
    strLine += Join({", ", std::to_string(block.m_disagreements.size()), " disagreements, ",
                     std::to_string(block.m_nMissing), " missing"});
    const size_t nSetAside = block.TakesSetAside();
    return nSetAside == 0 ? strLine
                          : Join({strLine, ", ", std::to_string(nSetAside), " set aside"});
}

void WriteJson(CJson& event) {
    const std::string strLine = event.dump(-1, ' ', false, CJson::error_handler_t::replace);
    std::fwrite(strLine.data(), 1, strLine.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void ShowMergeJson(const SMergeResult& result) {
    try {
        for (size_t k = 0; k < result.m_blocks.size(); ++k) {
            const SMergedBlock& block = result.m_blocks[k];
            CJson event;
            event["event"] = "merge";
            event["index"] = k;
            event["name"] = Cp1250ToUtf8(block.m_strName);
            event["bytes"] = block.m_bytes.size();
            event["from"] = block.m_fromTake;
            event["disagreements"] = block.m_disagreements.size();
            event["missing"] = block.m_nMissing;
            std::vector<size_t> setAside;  // the takes set aside, counted from 1
            for (size_t t = 0; t < block.m_setAside.size(); ++t) {
                if (block.m_setAside[t] >= 0) {
                    setAside.push_back(t + 1);
                }
            }
            event["set_aside"] = setAside;
            WriteJson(event);
        }
    } catch (const std::exception&) {
        // Only memory can run out here; the lines are left out.
    }
}

void ShowEndJson(const std::string& strStatus, uint64_t nBytes, int nExit) {
    try {
        CJson event;
        event["event"] = "end";
        event["status"] = strStatus;
        event["bytes"] = nBytes;
        event["exit"] = nExit;
        WriteJson(event);
    } catch (const std::exception&) {
        // As above.
    }
}

bool WriteMergeReport(const std::string& strReport, const std::vector<std::string>& takes,
                      const std::vector<SRecordingFormat>& formats, const SMergeResult& result,
                      const CCliOwner& owner, const std::string& strStatus) {
    SMergeReportFacts facts;
    for (size_t t = 0; t < takes.size(); ++t) {
        facts.m_takes.push_back({EscapeControls(takes[t]), formats[t]});
    }
    facts.m_strResult = strStatus;
    for (size_t t = 0; t < result.m_weights.size(); ++t) {
        if (result.m_weights[t] < kTrustedWeight) {
            facts.m_lessTrusted.push_back(t);
        }
    }
    for (size_t k = 0; k < result.m_blocks.size(); ++k) {
        facts.m_names.push_back(BlockName(result.m_blocks[k], k, owner));
    }
    if (WriteTextFile(strReport, MakeMergeReport(result.m_blocks, facts))) {
        return true;
    }
    std::fprintf(stderr, "tavro-tape-cli: the report could not be written: %s\n",
                 EscapeControls(strReport).c_str());
    return false;
}

// Shows why nothing was merged, on standard error (and as the end event).
int Refuse(const std::string& strReason, const SRunOptions& options) {
    std::fprintf(stderr, "tavro-tape-cli: %s; nothing was merged\n", strReason.c_str());
    if (options.m_bJson) {
        ShowEndJson(strReason, 0, 1);
    }
    return 1;
}

}  // namespace

int RunMerge(const std::vector<std::string>& takes, const std::string& strOutput,
             const std::string& strReport, const std::string& strSplit,
             const SRunOptions& options) {
    std::vector<CTapeLog> logs(takes.size());
    std::vector<SRecordingFormat> formats(takes.size());
    for (size_t t = 0; t < takes.size(); ++t) {
        if (!DecodeTake(takes[t], options, logs[t], formats[t])) {
            return Refuse(Join({"take ", std::to_string(t + 1), " (", EscapeControls(takes[t]),
                                ") could not be read to its end"}),
                          options);
        }
    }
    std::vector<const CTapeLog*> pointers;
    for (const CTapeLog& log : logs) {
        pointers.push_back(&log);
    }
    const SMergeResult result = MergeTakes(pointers);
    if (result.m_eStatus != EMergeStatus::kMerged) {
        return Refuse(Reason(result, takes), options);
    }
    CLineSink lineSink(stdout);
    CTerminalSink terminalSink(stdout);
    CTextSink& sink = options.m_bTerminal ? static_cast<CTextSink&>(terminalSink) : lineSink;
    const CCliOwner owner(takes.front(), sink, strOutput);
    uint64_t nBytes = 0;
    for (size_t k = 0; k < result.m_blocks.size(); ++k) {
        nBytes += result.m_blocks[k].m_bytes.size();
        if (!options.m_bJson) {
            const std::string strLine =
                Join({"merge: ", MergeLine(result.m_blocks[k], k, owner), "\n"});
            std::fwrite(strLine.data(), 1, strLine.size(), stdout);
        }
    }
    if (options.m_bJson) {
        ShowMergeJson(result);
    }
    const ERunResult eResult = WriteMerged(owner.GetOutputPath(), result);
    const char* szStatus = eResult == ERunResult::kDone              ? Messages::kDone
                           : eResult == ERunResult::kOutputNotOpened ? Messages::kOutputNotOpened
                                                                     : Messages::kWriteError;
    int nExit = eResult == ERunResult::kDone ? 0 : 1;
    if (!strSplit.empty() && !WriteSplit(strSplit, NamedBlocks(result.m_blocks))) {
        nExit = 1;
    }
    if (!strReport.empty() &&
        !WriteMergeReport(strReport, takes, formats, result, owner, szStatus)) {
        nExit = 1;
    }
    if (options.m_bJson) {
        ShowEndJson(szStatus, nBytes, nExit);
    } else {
        sink.ShowStatus(szStatus);
        sink.Finish();
    }
    return nExit;
}
