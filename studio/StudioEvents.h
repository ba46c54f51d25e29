// What the studio tells its views, and the queue that tells them in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TapeLog.h"

// Why a recording, a merge or a save has a problem; the views say it in
// their language (StudioTexts.h) with the detail after it.
enum class EStudioProblem {
    kNone,
    kCannotOpen,      // the recording cannot be read (detail: the system's reason)
    kReadPartWay,     // reading failed part way; the bytes before are kept
    kTooFewTakes,     // a merge needs two decoded takes
    kDifferentTapes,  // the takes share no block
    kTakeUnmatched,   // a take shares no block with the others (detail: its path)
    kMergeFailed,     // any other reason a merge did not happen
    kNothingToSave,   // nothing decoded or merged yet
    kCannotWrite,     // a file could not be written (detail: which and why)
    kCannotRecord,    // the sound card failed (detail: why); what was captured is kept
};

// The blocks and failed bytes found so far, while a recording is decoded.
struct SLiveMap {
    double m_dSeconds = 0.0;  // the recording's length, 0 when unknown
    std::vector<STapeBlock> m_blocks;
    std::vector<STapeFailure> m_failures;
};

// The input while recording from the sound card, for the level meter.
struct SStudioLevel {
    double m_dSeconds = 0.0;      // audio taken so far
    double m_dPeakDbfs = -120.0;  // the last reading's peak, dB below full scale
    bool m_bClipped = false;
};

struct SStudioEvent {
    enum class EKind {
        kAdded,            // a recording was added (m_nRecording)
        kRemoved,          // a recording was removed
        kDecodeStarted,    // its decoding started on the worker
        kProgress,         // m_dProgress, m_pLive, m_level (recording): decoding goes on
        kBlockFound,       // a block started (m_pLive has it last)
        kDecodeFinished,   // decoded; m_eProblem kReadPartWay when it stopped early
        kDecodeFailed,     // could not be read: m_eProblem, m_strDetail; what it had stays
        kDecodeCancelled,  // cancelled; what it had stays
        kMergeStarted,
        kMerged,       // the takes were merged
        kMergeFailed,  // m_eProblem, m_strDetail
        kSaved,        // m_strDetail: the file or folder written
        kSaveFailed,   // m_eProblem, m_strDetail
    };
    EKind m_eKind = EKind::kAdded;
    uint32_t m_nRecording = 0;  // the recording's id, where the event is about one
    double m_dProgress = 0.0;   // 0 to 1
    EStudioProblem m_eProblem = EStudioProblem::kNone;
    std::string m_strDetail;
    std::shared_ptr<const SLiveMap> m_pLive;
    SStudioLevel m_level;
};

// What a view implements. Events come one at a time, in the order they
// happened, on whichever thread made them (the worker's, or the caller's):
// a view passes them on to its own thread as it likes.
class CStudioObserver {
public:
    virtual ~CStudioObserver() = default;
    virtual void OnStudioEvent(const SStudioEvent& event) = 0;
};

// Delivers posted events in the order posted, never two at once: a thread
// that posts while another delivers leaves its event to that one. An
// observer may post (call the studio) from within its handler.
class CEventQueue {
public:
    explicit CEventQueue(CStudioObserver& observer) : m_observer(observer) {}
    void Post(SStudioEvent event);
    // Returns once every event posted so far has been delivered.
    void Flush();

private:
    CStudioObserver& m_observer;
    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::deque<SStudioEvent> m_events;
    bool m_bDelivering = false;
};
