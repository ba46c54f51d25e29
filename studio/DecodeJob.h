// One recording decoded on the studio's worker: the robust or the classic
// decoder through the usual conversion run, its bytes kept with their
// blocks, progress and the map so far handed out as it goes, and a way to
// stop it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BlockFiles.h"
#include "DecodeListener.h"
#include "StudioEvents.h"
#include "TapeDecoder.h"
#include "TapeLog.h"

enum class EStudioDecoder { kRobust, kClassic };

// A recording as decoded: what the views show and the saves write.
struct SDecoded {
    EStudioDecoder m_eDecoder = EStudioDecoder::kRobust;
    SRecordingFormat m_format;
    CTapeLog m_log;                     // evidence kept, for merging
    std::vector<SNamedBlock> m_blocks;  // each block's bytes and record name (UTF-8)
    std::string m_strStatus;            // the run's last status text
    bool m_bReadToEnd = false;          // false: reading failed part way
};

struct SDecodeOutcome {
    enum class EEnd { kDecoded, kCannotOpen, kCancelled };
    EEnd m_eEnd = EEnd::kDecoded;
    std::string m_strDetail;                     // kCannotOpen: the reason
    std::shared_ptr<const SDecoded> m_pDecoded;  // kDecoded
};

// How a decode reports and learns that it should stop. Called on the
// thread that decodes.
class CDecodeWatcher {
public:
    virtual ~CDecodeWatcher() = default;
    // dShare: how much of the recording is read (0 to 1); bNewBlock: the
    // last block of the map is new.
    virtual void OnProgress(double dShare, std::shared_ptr<const SLiveMap> pLive,
                            bool bNewBlock) = 0;
    virtual bool IsCancelled() const = 0;
};

SDecodeOutcome DecodeRecording(const std::string& strPath, EStudioDecoder eDecoder,
                               CDecodeWatcher& watcher);
// The same with any decoder (a capture from the sound card, later): log is
// the decoder's, which is set to keep evidence; eDecoder is what the result
// says it was. fnListen, when given, sets the decoder's listener for the run
// (and clears it after), for progress between blocks.
SDecodeOutcome DecodeWith(const std::string& strPath, CTapeDecoder& decoder, CTapeLog& log,
                          EStudioDecoder eDecoder, CDecodeWatcher& watcher,
                          const std::function<void(CDecodeListener*)>& fnListen = {});
