// Recording from the sound card in the studio: the input devices there are,
// and one capture decoded by the robust decoder as it arrives and kept on
// disk, until it is told to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "CaptureDevice.h"
#include "DecodeJob.h"
#include "StudioEvents.h"

struct SStudioRecording {
    std::string m_strDevice;  // a number or name from the device list; empty: the default
    std::string m_strKeep;    // the kept recording (.flac or .wav), UTF-8
    int32_t m_nRate = 44100;
    int32_t m_nChannels = 0;  // 0: one or two, as the device has
    double m_dSeconds = 0.0;  // stop after this much audio; 0: when told
    bool m_bMergeAfter = false;
};

// The input devices, the default one marked; empty with the reason when the
// sound system cannot start.
std::vector<SInputDevice> StudioInputDevices(std::string& strReason);

// Hears the input level about ten times a second, on the recording's thread.
class CStudioLevelWatcher {
public:
    virtual ~CStudioLevelWatcher() = default;
    virtual void OnLevel(const SStudioLevel& level) = 0;
};

struct SRecordOutcome {
    SDecodeOutcome m_decode;  // kCannotOpen when nothing could be captured
    // Why the recording failed (the device, the kept file); empty when it
    // ended as asked.
    std::string m_strFailure;
};

// Records until stop is set, settings.m_dSeconds have been taken, or the
// watcher cancels; the kept file is closed on return.
SRecordOutcome RecordAndDecode(const SStudioRecording& settings, const std::atomic<bool>& stop,
                               CDecodeWatcher& watcher, CStudioLevelWatcher& level);
