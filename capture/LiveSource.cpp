#include "LiveSource.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr int64_t kPopFrames = 4096;  // frames per refill, at most
constexpr auto kPollWait = std::chrono::milliseconds(5);
constexpr double kFullScale = 32768.0;

void PutLe16(uint8_t* p, uint32_t n) {
    p[0] = static_cast<uint8_t>(n);
    p[1] = static_cast<uint8_t>(n >> 8);
}

void PutLe32(uint8_t* p, uint32_t n) {
    PutLe16(p, n & 0xFFFF);
    PutLe16(p + 2, n >> 16);
}

// A canonical 16-bit PCM WAV header whose RIFF and data sizes say "as much
// as there will be", as a recorder writing to a pipe leaves them.
void MakeHeader(uint8_t* p, int32_t nRate, int32_t nChannels) {
    const auto nBlockAlign = static_cast<uint32_t>(nChannels) * 2U;
    std::memcpy(p, "RIFF", 4);
    PutLe32(p + 4, 0xFFFFFFFFU);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    PutLe32(p + 16, 16);
    PutLe16(p + 20, 1);  // PCM
    PutLe16(p + 22, static_cast<uint32_t>(nChannels));
    PutLe32(p + 24, static_cast<uint32_t>(nRate));
    PutLe32(p + 28, static_cast<uint32_t>(nRate) * nBlockAlign);
    PutLe16(p + 32, nBlockAlign);
    PutLe16(p + 34, 16);
    std::memcpy(p + 36, "data", 4);
    PutLe32(p + 40, 0xFFFFFFFFU);
}

int32_t Magnitude(int16_t n) {
    return n < 0 ? -static_cast<int32_t>(n) : n;
}

double PeakDbfs(int32_t nPeak) {
    return nPeak <= 0 ? -120.0 : 20.0 * std::log10(nPeak / kFullScale);
}

}  // namespace

CLiveSource::CLiveSource(CCaptureFeed& feed, int32_t nRate, CKeptRecording* pKeep,
                         SLiveLimits limits, const std::atomic<bool>* pInterrupt)
    : m_feed(feed),
      m_pKeep(pKeep),
      m_pInterrupt(pInterrupt),
      m_limits(limits),
      m_nRate(nRate),
      m_nChannels(feed.Ring().Channels()),
      m_nLimitFrames(static_cast<int64_t>(std::llround(std::max(0.0, limits.m_dSeconds) * nRate))),
      m_nSilenceFrames(
          static_cast<int64_t>(std::llround(std::max(0.0, limits.m_dSilenceSeconds) * nRate))),
      m_nSilencePeak(
          static_cast<int32_t>(kFullScale * std::pow(10.0, limits.m_dSilenceDbfs / 20.0))),
      m_nMeterFrames(std::max<int64_t>(1, std::llround(limits.m_dMeterSeconds * nRate))),
      m_lastFrame(CClock::now()) {
    MakeHeader(m_header.data(), nRate, m_nChannels);
    m_frames.resize(static_cast<size_t>(kPopFrames * m_nChannels));
    m_bytes.reserve(m_frames.size() * 2);
}

double CLiveSource::Seconds() const {
    return static_cast<double>(m_nTaken.load(std::memory_order_relaxed)) / m_nRate;
}

int64_t CLiveSource::Read(void* pOut, int64_t nBytes) {
    if (nBytes <= 0) {
        return 0;
    }
    auto* pTo = static_cast<uint8_t*>(pOut);
    if (m_nHeaderSent < kHeaderBytes) {
        const int64_t nCount = std::min<int64_t>(nBytes, kHeaderBytes - m_nHeaderSent);
        std::memcpy(pTo, m_header.data() + m_nHeaderSent, static_cast<size_t>(nCount));
        m_nHeaderSent += static_cast<int32_t>(nCount);
        return nCount;
    }
    if (m_nBytesSent == m_bytes.size() && !Refill()) {
        const ELiveEnd eEnd = End();
        const bool bFailed = eEnd == ELiveEnd::kStalled || eEnd == ELiveEnd::kDeviceGone ||
                             eEnd == ELiveEnd::kKeepFailed;
        return bFailed ? -1 : 0;
    }
    const size_t nCount = std::min(static_cast<size_t>(nBytes), m_bytes.size() - m_nBytesSent);
    std::memcpy(pTo, m_bytes.data() + m_nBytesSent, nCount);
    m_nBytesSent += nCount;
    return static_cast<int64_t>(nCount);
}

bool CLiveSource::Refill() {
    for (;;) {
        // Asked to stop: the capture stops taking frames, and what it took
        // before is read to the end (a device faster than the decoder never
        // leaves the ring empty).
        if (End() == ELiveEnd::kNone && m_pInterrupt != nullptr &&
            m_pInterrupt->load(std::memory_order_relaxed)) {
            m_feed.Stop();
            Finish(ELiveEnd::kInterrupted);
        }
        const ELiveEnd eEnd = End();
        // After a set length or silence nothing more is taken; otherwise
        // what came before the end is.
        const bool bTaking = eEnd == ELiveEnd::kNone || eEnd == ELiveEnd::kInterrupted ||
                             eEnd == ELiveEnd::kDeviceGone;
        const int64_t nFrames = bTaking ? m_feed.Ring().Pop(m_frames.data(), kPopFrames) : 0;
        if (nFrames > 0) {
            m_lastFrame = CClock::now();
            Take(nFrames);
            if (!m_bytes.empty()) {
                return true;
            }
            continue;
        }
        if (eEnd != ELiveEnd::kNone) {
            return false;
        }
        if (m_pInterrupt != nullptr && m_pInterrupt->load(std::memory_order_relaxed)) {
            Finish(ELiveEnd::kInterrupted);
        } else if (!m_feed.IsRunning()) {
            Finish(ELiveEnd::kDeviceGone);
        } else if (std::chrono::duration<double>(CClock::now() - m_lastFrame).count() >
                   m_limits.m_dStallSeconds) {
            Finish(ELiveEnd::kStalled);
        } else {
            std::this_thread::sleep_for(kPollWait);
        }
    }
}

void CLiveSource::Take(int64_t nFrames) {
    const int64_t nTaken = m_nTaken.load(std::memory_order_relaxed);
    if (m_nLimitFrames > 0) {
        nFrames = std::min(nFrames, m_nLimitFrames - nTaken);
    }
    m_bytes.clear();
    m_nBytesSent = 0;
    if (nFrames <= 0) {
        return;
    }
    // Up to where silence has lasted long enough, when it has.
    nFrames = Measure(m_frames.data(), nFrames);
    if (m_pKeep != nullptr && !m_pKeep->Write(m_frames.data(), nFrames)) {
        Finish(ELiveEnd::kKeepFailed);
    }
    const size_t nSamples = static_cast<size_t>(nFrames) * static_cast<size_t>(m_nChannels);
    m_bytes.resize(nSamples * 2);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(m_bytes.data(), m_frames.data(), m_bytes.size());
    } else {
        for (size_t k = 0; k < nSamples; ++k) {
            PutLe16(m_bytes.data() + 2 * k, static_cast<uint16_t>(m_frames[k]));
        }
    }
    m_nTaken.store(nTaken + nFrames, std::memory_order_relaxed);
    if (m_nLimitFrames > 0 && nTaken + nFrames >= m_nLimitFrames) {
        Finish(ELiveEnd::kSeconds);
    } else if (IsSilenceOver()) {
        Finish(ELiveEnd::kSilence);
    }
}

bool CLiveSource::IsSilenceOver() const {
    return m_nSilenceFrames > 0 && m_nSilent >= m_nSilenceFrames &&
           m_bBlockRead.load(std::memory_order_relaxed);
}

int64_t CLiveSource::Measure(const int16_t* pSamples, int64_t nFrames) {
    const auto nChannels = static_cast<size_t>(m_nChannels);
    for (int64_t nDone = 0; nDone < nFrames;) {
        const int64_t nPart = std::min(nFrames - nDone, m_nMeterFrames - m_nMeterTaken);
        const int16_t* pFrom = pSamples + static_cast<size_t>(nDone) * nChannels;
        int32_t nPeak = 0;
        for (size_t k = 0; k < static_cast<size_t>(nPart) * nChannels; ++k) {
            nPeak = std::max(nPeak, Magnitude(pFrom[k]));
        }
        m_nSilent = nPeak < m_nSilencePeak ? m_nSilent + nPart : 0;
        m_nMeterPeak = std::max(m_nMeterPeak, nPeak);
        m_bMeterClipped = m_bMeterClipped || nPeak >= 32767;
        m_nMeterTaken += nPart;
        nDone += nPart;
        if (m_nMeterTaken == m_nMeterFrames) {
            if (m_pObserver != nullptr) {
                const double dSeconds =
                    static_cast<double>(m_nTaken.load(std::memory_order_relaxed) + nDone) / m_nRate;
                m_pObserver->OnLevel(dSeconds, PeakDbfs(m_nMeterPeak), m_bMeterClipped);
            }
            m_nMeterTaken = 0;
            m_nMeterPeak = 0;
            m_bMeterClipped = false;
        }
        if (IsSilenceOver()) {
            return nDone;
        }
    }
    return nFrames;
}

void CLiveSource::Finish(ELiveEnd eEnd) {
    ELiveEnd eNone = ELiveEnd::kNone;
    if (!m_eEnd.compare_exchange_strong(eNone, eEnd, std::memory_order_acq_rel)) {
        return;
    }
    if (eEnd == ELiveEnd::kStalled) {
        m_feed.Abandon();
    } else {
        m_feed.Stop();
    }
}

std::string LiveEndReason(ELiveEnd eEnd, const SLiveLimits& limits) {
    switch (eEnd) {
        case ELiveEnd::kStalled: {
            char szText[96];
            std::snprintf(szText, sizeof(szText),
                          "the input device stopped delivering sound (nothing for %.0f s)",
                          limits.m_dStallSeconds);
            return szText;
        }
        case ELiveEnd::kDeviceGone:
            return "the input device went away while recording";
        case ELiveEnd::kKeepFailed:
            return "writing the kept recording failed (is the disk full?)";
        default:
            return {};
    }
}
