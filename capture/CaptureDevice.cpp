#include "CaptureDevice.h"

#include <portaudio.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// While PortAudio starts, the sound systems it probes (ALSA's every
// configured device, a JACK server that is not running) print their
// failures on standard error; what matters comes back in PortAudio's own
// results. Standard error goes to the null device for that time.
class CQuietStderr {
public:
    CQuietStderr() {
#ifndef _WIN32
        std::fflush(stderr);
        m_nSaved = dup(2);
        const int nNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_nSaved >= 0 && nNull >= 0) {
            dup2(nNull, 2);
        }
        if (nNull >= 0) {
            close(nNull);
        }
#endif
    }
    ~CQuietStderr() {
#ifndef _WIN32
        if (m_nSaved >= 0) {
            dup2(m_nSaved, 2);
            close(m_nSaved);
        }
#endif
    }
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    int m_nSaved = -1;
};

SInputDevice DescribeDevice(PaDeviceIndex nIndex) {
    SInputDevice device;
    const PaDeviceInfo* pInfo = Pa_GetDeviceInfo(nIndex);
    device.m_nIndex = nIndex;
    if (pInfo == nullptr) {
        return device;
    }
    device.m_strName = pInfo->name != nullptr ? pInfo->name : "";
    const PaHostApiInfo* pHost = Pa_GetHostApiInfo(pInfo->hostApi);
    device.m_strHost = pHost != nullptr && pHost->name != nullptr ? pHost->name : "";
    device.m_nMaxChannels = pInfo->maxInputChannels;
    device.m_dDefaultRate = pInfo->defaultSampleRate;
    device.m_bDefault = nIndex == Pa_GetDefaultInputDevice();
    return device;
}

}  // namespace

CAudioSystem::~CAudioSystem() {
    if (m_bInitialized) {
        Pa_Terminate();
    }
}

bool CAudioSystem::Initialize(std::string& strReason) {
#ifndef _WIN32
    // A JACK server is used when it runs, never started for us.
    setenv("JACK_NO_START_SERVER", "1", 0);
#endif
    PaError nError = paNoError;
    {
        const CQuietStderr quiet;
        nError = Pa_Initialize();
    }
    if (nError != paNoError) {
        strReason = Pa_GetErrorText(nError);
        return false;
    }
    m_bInitialized = true;
    return true;
}

std::vector<SInputDevice> CAudioSystem::InputDevices() const {
    std::vector<SInputDevice> devices;
    const PaDeviceIndex nCount = Pa_GetDeviceCount();
    for (PaDeviceIndex k = 0; k < nCount; ++k) {
        SInputDevice device = DescribeDevice(k);
        if (device.m_nMaxChannels > 0) {
            devices.push_back(std::move(device));
        }
    }
    return devices;
}

bool CAudioSystem::FindDevice(const std::string& strWanted, SInputDevice& device,
                              std::string& strReason) const {
    const std::vector<SInputDevice> devices = InputDevices();
    if (devices.empty()) {
        strReason = "the system has no input device";
        return false;
    }
    if (strWanted.empty()) {
        const PaDeviceIndex nDefault = Pa_GetDefaultInputDevice();
        for (const SInputDevice& candidate : devices) {
            if (candidate.m_nIndex == nDefault) {
                device = candidate;
                return true;
            }
        }
        strReason = "the system names no default input device; choose one with --device";
        return false;
    }
    int32_t nNumber = -1;
    const auto [p, error] =
        std::from_chars(strWanted.data(), strWanted.data() + strWanted.size(), nNumber);
    const bool bNumber = error == std::errc() && p == strWanted.data() + strWanted.size();
    const SInputDevice* pFound = nullptr;
    int32_t nContaining = 0;
    for (const SInputDevice& candidate : devices) {
        if ((bNumber && candidate.m_nIndex == nNumber) || candidate.m_strName == strWanted) {
            device = candidate;
            return true;
        }
        if (candidate.m_strName.find(strWanted) != std::string::npos) {
            pFound = &candidate;
            ++nContaining;
        }
    }
    if (nContaining == 1) {
        device = *pFound;
        return true;
    }
    strReason = nContaining > 1 ? "several input devices match " + strWanted
                                : "no input device " + strWanted + " (see --list-devices)";
    return false;
}

CCaptureStream::~CCaptureStream() {
    Stop();
}

bool CCaptureStream::Start(const SInputDevice& device, int32_t nRate, int32_t nChannels,
                           double dRingSeconds, std::string& strReason) {
    Stop();
    m_bAbandoned.store(false, std::memory_order_relaxed);
    m_pRing = std::make_unique<CSampleRing>(static_cast<int64_t>(dRingSeconds * nRate), nChannels);
    m_nOverflows.store(0, std::memory_order_relaxed);
    PaStreamParameters input{};
    input.device = device.m_nIndex;
    input.channelCount = nChannels;
    input.sampleFormat = paInt16;
    const PaDeviceInfo* pInfo = Pa_GetDeviceInfo(device.m_nIndex);
    input.suggestedLatency = pInfo != nullptr ? pInfo->defaultHighInputLatency : 0.1;
    PaError nError = Pa_OpenStream(&m_pStream, &input, nullptr, nRate, paFramesPerBufferUnspecified,
                                   paClipOff, &CCaptureStream::Callback, this);
    if (nError == paNoError) {
        nError = Pa_StartStream(m_pStream);
    }
    if (nError != paNoError) {
        strReason = Pa_GetErrorText(nError);
        Stop();
        return false;
    }
    return true;
}

bool CCaptureStream::IsRunning() const {
    return m_pStream != nullptr && Pa_IsStreamActive(m_pStream) == 1;
}

void CCaptureStream::Stop() {
    const std::lock_guard lock(m_mutex);
    if (m_pStream == nullptr || IsAbandoned()) {
        return;
    }
    // Abort, not stop: a device that hangs in a read must not hang us too.
    Pa_AbortStream(m_pStream);
    Pa_CloseStream(m_pStream);
    m_pStream = nullptr;
}

void CCaptureStream::Abandon() {
    m_bAbandoned.store(true, std::memory_order_release);
}

int CCaptureStream::Callback(const void* pInput, void* /*pOutput*/, unsigned long nFrames,
                             const PaStreamCallbackTimeInfo* /*pTime*/, unsigned long nFlags,
                             void* pUser) {
    auto* pThis = static_cast<CCaptureStream*>(pUser);
    if (pThis->IsAbandoned()) {
        return paAbort;
    }
    if ((nFlags & paInputOverflow) != 0) {
        pThis->m_nOverflows.fetch_add(1, std::memory_order_relaxed);
    }
    if (pInput != nullptr) {
        pThis->m_pRing->Push(static_cast<const int16_t*>(pInput), static_cast<int64_t>(nFrames));
    }
    return paContinue;
}
