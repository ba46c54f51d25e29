#include "SampleRing.h"

#include <algorithm>
#include <cstring>

CSampleRing::CSampleRing(int64_t nFrames, int32_t nChannels)
    : m_nCapacity(std::max<int64_t>(1, nFrames)), m_nChannels(std::max(1, nChannels)) {
    m_samples.resize(static_cast<size_t>(m_nCapacity) * static_cast<size_t>(m_nChannels));
}

int64_t CSampleRing::Push(const int16_t* pFrames, int64_t nFrames) {
    const int64_t nWritten = m_nWritten.load(std::memory_order_relaxed);
    const int64_t nRead = m_nRead.load(std::memory_order_acquire);
    const int64_t nCount = std::clamp<int64_t>(m_nCapacity - (nWritten - nRead), 0, nFrames);
    if (nCount < nFrames) {
        m_nDropped.fetch_add(nFrames - nCount, std::memory_order_relaxed);
    }
    const auto nChannels = static_cast<size_t>(m_nChannels);
    int64_t nDone = 0;
    while (nDone < nCount) {
        const int64_t nAt = (nWritten + nDone) % m_nCapacity;
        const int64_t nRun = std::min(nCount - nDone, m_nCapacity - nAt);
        std::memcpy(m_samples.data() + static_cast<size_t>(nAt) * nChannels,
                    pFrames + static_cast<size_t>(nDone) * nChannels,
                    static_cast<size_t>(nRun) * nChannels * sizeof(int16_t));
        nDone += nRun;
    }
    m_nWritten.store(nWritten + nCount, std::memory_order_release);
    return nCount;
}

int64_t CSampleRing::Pop(int16_t* pFrames, int64_t nFrames) {
    const int64_t nRead = m_nRead.load(std::memory_order_relaxed);
    const int64_t nWritten = m_nWritten.load(std::memory_order_acquire);
    const int64_t nCount = std::clamp<int64_t>(nWritten - nRead, 0, nFrames);
    const auto nChannels = static_cast<size_t>(m_nChannels);
    int64_t nDone = 0;
    while (nDone < nCount) {
        const int64_t nAt = (nRead + nDone) % m_nCapacity;
        const int64_t nRun = std::min(nCount - nDone, m_nCapacity - nAt);
        std::memcpy(pFrames + static_cast<size_t>(nDone) * nChannels,
                    m_samples.data() + static_cast<size_t>(nAt) * nChannels,
                    static_cast<size_t>(nRun) * nChannels * sizeof(int16_t));
        nDone += nRun;
    }
    m_nRead.store(nRead + nCount, std::memory_order_release);
    return nCount;
}

int64_t CSampleRing::AvailableFrames() const {
    return m_nWritten.load(std::memory_order_acquire) - m_nRead.load(std::memory_order_relaxed);
}
