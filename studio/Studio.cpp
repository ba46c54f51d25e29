#include "Studio.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "NamedBlocks.h"
#include "TakeMerge.h"

// Hands a decode's progress to the views and tells it when to stop.
class CStudio::CJobWatcher : public CDecodeWatcher {
public:
    CJobWatcher(CStudio& studio, uint32_t nId, uint64_t nEpoch)
        : m_studio(studio), m_nId(nId), m_nEpoch(nEpoch) {}

    void OnProgress(double dShare, std::shared_ptr<const SLiveMap> pLive, bool bNewBlock) override {
        {
            std::lock_guard lock(m_studio.m_mutex);
            if (SRecordingRow* pRow = m_studio.Find(m_nId)) {
                pRow->m_dProgress = dShare;
                pRow->m_pLive = pLive;
            }
        }
        SStudioEvent event;
        event.m_eKind =
            bNewBlock ? SStudioEvent::EKind::kBlockFound : SStudioEvent::EKind::kProgress;
        event.m_nRecording = m_nId;
        event.m_dProgress = dShare;
        event.m_pLive = std::move(pLive);
        m_studio.m_events.Post(std::move(event));
    }
    bool IsCancelled() const override { return m_studio.m_nEpoch.load() != m_nEpoch; }

private:
    CStudio& m_studio;
    uint32_t m_nId;
    uint64_t m_nEpoch;
};

namespace {

SStudioEvent Event(SStudioEvent::EKind eKind, uint32_t nId,
                   EStudioProblem eProblem = EStudioProblem::kNone, std::string strDetail = {}) {
    SStudioEvent event;
    event.m_eKind = eKind;
    event.m_nRecording = nId;
    event.m_eProblem = eProblem;
    event.m_strDetail = std::move(strDetail);
    return event;
}

}  // namespace

CStudio::CStudio(CStudioObserver& observer) : m_events(observer) {}

CStudio::~CStudio() {
    Cancel();
    m_worker.WaitIdle();
}

SRecordingRow* CStudio::Find(uint32_t nId) {
    const auto it = std::find_if(m_recordings.begin(), m_recordings.end(),
                                 [nId](const SRecordingRow& row) { return row.m_nId == nId; });
    return it == m_recordings.end() ? nullptr : &*it;
}

uint32_t CStudio::AddRecording(const std::string& strPath) {
    uint32_t nId = 0;
    {
        std::lock_guard lock(m_mutex);
        nId = m_nNextId++;
        SRecordingRow row;
        row.m_nId = nId;
        row.m_strPath = strPath;
        m_recordings.push_back(std::move(row));
    }
    m_events.Post(Event(SStudioEvent::EKind::kAdded, nId));
    return nId;
}

void CStudio::RemoveRecording(uint32_t nId) {
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_recordings, [nId](const SRecordingRow& row) { return row.m_nId == nId; });
    }
    m_events.Post(Event(SStudioEvent::EKind::kRemoved, nId));
}

void CStudio::SetTake(uint32_t nId, bool bTake) {
    std::lock_guard lock(m_mutex);
    if (SRecordingRow* pRow = Find(nId)) {
        pRow->m_bTake = bTake;
    }
}

void CStudio::Decode(uint32_t nId) {
    std::string strPath;
    {
        std::lock_guard lock(m_mutex);
        SRecordingRow* pRow = Find(nId);
        if (pRow == nullptr || pRow->m_bWaiting) {
            return;
        }
        pRow->m_bWaiting = true;
        strPath = pRow->m_strPath;
    }
    const EStudioDecoder eDecoder = m_eDecoder.load();
    const uint64_t nEpoch = m_nEpoch.load();
    m_worker.Add(
        [this, nId, strPath, eDecoder, nEpoch] { RunDecode(nId, strPath, eDecoder, nEpoch); });
}

void CStudio::DecodeAll() {
    std::vector<uint32_t> ids;
    {
        std::lock_guard lock(m_mutex);
        for (const SRecordingRow& row : m_recordings) {
            if (row.m_pDecoded == nullptr && !row.m_bWaiting) {
                ids.push_back(row.m_nId);
            }
        }
    }
    for (const uint32_t nId : ids) {
        Decode(nId);
    }
}

void CStudio::Cancel() {
    ++m_nEpoch;
}

void CStudio::RunDecode(uint32_t nId, std::string strPath, EStudioDecoder eDecoder,
                        uint64_t nEpoch) {
    SDecodeOutcome outcome;
    outcome.m_eEnd = SDecodeOutcome::EEnd::kCancelled;
    if (m_nEpoch.load() == nEpoch) {
        {
            std::lock_guard lock(m_mutex);
            if (SRecordingRow* pRow = Find(nId)) {
                pRow->m_bDecoding = true;
                pRow->m_dProgress = 0.0;
            }
        }
        m_events.Post(Event(SStudioEvent::EKind::kDecodeStarted, nId));
        CJobWatcher watcher(*this, nId, nEpoch);
        try {
            outcome = DecodeRecording(strPath, eDecoder, watcher);
        } catch (const std::exception& error) {
            outcome.m_eEnd = SDecodeOutcome::EEnd::kCannotOpen;
            outcome.m_strDetail = error.what();
        }
    }
    FinishJob(nId, outcome, EStudioProblem::kNone, {});
}

void CStudio::FinishJob(uint32_t nId, const SDecodeOutcome& outcome, EStudioProblem eProblem,
                        const std::string& strDetail) {
    SStudioEvent event = Event(SStudioEvent::EKind::kDecodeCancelled, nId);
    {
        std::lock_guard lock(m_mutex);
        SRecordingRow* pRow = Find(nId);
        if (pRow == nullptr) {
            return;  // removed meanwhile
        }
        pRow->m_bWaiting = false;
        pRow->m_bDecoding = false;
        pRow->m_bRecording = false;
        pRow->m_bCancelled = false;
        pRow->m_pLive = nullptr;
        switch (outcome.m_eEnd) {
            case SDecodeOutcome::EEnd::kDecoded:
                pRow->m_pDecoded = outcome.m_pDecoded;
                pRow->m_dProgress = 1.0;
                pRow->m_eProblem = outcome.m_pDecoded->m_bReadToEnd ? EStudioProblem::kNone
                                                                    : EStudioProblem::kReadPartWay;
                pRow->m_strDetail.clear();
                event = Event(SStudioEvent::EKind::kDecodeFinished, nId, pRow->m_eProblem);
                event.m_dProgress = 1.0;
                break;
            case SDecodeOutcome::EEnd::kCannotOpen:
                pRow->m_eProblem = EStudioProblem::kCannotOpen;
                pRow->m_strDetail = outcome.m_strDetail;
                event = Event(SStudioEvent::EKind::kDecodeFailed, nId, pRow->m_eProblem,
                              outcome.m_strDetail);
                break;
            case SDecodeOutcome::EEnd::kCancelled:
                pRow->m_bCancelled = true;
                break;
        }
        if (eProblem != EStudioProblem::kNone) {
            pRow->m_eProblem = eProblem;
            pRow->m_strDetail = strDetail;
            event.m_eProblem = eProblem;
            event.m_strDetail = strDetail;
        }
    }
    m_events.Post(std::move(event));
}

uint32_t CStudio::Record(const SStudioRecording& settings) {
    const uint32_t nId = AddRecording(settings.m_strKeep);
    auto pStop = std::make_shared<std::atomic<bool>>(false);
    {
        std::lock_guard lock(m_mutex);
        if (SRecordingRow* pRow = Find(nId)) {
            pRow->m_bWaiting = true;
        }
        m_stops.push_back(pStop);
    }
    const uint64_t nEpoch = m_nEpoch.load();
    m_worker.Add([this, nId, settings, pStop, nEpoch] { RunRecord(nId, settings, pStop, nEpoch); });
    return nId;
}

void CStudio::StopRecording() {
    std::lock_guard lock(m_mutex);
    for (const std::shared_ptr<std::atomic<bool>>& pStop : m_stops) {
        pStop->store(true);
    }
    m_stops.clear();
}

uint32_t CStudio::RecordAgain(const SStudioRecording& settings) {
    StopRecording();
    SStudioRecording next = settings;
    next.m_bMergeAfter = true;
    return Record(next);
}

uint32_t CStudio::RecordTake(const SStudioRecording& settings) {
    return IsRecording() ? RecordAgain(settings) : Record(settings);
}

bool CStudio::IsRecording() const {
    std::lock_guard lock(m_mutex);
    return !m_stops.empty();
}

// The level meter's readings: into the row, and out as progress.
class CStudio::CLevelPoster : public CStudioLevelWatcher {
public:
    CLevelPoster(CStudio& studio, uint32_t nId) : m_studio(studio), m_nId(nId) {}
    void OnLevel(const SStudioLevel& level) override {
        SStudioEvent event = Event(SStudioEvent::EKind::kProgress, m_nId);
        {
            std::lock_guard lock(m_studio.m_mutex);
            if (SRecordingRow* pRow = m_studio.Find(m_nId)) {
                pRow->m_level = level;
                event.m_pLive = pRow->m_pLive;
            }
        }
        event.m_level = level;
        m_studio.m_events.Post(std::move(event));
    }

private:
    CStudio& m_studio;
    uint32_t m_nId;
};

void CStudio::RunRecord(uint32_t nId, SStudioRecording settings,
                        std::shared_ptr<std::atomic<bool>> pStop, uint64_t nEpoch) {
    SRecordOutcome outcome;
    outcome.m_decode.m_eEnd = SDecodeOutcome::EEnd::kCancelled;
    if (m_nEpoch.load() == nEpoch && !pStop->load()) {
        {
            std::lock_guard lock(m_mutex);
            if (SRecordingRow* pRow = Find(nId)) {
                pRow->m_bDecoding = true;
                pRow->m_bRecording = true;
                pRow->m_dProgress = 0.0;
            }
        }
        m_events.Post(Event(SStudioEvent::EKind::kDecodeStarted, nId));
        CJobWatcher watcher(*this, nId, nEpoch);
        CLevelPoster level(*this, nId);
        try {
            outcome = RecordAndDecode(settings, *pStop, watcher, level);
        } catch (const std::exception& error) {
            outcome.m_decode.m_eEnd = SDecodeOutcome::EEnd::kCannotOpen;
            outcome.m_strFailure = error.what();
        }
    }
    {
        std::lock_guard lock(m_mutex);
        std::erase(m_stops, pStop);
    }
    FinishJob(nId, outcome.m_decode,
              outcome.m_strFailure.empty() ? EStudioProblem::kNone : EStudioProblem::kCannotRecord,
              outcome.m_strFailure);
    if (settings.m_bMergeAfter && outcome.m_decode.m_eEnd == SDecodeOutcome::EEnd::kDecoded) {
        RunMerge(nEpoch);
    }
}

void CStudio::Merge() {
    const uint64_t nEpoch = m_nEpoch.load();
    m_worker.Add([this, nEpoch] { RunMerge(nEpoch); });
}

void CStudio::RunMerge(uint64_t nEpoch) {
    if (m_nEpoch.load() != nEpoch) {
        return;
    }
    m_events.Post(Event(SStudioEvent::EKind::kMergeStarted, 0));
    auto pMerged = std::make_shared<SMerged>();
    std::vector<std::shared_ptr<const SDecoded>> decodes;
    {
        std::lock_guard lock(m_mutex);
        for (const SRecordingRow& row : m_recordings) {
            if (row.m_bTake && row.m_pDecoded != nullptr) {
                pMerged->m_takes.push_back(row.m_nId);
                pMerged->m_paths.push_back(row.m_strPath);
                pMerged->m_formats.push_back(row.m_pDecoded->m_format);
                decodes.push_back(row.m_pDecoded);
            }
        }
    }
    if (decodes.size() < 2) {
        m_events.Post(Event(SStudioEvent::EKind::kMergeFailed, 0, EStudioProblem::kTooFewTakes));
        return;
    }
    std::vector<const CTapeLog*> logs;
    for (const auto& pDecoded : decodes) {
        logs.push_back(&pDecoded->m_log);
    }
    SMergeResult result;
    try {
        result = MergeTakes(logs);
    } catch (const std::exception& error) {
        m_events.Post(Event(SStudioEvent::EKind::kMergeFailed, 0, EStudioProblem::kMergeFailed,
                            error.what()));
        return;
    }
    switch (result.m_eStatus) {
        case EMergeStatus::kMerged:
            break;
        case EMergeStatus::kNoCommonBlock:
            m_events.Post(
                Event(SStudioEvent::EKind::kMergeFailed, 0, EStudioProblem::kDifferentTapes));
            return;
        case EMergeStatus::kTakeUnmatched:
            m_events.Post(Event(SStudioEvent::EKind::kMergeFailed, 0,
                                EStudioProblem::kTakeUnmatched,
                                pMerged->m_paths.at(result.m_nTake)));
            return;
        default:
            m_events.Post(
                Event(SStudioEvent::EKind::kMergeFailed, 0, EStudioProblem::kMergeFailed));
            return;
    }
    pMerged->m_named = NamedBlocks(result.m_blocks);
    pMerged->m_blocks = std::move(result.m_blocks);
    {
        std::lock_guard lock(m_mutex);
        m_pMerged = std::move(pMerged);
    }
    m_events.Post(Event(SStudioEvent::EKind::kMerged, 0));
}

void CStudio::WaitIdle() {
    m_worker.WaitIdle();
    m_events.Flush();
}

std::vector<SRecordingRow> CStudio::Recordings() const {
    std::lock_guard lock(m_mutex);
    return m_recordings;
}

std::optional<SRecordingRow> CStudio::Recording(uint32_t nId) const {
    std::lock_guard lock(m_mutex);
    for (const SRecordingRow& row : m_recordings) {
        if (row.m_nId == nId) {
            return row;
        }
    }
    return std::nullopt;
}

std::shared_ptr<const SMerged> CStudio::Merged() const {
    std::lock_guard lock(m_mutex);
    return m_pMerged;
}
