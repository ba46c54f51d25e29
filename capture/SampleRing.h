// CSampleRing: interleaved 16-bit frames handed from one thread (the sound
// system's callback) to another (the decoding side), without locks and
// without allocating after construction. Push never waits: frames that do
// not fit are dropped and counted, so that the callback stays short whatever
// the reader does.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class CSampleRing {
public:
    // Room for nFrames frames of nChannels samples each.
    CSampleRing(int64_t nFrames, int32_t nChannels);

    int32_t Channels() const { return m_nChannels; }
    int64_t CapacityFrames() const { return m_nCapacity; }

    // Producer side: copies up to nFrames frames; the count copied.
    int64_t Push(const int16_t* pFrames, int64_t nFrames);
    // Frames dropped so far because the ring was full.
    int64_t DroppedFrames() const { return m_nDropped.load(std::memory_order_relaxed); }

    // Consumer side: copies up to nFrames frames out; the count copied.
    int64_t Pop(int16_t* pFrames, int64_t nFrames);
    int64_t AvailableFrames() const;
    // Frames pushed so far, from either side.
    int64_t PushedFrames() const { return m_nWritten.load(std::memory_order_acquire); }

private:
    std::vector<int16_t> m_samples;
    int64_t m_nCapacity;  // frames
    int32_t m_nChannels;
    // Frame counts since the start; their difference is the fill.
    std::atomic<int64_t> m_nWritten{0};
    std::atomic<int64_t> m_nRead{0};
    std::atomic<int64_t> m_nDropped{0};
};
