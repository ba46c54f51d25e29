#include "RecordRun.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "CaptureDevice.h"
#include "CliOwner.h"
#include "KeptRecording.h"
#include "LiveDecoder.h"
#include "LiveSource.h"
#include "Messages.h"
#include "RecordLine.h"
#include "RobustDecoder.h"

namespace {

constexpr double kRingSeconds = 20.0;  // audio the ring holds while the decoder is busy

// Set by Ctrl+C: the recording finishes. A second Ctrl+C ends the program.
std::atomic<bool> g_bInterrupted{false};

extern "C" void OnInterrupt(int nSignal) {
    g_bInterrupted.store(true);
    std::signal(nSignal, SIG_DFL);
}

void Fail(const std::string& strText) {
    std::fprintf(stderr, "tavro-tape-cli: %s\n", EscapeControls(strText).c_str());
}

}  // namespace

std::string DefaultKeepPath(const std::string& strOutput, std::time_t nNow) {
    return FolderOf(strOutput) + KeptRecordingName(nNow);
}

int ListDevices() {
    CAudioSystem audio;
    std::string strReason;
    if (!audio.Initialize(strReason)) {
        Fail("the sound system cannot start: " + strReason);
        return 1;
    }
    const std::vector<SInputDevice> devices = audio.InputDevices();
    if (devices.empty()) {
        Fail("the system has no input device");
    }
    for (const SInputDevice& device : devices) {
        std::printf("%s%d: %s (%s, %d channels, %.0f Hz)\n", device.m_bDefault ? "*" : " ",
                    device.m_nIndex, EscapeControls(device.m_strName).c_str(),
                    EscapeControls(device.m_strHost).c_str(), device.m_nMaxChannels,
                    device.m_dDefaultRate);
    }
    return 0;
}

int RunRecord(const CCliRequest& request, const SRunOptions& options) {
    const std::string strOutput =
        request.strOutput.empty() ? Messages::kOutputName : request.strOutput;
    const std::string strKeep =
        request.strKeep.empty() ? DefaultKeepPath(strOutput, std::time(nullptr)) : request.strKeep;
    EKeptFormat eFormat = EKeptFormat::kFlac;
    if (!KeptFormatOf(strKeep, eFormat)) {
        Fail("--keep needs a file name ending in .flac or .wav: " + strKeep);
        return 2;
    }
    if (strKeep == strOutput) {
        Fail("the kept recording and the bytes would go to the same file: " + strKeep);
        return 2;
    }
    CAudioSystem audio;
    SInputDevice device;
    std::string strReason;
    if (!audio.Initialize(strReason) || !audio.FindDevice(request.strDevice, device, strReason)) {
        Fail("cannot record: " + strReason);
        return 1;
    }
    const int32_t nChannels =
        request.nChannels > 0 ? request.nChannels : std::clamp(device.m_nMaxChannels, 1, 2);
    CKeptRecording kept;
    if (!kept.Open(strKeep, request.nRate, nChannels, strReason)) {
        Fail("cannot create the kept recording " + strKeep + ": " + strReason);
        return 1;
    }
    g_bInterrupted.store(false);
    std::signal(SIGINT, &OnInterrupt);
    std::signal(SIGTERM, &OnInterrupt);
    CCaptureStream stream;
    if (!stream.Start(device, request.nRate, nChannels, kRingSeconds, strReason)) {
        Fail("cannot record from " + device.m_strName + ": " + strReason);
        kept.Close();
        std::remove(strKeep.c_str());
        return 1;
    }

    SLiveLimits limits;
    limits.m_dSeconds = request.dSeconds;
    limits.m_dSilenceSeconds = request.dSilence;
    CLiveSource source(stream, request.nRate, &kept, limits, &g_bInterrupted);
    CRecordLine line(stdout);
    if (options.m_bTerminal && !options.m_bJson) {
        source.SetObserver(&line);
    }
    CRobustDecoder robust;
    robust.SetChannel(request.nChannel);
    CLiveDecoder live(robust, source);
    const SRunPlan plan{strKeep, request.strOutput, {}, request.strSplit};
    int nExit = RunDecoding(plan, options, live, &robust, &line);
    stream.Stop();
    if (stream.IsAbandoned()) {
        audio.Abandon();
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    const bool bKept = kept.Close();
    const std::string strFailure = LiveEndReason(source.End(), limits);
    if (!strFailure.empty()) {
        Fail(strFailure + "; the recording up to then is kept in " + strKeep);
        return 1;
    }
    if (!bKept) {
        Fail("the kept recording could not be finished: " + strKeep);
        return 1;
    }
    const int64_t nDropped = stream.Ring().DroppedFrames();
    if (nDropped > 0 || stream.Overflows() > 0) {
        std::fprintf(stderr,
                     "tavro-tape-cli: warning: %lld frames were lost between the sound card and "
                     "the decoder\n",
                     static_cast<long long>(nDropped));
    }
    std::fprintf(stderr, "tavro-tape-cli: recorded %.1f s, kept in %s\n", source.Seconds(),
                 EscapeControls(strKeep).c_str());
    return nExit;
}
