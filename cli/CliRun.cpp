#include "CliRun.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BlockName.h"
#include "ClassicDecoder.h"
#include "CliOwner.h"
#include "ConversionRun.h"
#include "HtmlReport.h"
#include "JsonLines.h"
#include "RobustDecoder.h"
#include "TextJoin.h"
#include "TextSink.h"

namespace {

// The decoder of a run, with what the report says of it.
struct SDecoderChoice {
    std::unique_ptr<CTapeReader> m_pReader;
    std::unique_ptr<CTapeDecoder> m_pDecoder;
    CRobustDecoder* m_pRobust = nullptr;  // the decoder, when it is the robust one
};

SDecoderChoice ChooseDecoder(const SRunOptions& options, bool bReport) {
    SDecoderChoice choice;
    if (options.m_bRobust) {
        auto pRobust = std::make_unique<CRobustDecoder>();
        pRobust->SetChannel(options.m_nChannel);
        choice.m_pRobust = pRobust.get();
        choice.m_pDecoder = std::move(pRobust);
    } else {
        choice.m_pReader = std::make_unique<CTapeReader>();
        auto pClassic = std::make_unique<CClassicDecoder>(*choice.m_pReader);
        // The half-periods are measured for the report only: it costs time.
        pClassic->SetMeasuring(bReport);
        choice.m_pDecoder = std::move(pClassic);
    }
    return choice;
}

std::string DecoderText(const SRunOptions& options, const CTapeDecoder& decoder) {
    if (!options.m_bRobust) {
        return "classic (44,100-tick clock)";
    }
    const auto& robust = static_cast<const CRobustDecoder&>(decoder);
    return Join({"robust, channel ", std::to_string(robust.Channel())});
}

bool WriteReport(const SRunPlan& plan, const SRunOptions& options, const CTapeDecoder& decoder,
                 const CCliOwner& owner) {
    const CTapeLog& log = decoder.GetLog();
    SReportFacts facts;
    facts.m_strPath = EscapeControls(plan.m_strRecording);
    facts.m_format = decoder.GetFormat();
    facts.m_strDecoder = DecoderText(options, decoder);
    facts.m_strResult = owner.GetStatusText();
    for (const STapeBlock& block : log.Blocks()) {
        facts.m_names.push_back(owner.PresentRecordName(RawRecordName(block)));
    }
    if (WriteTextFile(plan.m_strReport, MakeHtmlReport(log, facts))) {
        return true;
    }
    std::fprintf(stderr, "tavro-tape-cli: the report could not be written: %s\n",
                 EscapeControls(plan.m_strReport).c_str());
    return false;
}

}  // namespace

int RunRecording(const SRunPlan& plan, const SRunOptions& options) {
    const bool bReport = !plan.m_strReport.empty();
    SDecoderChoice choice = ChooseDecoder(options, bReport);
    CTapeDecoder& decoder = *choice.m_pDecoder;

    CLineSink lineSink(stdout);
    CTerminalSink terminalSink(stdout);
    CJsonLines jsonSink(stdout, plan.m_strRecording, decoder, options.m_bTagPath);
    CTextSink& sink = options.m_bJson       ? static_cast<CTextSink&>(jsonSink)
                      : options.m_bTerminal ? static_cast<CTextSink&>(terminalSink)
                                            : lineSink;
    CCliOwner owner(plan.m_strRecording, sink, plan.m_strOutput);
    // The robust decoder tells the sink what it finds as it goes: its lost
    // bytes as error lines, or every event of the JSON Lines.
    CRobustDecoder* pRobust = choice.m_pRobust;
    if (pRobust != nullptr) {
        pRobust->SetListener(&sink);
        jsonSink.SetLive(true);
    }
    const ERunResult eResult = RunConversion(owner, decoder);
    if (pRobust != nullptr) {
        pRobust->SetListener(nullptr);
    }
    sink.Finish();

    // Why the recording could not be opened, where the decoder says.
    std::string strReason;
    if (eResult == ERunResult::kWavNotOpened && pRobust != nullptr) {
        strReason = pRobust->FailureText();
        const std::string strName =
            plan.m_strRecording == "-" ? "standard input" : EscapeControls(plan.m_strRecording);
        std::fprintf(stderr, "tavro-tape-cli: %s %s\n", strName.c_str(), strReason.c_str());
    }
    int nExit = eResult == ERunResult::kDone ? 0 : 1;
    if (bReport && !WriteReport(plan, options, decoder, owner)) {
        nExit = 1;
    }
    if (options.m_bJson) {
        jsonSink.FinishRun(decoder.GetLog(), nExit, strReason);
    }
    return nExit;
}
