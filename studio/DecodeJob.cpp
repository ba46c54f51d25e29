#include "DecodeJob.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ClassicDecoder.h"
#include "ConversionRun.h"
#include "FileOpen.h"
#include "NamedBlocks.h"
#include "RobustDecoder.h"

namespace {

// The bytes are taken from the log's evidence, not from a file.
#ifdef _WIN32
constexpr const char* kNoOutput = "NUL";
#else
constexpr const char* kNoOutput = "/dev/null";
#endif

class CStudioOwner : public CTapeOwner {
public:
    explicit CStudioOwner(std::string strPath) : m_strPath(std::move(strPath)) {}
    std::string& GetPath() override { return m_strPath; }
    CTapeReader& GetReader() override { return m_reader; }
    std::span<int32_t, kHeaderEntries> GetHeader() override { return m_nHeader; }
    void SetFileText(const std::string&) override {}
    void SetStatusText(const std::string& strUtf8) override { m_strStatus = strUtf8; }
    void Browse() override {}
    std::string GetOutputPath() const override { return kNoOutput; }
    const std::string& Status() const { return m_strStatus; }

private:
    int32_t m_nHeader[kHeaderEntries] = {};
    CTapeReader m_reader;
    std::string m_strPath;
    std::string m_strStatus;
};

// The decoder as the run sees it, watched: after each step the share read
// and the map so far go to the watcher, and once it is cancelled the data
// ends at once. A decoder that tells a listener how far it has come (the
// robust one) moves the progress on between blocks too.
class CWatchedDecoder : public CTapeDecoder, public CDecodeListener {
public:
    CWatchedDecoder(CTapeDecoder& decoder, CDecodeWatcher& watcher)
        : m_decoder(decoder), m_watcher(watcher) {}

    bool Open(const std::string& strPath) override { return m_decoder.Open(strPath); }
    SRecordingFormat GetFormat() const override { return m_decoder.GetFormat(); }
    int32_t FindLeader() override {
        if (Cancelled()) {
            return 0;
        }
        const int32_t nFound = m_decoder.FindLeader();
        Watch();
        return nFound;
    }
    int32_t ReadDataByte() override {
        if (Cancelled()) {
            return -1;
        }
        const int32_t c = m_decoder.ReadDataByte();
        Watch();
        return c;
    }
    bool IsAtEnd() const override { return m_bCancelled || m_decoder.IsAtEnd(); }
    bool HasReadError() const override { return !m_bCancelled && m_decoder.HasReadError(); }
    const CTapeLog& GetLog() const override { return m_decoder.GetLog(); }
    bool WasCancelled() const { return m_bCancelled; }

    void OnProgress(double dPosition, double) override {
        m_dPosition = std::max(m_dPosition, dPosition);
        Watch();
    }

private:
    bool Cancelled() {
        m_bCancelled = m_bCancelled || m_watcher.IsCancelled();
        return m_bCancelled;
    }

    // Reports a new block at once, otherwise every half per cent.
    void Watch() {
        const CTapeLog& log = m_decoder.GetLog();
        const double dSeconds = m_decoder.GetFormat().m_dSeconds;
        double dAt = m_dPosition;
        if (!log.Blocks().empty()) {
            dAt = std::max(dAt, log.Blocks().back().m_dEnd);
        }
        const double dShare = dSeconds > 0.0 ? std::clamp(dAt / dSeconds, 0.0, 1.0) : 0.0;
        const bool bNewBlock = log.Blocks().size() != m_nBlocks;
        if (!bNewBlock && dShare < m_dShareShown + 0.005) {
            return;
        }
        m_nBlocks = log.Blocks().size();
        m_dShareShown = dShare;
        auto pLive = std::make_shared<SLiveMap>();
        pLive->m_dSeconds = dSeconds;
        pLive->m_blocks = log.Blocks();
        pLive->m_failures = log.Failures();
        m_watcher.OnProgress(dShare, std::move(pLive), bNewBlock);
    }

    CTapeDecoder& m_decoder;
    CDecodeWatcher& m_watcher;
    size_t m_nBlocks = 0;
    double m_dShareShown = 0.0;
    double m_dPosition = 0.0;  // s, as the decoder last said
    bool m_bCancelled = false;
};

std::string OpenProblem(const std::string& strPath) {
    errno = 0;
    std::FILE* pFile = OpenFileUtf8(strPath, "rb");
    if (pFile == nullptr) {
        return errno != 0 ? std::strerror(errno) : "cannot be opened";
    }
    std::fclose(pFile);
    return "not a recording the decoder reads";
}

std::vector<uint8_t> EvidenceBytes(const CTapeLog& log) {
    std::vector<uint8_t> bytes;
    for (const SBlockEvidence& evidence : log.Evidence()) {
        for (const SByteEvidence& byte : evidence.m_bytes) {
            bytes.push_back(byte.m_nValue);
        }
    }
    return bytes;
}

}  // namespace

SDecodeOutcome DecodeRecording(const std::string& strPath, EStudioDecoder eDecoder,
                               CDecodeWatcher& watcher) {
    // On the heap: the readers' buffers are large for a thread's stack.
    if (eDecoder == EStudioDecoder::kRobust) {
        const auto pRobust = std::make_unique<CRobustDecoder>();
        return DecodeWith(
            strPath, *pRobust, pRobust->GetLog(), eDecoder, watcher,
            [&pRobust](CDecodeListener* pListener) { pRobust->SetListener(pListener); });
    }
    const auto pReader = std::make_unique<CTapeReader>();
    const auto pClassic = std::make_unique<CClassicDecoder>(*pReader);
    pClassic->SetMeasuring(true);  // the histogram and the signal around failures
    return DecodeWith(strPath, *pClassic, pClassic->GetLog(), eDecoder, watcher);
}

SDecodeOutcome DecodeWith(const std::string& strPath, CTapeDecoder& decoder, CTapeLog& log,
                          EStudioDecoder eDecoder, CDecodeWatcher& watcher,
                          const std::function<void(CDecodeListener*)>& fnListen) {
    const auto pOwner = std::make_unique<CStudioOwner>(strPath);
    CStudioOwner& owner = *pOwner;
    log.SetKeepEvidence(true);
    CWatchedDecoder watched(decoder, watcher);
    if (fnListen) {
        fnListen(&watched);
    }
    const ERunResult eResult = RunConversion(owner, watched);
    if (fnListen) {
        fnListen(nullptr);
    }

    SDecodeOutcome outcome;
    if (eResult == ERunResult::kWavNotOpened) {
        outcome.m_eEnd = SDecodeOutcome::EEnd::kCannotOpen;
        outcome.m_strDetail = OpenProblem(strPath);
        return outcome;
    }
    if (watched.WasCancelled()) {
        outcome.m_eEnd = SDecodeOutcome::EEnd::kCancelled;
        return outcome;
    }
    auto pDecoded = std::make_shared<SDecoded>();
    pDecoded->m_eDecoder = eDecoder;
    pDecoded->m_format = decoder.GetFormat();
    pDecoded->m_strStatus = owner.Status();
    pDecoded->m_bReadToEnd = eResult == ERunResult::kDone;
    pDecoded->m_log = std::move(log);
    pDecoded->m_blocks = NamedBlocks(pDecoded->m_log, EvidenceBytes(pDecoded->m_log));
    outcome.m_pDecoded = std::move(pDecoded);
    return outcome;
}
