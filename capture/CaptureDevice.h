// The sound card's side of a capture, through PortAudio: the input devices
// there are, and one input stream whose callback copies every buffer into a
// CSampleRing and does nothing else (no locks, no allocation, no decoding).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CaptureFeed.h"

using PaStream = void;
struct PaStreamCallbackTimeInfo;

struct SInputDevice {
    int32_t m_nIndex = 0;  // PortAudio's device number, as --device N takes it
    std::string m_strName;
    std::string m_strHost;  // the host API: ALSA, WASAPI, MME, ...
    int32_t m_nMaxChannels = 0;
    double m_dDefaultRate = 0.0;
    bool m_bDefault = false;  // the system's default input
};

// PortAudio from Initialize to the end of the object; one at a time.
class CAudioSystem {
public:
    CAudioSystem() = default;
    ~CAudioSystem();
    CAudioSystem(const CAudioSystem&) = delete;
    CAudioSystem& operator=(const CAudioSystem&) = delete;

    // False with PortAudio's reason.
    bool Initialize(std::string& strReason);
    // Leaves PortAudio as it is at the end (a stream that hangs in a read
    // would hang its shutdown); for the end of the program.
    void Abandon() { m_bInitialized = false; }
    std::vector<SInputDevice> InputDevices() const;
    // The device that strWanted names: a number from the list, or a name
    // (the whole name, else the one device whose name contains it); empty
    // for the default input. False with the reason.
    bool FindDevice(const std::string& strWanted, SInputDevice& device,
                    std::string& strReason) const;

private:
    bool m_bInitialized = false;
};

class CCaptureStream : public CCaptureFeed {
public:
    CCaptureStream() = default;
    ~CCaptureStream() override;
    CCaptureStream(const CCaptureStream&) = delete;
    CCaptureStream& operator=(const CCaptureStream&) = delete;

    // Opens and starts 16-bit capture at nRate with nChannels into a ring
    // of nRingSeconds; false with PortAudio's reason.
    bool Start(const SInputDevice& device, int32_t nRate, int32_t nChannels, double dRingSeconds,
               std::string& strReason);
    CSampleRing& Ring() override { return *m_pRing; }
    // False once the stream has stopped by itself (a device that went away).
    bool IsRunning() const override;
    // Stops taking frames; those already in the ring stay there.
    void Stop() override;
    void Abandon() override;
    bool IsAbandoned() const { return m_bAbandoned.load(std::memory_order_acquire); }
    // Times the sound system reported frames it had to drop.
    int64_t Overflows() const { return m_nOverflows.load(std::memory_order_relaxed); }

private:
    static int Callback(const void* pInput, void* pOutput, unsigned long nFrames,
                        const PaStreamCallbackTimeInfo* pTime, unsigned long nFlags, void* pUser);

    std::mutex m_mutex;  // Stop may come from the decoder's thread and the run's
    PaStream* m_pStream = nullptr;
    std::unique_ptr<CSampleRing> m_pRing;
    std::atomic<int64_t> m_nOverflows{0};
    std::atomic<bool> m_bAbandoned{false};
};
