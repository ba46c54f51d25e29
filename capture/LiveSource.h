// CLiveSource: a capture as the stream of bytes the robust decoder reads:
// a WAV header whose sizes are unknown, then the 16-bit frames as they
// arrive. Every frame it hands on goes first to the kept recording, and is
// measured for the level meter and for silence. It ends the stream (0) when
// asked to stop (Ctrl+C), after a set length, or after a set time without
// signal once a block has been read; with a read error (-1) when the
// capture stops by itself, stops delivering for a few seconds, or the kept
// recording cannot be written. Read runs on one thread at a time; the
// other calls may come from any thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "CaptureFeed.h"
#include "KeptRecording.h"

struct SLiveLimits {
    double m_dSeconds = 0.0;         // s of audio to take; 0: no limit
    double m_dSilenceSeconds = 0.0;  // s without signal that end it once a block was read; 0: never
    double m_dSilenceDbfs = -40.0;   // a peak below this is no signal
    double m_dStallSeconds = 3.0;    // s without frames: the device stopped delivering
    double m_dMeterSeconds = 0.1;    // s of audio per level reading
};

enum class ELiveEnd {
    kNone,         // still running
    kInterrupted,  // asked to stop
    kSeconds,      // the set length was taken
    kSilence,      // silence after a block
    kStalled,      // no frames came for a while
    kDeviceGone,   // the capture stopped by itself
    kKeepFailed,   // the kept recording could not be written
};

// Why a recording ended that did not end as asked (the device, the kept
// recording); empty when it did.
std::string LiveEndReason(ELiveEnd eEnd, const SLiveLimits& limits);

// Told of the level about every m_dMeterSeconds of audio, on Read's thread.
class CLevelObserver {
public:
    virtual ~CLevelObserver() = default;
    // dSeconds: audio taken so far; dPeakDbfs: the peak of the last reading
    // in dB below full scale; bClipped: a sample reached full scale.
    virtual void OnLevel(double dSeconds, double dPeakDbfs, bool bClipped) = 0;
};

class CLiveSource : public CByteSource {
public:
    static constexpr int32_t kHeaderBytes = 44;

    // pInterrupt: set (from a signal handler, say) to stop; pKeep: may be null.
    CLiveSource(CCaptureFeed& feed, int32_t nRate, CKeptRecording* pKeep, SLiveLimits limits,
                const std::atomic<bool>* pInterrupt);

    int64_t Read(void* pOut, int64_t nBytes) override;

    void SetObserver(CLevelObserver* pObserver) { m_pObserver = pObserver; }
    // A block has been read: from now on silence may end the recording.
    void MarkBlockRead() { m_bBlockRead.store(true, std::memory_order_relaxed); }

    ELiveEnd End() const { return m_eEnd.load(std::memory_order_acquire); }
    double Seconds() const;  // of audio taken so far

private:
    using CClock = std::chrono::steady_clock;

    bool Refill();  // false at the end of the stream
    void Take(int64_t nFrames);
    // Meters the frames and counts silence; how many of them to hand on:
    // all, or those up to where the silence has lasted long enough.
    int64_t Measure(const int16_t* pSamples, int64_t nFrames);
    bool IsSilenceOver() const;
    void Finish(ELiveEnd eEnd);

    CCaptureFeed& m_feed;
    CKeptRecording* m_pKeep;
    CLevelObserver* m_pObserver = nullptr;
    const std::atomic<bool>* m_pInterrupt;
    SLiveLimits m_limits;
    int32_t m_nRate;
    int32_t m_nChannels;
    int64_t m_nLimitFrames;    // 0: no limit
    int64_t m_nSilenceFrames;  // 0: never
    int32_t m_nSilencePeak;    // a sample magnitude below this is silence
    int64_t m_nMeterFrames;

    std::array<uint8_t, kHeaderBytes> m_header{};
    int32_t m_nHeaderSent = 0;
    std::vector<int16_t> m_frames;  // one pop from the ring
    std::vector<uint8_t> m_bytes;   // its bytes, little-endian, for the reader
    size_t m_nBytesSent = 0;

    std::atomic<int64_t> m_nTaken{0};  // frames
    int64_t m_nSilent = 0;             // frames without signal in a row
    int64_t m_nMeterTaken = 0;         // frames of the current level reading
    int32_t m_nMeterPeak = 0;
    bool m_bMeterClipped = false;
    CClock::time_point m_lastFrame;
    std::atomic<bool> m_bBlockRead{false};
    std::atomic<ELiveEnd> m_eEnd{ELiveEnd::kNone};
};
