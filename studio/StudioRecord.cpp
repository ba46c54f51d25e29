#include "StudioRecord.h"

#include <algorithm>
#include <memory>

#include "KeptRecording.h"
#include "LiveDecoder.h"
#include "LiveSource.h"
#include "RobustDecoder.h"

namespace {

constexpr double kRingSeconds = 20.0;  // audio the ring holds while the decoder is busy

class CLevelRelay : public CLevelObserver {
public:
    explicit CLevelRelay(CStudioLevelWatcher& watcher) : m_watcher(watcher) {}
    void OnLevel(double dSeconds, double dPeakDbfs, bool bClipped) override {
        m_watcher.OnLevel(SStudioLevel{dSeconds, dPeakDbfs, bClipped});
    }

private:
    CStudioLevelWatcher& m_watcher;
};

SRecordOutcome CannotRecord(std::string strReason) {
    SRecordOutcome outcome;
    outcome.m_decode.m_eEnd = SDecodeOutcome::EEnd::kCannotOpen;
    outcome.m_decode.m_strDetail = strReason;
    outcome.m_strFailure = std::move(strReason);
    return outcome;
}

}  // namespace

std::vector<SInputDevice> StudioInputDevices(std::string& strReason) {
    CAudioSystem audio;
    if (!audio.Initialize(strReason)) {
        return {};
    }
    return audio.InputDevices();
}

SRecordOutcome RecordAndDecode(const SStudioRecording& settings, const std::atomic<bool>& stop,
                               CDecodeWatcher& watcher, CStudioLevelWatcher& level) {
    EKeptFormat eFormat = EKeptFormat::kFlac;
    if (!KeptFormatOf(settings.m_strKeep, eFormat)) {
        return CannotRecord("the kept recording needs a name ending in .flac or .wav");
    }
    CAudioSystem audio;
    SInputDevice device;
    std::string strReason;
    if (!audio.Initialize(strReason) ||
        !audio.FindDevice(settings.m_strDevice, device, strReason)) {
        return CannotRecord(strReason);
    }
    const int32_t nChannels =
        settings.m_nChannels > 0 ? settings.m_nChannels : std::clamp(device.m_nMaxChannels, 1, 2);
    CKeptRecording kept;
    if (!kept.Open(settings.m_strKeep, settings.m_nRate, nChannels, strReason)) {
        return CannotRecord(strReason);
    }
    const auto pStream = std::make_unique<CCaptureStream>();
    if (!pStream->Start(device, settings.m_nRate, nChannels, kRingSeconds, strReason)) {
        kept.Close();
        return CannotRecord(device.m_strName + ": " + strReason);
    }
    SLiveLimits limits;
    limits.m_dSeconds = settings.m_dSeconds;
    CLiveSource source(*pStream, settings.m_nRate, &kept, limits, &stop);
    CLevelRelay relay(level);
    source.SetObserver(&relay);
    // On the heap: the decoder's buffers are large for a thread's stack.
    const auto pRobust = std::make_unique<CRobustDecoder>();
    CLiveDecoder live(*pRobust, source);
    SRecordOutcome outcome;
    outcome.m_decode =
        DecodeWith(settings.m_strKeep, live, pRobust->GetLog(), EStudioDecoder::kRobust, watcher,
                   [&pRobust](CDecodeListener* pListener) { pRobust->SetListener(pListener); });
    pStream->Stop();
    if (pStream->IsAbandoned()) {
        audio.Abandon();
    }
    const bool bKept = kept.Close();
    outcome.m_strFailure = LiveEndReason(source.End(), limits);
    if (outcome.m_strFailure.empty() && !bKept) {
        outcome.m_strFailure = "the kept recording could not be finished";
    }
    return outcome;
}
