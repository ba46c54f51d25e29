#include "CrossingDetector.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVRO_SSE2 1
#endif

namespace {

constexpr int32_t kWord = 64;  // samples per mask

// Bits 0 to nBit.
uint64_t UpTo(int32_t nBit) {
    return nBit >= kWord - 1 ? ~uint64_t{0} : (uint64_t{2} << nBit) - 1;
}

}  // namespace

CCrossingDetector::SMasks CCrossingDetector::MasksOf(const double* pIn, const double* pLevel,
                                                     double dHysteresis) {
    SMasks masks;
#ifdef TAVRO_SSE2
    const __m128d hysteresis = _mm_set1_pd(dHysteresis);
    const __m128d zero = _mm_setzero_pd();
    const __m128d sign = _mm_set1_pd(-0.0);
    for (int32_t k = 0; k < kWord; k += 2) {
        const __m128d in = _mm_loadu_pd(pIn + k);
        const __m128d threshold = _mm_mul_pd(hysteresis, _mm_loadu_pd(pLevel + k));
        const auto nHigh = static_cast<uint64_t>(_mm_movemask_pd(_mm_cmpgt_pd(in, threshold)));
        const auto nLow =
            static_cast<uint64_t>(_mm_movemask_pd(_mm_cmplt_pd(in, _mm_xor_pd(threshold, sign))));
        const auto nPositive = static_cast<uint64_t>(_mm_movemask_pd(_mm_cmpge_pd(in, zero)));
        masks.m_nHigh |= nHigh << k;
        masks.m_nLow |= nLow << k;
        masks.m_nPositive |= nPositive << k;
    }
#else
    for (int32_t k = 0; k < kWord; ++k) {
        const double dThreshold = dHysteresis * pLevel[k];
        masks.m_nHigh |= static_cast<uint64_t>(pIn[k] > dThreshold) << k;
        masks.m_nLow |= static_cast<uint64_t>(pIn[k] < -dThreshold) << k;
        masks.m_nPositive |= static_cast<uint64_t>(pIn[k] >= 0.0) << k;
    }
#endif
    masks.m_nLow &= ~masks.m_nHigh;  // as in Process, above wins
    return masks;
}

bool CCrossingDetector::IsFadeFree(uint64_t nStrong, int64_t nFirst) const {
    // The samples before the word's first strong one go on from the last
    // strong one before the word ...
    const int32_t nLead = std::countr_zero(nStrong);
    if (nLead > 0 && nFirst + nLead - 1 - m_nStrong > m_nQuiet) {
        return false;
    }
    if (nStrong == 0 || m_nQuiet + 1 >= kWord) {
        return true;
    }
    // ... and after it, no run of more than nQuiet samples inside the band.
    uint64_t nRuns = ~nStrong & ~UpTo(nLead);  // bit k: a run of at least 1 starts at k
    const auto nWanted = static_cast<int32_t>(m_nQuiet + 1);
    int32_t nHave = 1;
    while (nRuns != 0 && 2 * nHave <= nWanted) {
        nRuns &= nRuns >> nHave;
        nHave *= 2;
    }
    if (nRuns != 0 && nHave < nWanted) {
        nRuns &= nRuns >> (nWanted - nHave);
    }
    return nRuns == 0;
}

int32_t CCrossingDetector::WordEvents(const double* pIn, const SMasks& masks, int64_t nFirst,
                                      SCrossingEvent* pEvents) {
    // Bit k: sample k is on the other side of zero than the one before it.
    const uint64_t nChanges =
        masks.m_nPositive ^ ((masks.m_nPositive << 1) | static_cast<uint64_t>(m_dPrev >= 0.0));
    const auto changeAt = [&](int32_t j) {
        const double dBefore = j > 0 ? pIn[j - 1] : m_dPrev;
        return static_cast<double>(nFirst + j) - pIn[j] / (pIn[j] - dBefore);
    };
    int32_t nEvents = 0;
    bool bHigh = m_bHigh;
    uint64_t nAhead = ~uint64_t{0};  // the samples not yet passed
    for (;;) {
        // The next strong sample on the other side is a crossing.
        const uint64_t nOther = (bHigh ? masks.m_nLow : masks.m_nHigh) & nAhead;
        if (nOther == 0) {
            break;
        }
        const int32_t nAt = std::countr_zero(nOther);
        const uint64_t nBefore = nChanges & UpTo(nAt);
        SCrossingEvent& event = pEvents[nEvents++];
        event.m_dAt = nBefore != 0 ? changeAt(kWord - 1 - std::countl_zero(nBefore)) : m_dZero;
        event.m_eKind = SCrossingEvent::EKind::kCrossing;
        bHigh = !bHigh;
        nAhead = ~UpTo(nAt);
    }
    m_bHigh = bHigh;
    const uint64_t nStrong = masks.m_nHigh | masks.m_nLow;
    if (nStrong != 0) {
        m_nStrong = nFirst + kWord - 1 - std::countl_zero(nStrong);
    }
    if (nChanges != 0) {
        m_dZero = changeAt(kWord - 1 - std::countl_zero(nChanges));
    }
    m_dPrev = pIn[kWord - 1];
    return nEvents;
}

int32_t CCrossingDetector::ProcessBlock(const double* pIn, const double* pLevel, double dHysteresis,
                                        int64_t nFirst, int32_t nCount, SCrossingEvent* pEvents) {
    int32_t nEvents = 0;
    int32_t k = 0;
    const auto sampleBySample = [&](int32_t nEnd) {
        for (; k < nEnd; ++k) {
            const EEvent eEvent = Process(pIn[k], dHysteresis * pLevel[k], nFirst + k);
            if (eEvent != EEvent::kNone) {
                SCrossingEvent& event = pEvents[nEvents++];
                event.m_dAt = m_dZero;
                event.m_eKind = eEvent == EEvent::kFade ? SCrossingEvent::EKind::kFade
                                                        : SCrossingEvent::EKind::kCrossing;
            }
        }
    };
    while (k + kWord <= nCount) {
        const SMasks masks = MasksOf(pIn + k, pLevel + k, dHysteresis);
        if (m_bKnown && IsFadeFree(masks.m_nHigh | masks.m_nLow, nFirst + k)) {
            nEvents += WordEvents(pIn + k, masks, nFirst + k, pEvents + nEvents);
            k += kWord;
        } else {
            sampleBySample(k + kWord);
        }
    }
    sampleBySample(nCount);
    return nEvents;
}
