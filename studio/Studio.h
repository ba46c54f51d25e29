// The studio's state and work, for any view: the recordings (any of them
// marked as takes of one tape), decoding them one after the other on a
// worker thread with progress and cancel, merging the takes, and saving the
// bytes (one file, or a file per block) and the report. No window system,
// no global state; a view calls it from one thread and hears of every
// change through CStudioObserver.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DecodeJob.h"
#include "MergedBlock.h"
#include "StudioEvents.h"
#include "StudioRecord.h"
#include "TapeDecoder.h"
#include "Worker.h"

// A recording as its row shows it.
struct SRecordingRow {
    uint32_t m_nId = 0;
    std::string m_strPath;  // UTF-8
    bool m_bTake = true;    // merged with the other takes
    bool m_bWaiting = false;
    bool m_bDecoding = false;
    double m_dProgress = 0.0;
    bool m_bCancelled = false;  // the last decode was cancelled
    bool m_bRecording = false;  // from the sound card, now
    SStudioLevel m_level;       // while recording
    // The line in its row: why the last decode failed or stopped early.
    EStudioProblem m_eProblem = EStudioProblem::kNone;
    std::string m_strDetail;
    std::shared_ptr<const SDecoded> m_pDecoded;  // the last whole decode, or null
    std::shared_ptr<const SLiveMap> m_pLive;     // the map so far while decoding
};

// The takes merged into one recovery.
struct SMerged {
    std::vector<uint32_t> m_takes;  // the recordings, in take order
    std::vector<std::string> m_paths;
    std::vector<SRecordingFormat> m_formats;
    std::vector<SMergedBlock> m_blocks;
    std::vector<SNamedBlock> m_named;
};

// What a save writes: a recording's decode, or the merge.
struct SStudioSource {
    bool m_bMerged = false;
    uint32_t m_nRecording = 0;
};

class CStudio {
public:
    explicit CStudio(CStudioObserver& observer);
    // Cancels what is decoding and waits for the worker.
    ~CStudio();
    CStudio(const CStudio&) = delete;
    CStudio& operator=(const CStudio&) = delete;

    // Adds the recording at strPath (UTF-8) and returns its id; nothing is
    // read until it is decoded.
    uint32_t AddRecording(const std::string& strPath);
    void RemoveRecording(uint32_t nId);
    void SetTake(uint32_t nId, bool bTake);

    // The decoder of the decodes started from now on (robust by default).
    void SetDecoder(EStudioDecoder eDecoder) { m_eDecoder = eDecoder; }
    EStudioDecoder Decoder() const { return m_eDecoder; }
    // Queues the recording's decode on the worker.
    void Decode(uint32_t nId);
    // Queues every recording that has no decode and none waiting.
    void DecodeAll();
    // Stops the decode that runs and drops those that wait; what each
    // recording had decoded before stays.
    void Cancel();
    // Queues the merge of the decoded takes (two or more).
    void Merge();

    // Queues a recording from the sound card, decoded by the robust decoder
    // as it arrives and kept in settings.m_strKeep; its row (path: the kept
    // file) appears at once and shows the elapsed time and the input level
    // while it runs. Returns the row's id. A device that cannot be opened
    // is a problem in the row; what was captured stays kept and decoded.
    uint32_t Record(const SStudioRecording& settings);
    // Ends the recording: the last block is decoded, the kept file closed,
    // and the row is an ordinary take from then on.
    void StopRecording();
    // Play again: stops the recording that runs and records the next take;
    // once that one is finished every take is merged.
    uint32_t RecordAgain(const SStudioRecording& settings);
    // A view's Record: the first take, or while one is recording or waiting
    // to, the next one (RecordAgain).
    uint32_t RecordTake(const SStudioRecording& settings);
    // A recording runs or waits to and has not been told to stop: what a
    // view's Stop is enabled by.
    bool IsRecording() const;

    bool IsBusy() const { return m_worker.IsBusy(); }
    // Returns once the worker is idle and every event has been delivered
    // (not from within an observer's handler).
    void WaitIdle();

    std::vector<SRecordingRow> Recordings() const;
    std::optional<SRecordingRow> Recording(uint32_t nId) const;
    std::shared_ptr<const SMerged> Merged() const;

    // Saves run on the caller's thread and post kSaved or kSaveFailed;
    // true when written.
    bool SaveBytes(const SStudioSource& source, const std::string& strPath);
    bool SaveBlocks(const SStudioSource& source, const std::string& strFolder);
    bool SaveReport(const SStudioSource& source, const std::string& strPath);

private:
    class CJobWatcher;
    class CLevelPoster;
    SRecordingRow* Find(uint32_t nId);
    void RunDecode(uint32_t nId, std::string strPath, EStudioDecoder eDecoder, uint64_t nEpoch);
    void RunMerge(uint64_t nEpoch);
    // The row's end of a decode or recording; eProblem, when given, is
    // the line its row shows.
    void FinishJob(uint32_t nId, const SDecodeOutcome& outcome, EStudioProblem eProblem,
                   const std::string& strDetail);
    void RunRecord(uint32_t nId, SStudioRecording settings,
                   std::shared_ptr<std::atomic<bool>> pStop, uint64_t nEpoch);
    bool Saved(bool bWritten, const std::string& strWhere, const std::string& strDetail);
    bool NothingToSave();
    std::vector<SNamedBlock> BlocksOf(const SStudioSource& source, bool& bFound) const;

    CEventQueue m_events;
    mutable std::mutex m_mutex;  // guards what follows
    std::vector<SRecordingRow> m_recordings;
    std::shared_ptr<const SMerged> m_pMerged;
    uint32_t m_nNextId = 1;
    std::atomic<EStudioDecoder> m_eDecoder{EStudioDecoder::kRobust};
    std::vector<std::shared_ptr<std::atomic<bool>>>
        m_stops;                        // of the recordings to come and running
    std::atomic<uint64_t> m_nEpoch{0};  // Cancel moves it on; jobs of an older one stop
    CWorker m_worker;                   // last: its thread ends before the rest goes
};
