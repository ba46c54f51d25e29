#include "SampleCoding.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVRO_SSE2 1
#endif

namespace {

constexpr double kFloatLimit = 1e6;  // full scale 1: far beyond any recording

// The unsigned integer T stored at p in byte order eOrder.
template <typename T>
T Load(const uint8_t* p, std::endian eOrder) {
    T n;
    std::memcpy(&n, p, sizeof n);
    if (eOrder != std::endian::native) {
        using TWide = std::conditional_t<(sizeof(T) > 4), uint64_t, uint32_t>;
        TWide nSwapped = 0;
        for (size_t k = 0; k < sizeof n; ++k, n = static_cast<T>(n >> 8)) {
            nSwapped = nSwapped << 8 | (static_cast<TWide>(n) & 0xFFu);
        }
        n = static_cast<T>(nSwapped);
    }
    return n;
}

// Sums nBox samples per box in TSum, exactly for the integer codings, then
// scales each sum once. The box length is a template argument for the
// usual ones (44.1/48 kHz and 88.2/96 kHz files), so that the compiler
// unrolls the sum.
template <int32_t kBox, typename TSum, typename FLoad>
void Boxes(const uint8_t* p, size_t nStride, int32_t nBox, int32_t nBoxes, double dScale,
           double* pOut, FLoad load) {
    const int32_t nCount = kBox > 0 ? kBox : nBox;
    for (int32_t b = 0; b < nBoxes; ++b) {
        TSum sum = 0;
        for (int32_t k = 0; k < nCount; ++k, p += nStride) {
            sum += load(p);
        }
        pOut[b] = static_cast<double>(sum) * dScale;
    }
}

// TSum: the sum of any number of samples; the usual boxes of at most 8
// samples of up to 24 bits are summed in 32 bits, which the processor adds
// without widening each sample.
template <typename TSum, typename FLoad>
void MeanOf(const SChannelLayout& layout, const uint8_t* pFrames, int32_t nBox, int32_t nBoxes,
            double dFullScale, double* pOut, FLoad load) {
    const uint8_t* p = pFrames + layout.m_nOffset;
    const size_t nStride = layout.m_nFrameBytes;
    const double dScale = 1.0 / (dFullScale * nBox);
    constexpr bool bNarrow = sizeof(std::invoke_result_t<FLoad, const uint8_t*>) <= 4;
    using TShort = std::conditional_t<std::is_same_v<TSum, int64_t> && bNarrow, int32_t, TSum>;
    switch (nBox) {
        case 4:
            Boxes<4, TShort>(p, nStride, nBox, nBoxes, dScale, pOut, load);
            break;
        case 8:
            Boxes<8, TShort>(p, nStride, nBox, nBoxes, dScale, pOut, load);
            break;
        default:
            Boxes<0, TSum>(p, nStride, nBox, nBoxes, dScale, pOut, load);
            break;
    }
}

#ifdef TAVRO_SSE2
// 16-bit little-endian samples in boxes of whole 16-byte lanes (a stereo
// box of four frames, a mono one of eight, a stereo one of eight): one
// multiply-add against weights of 1 on the channel's samples and 0 on the
// others sums a lane in four parts, and two boxes are finished together.
// The sums and their scaling are the plain loop's exactly. False where the
// boxes do not fit lanes.
bool MeanBoxesS16(const SChannelLayout& layout, const uint8_t* pFrames, int32_t nBox,
                  int32_t nBoxes, double* pOut) {
    const size_t nFrameBytes = layout.m_nFrameBytes;
    const size_t nBoxBytes = nFrameBytes * static_cast<size_t>(nBox);
    constexpr size_t kLane = 16;
    if (kLane % nFrameBytes != 0 || nBoxBytes % kLane != 0 || nBoxBytes > 4 * kLane) {
        return false;
    }
    alignas(16) int16_t nWeights[kLane / 2];
    for (size_t k = 0; k < kLane / 2; ++k) {
        nWeights[k] = static_cast<int16_t>((2 * k) % nFrameBytes == layout.m_nOffset ? 1 : 0);
    }
    const __m128i weights = _mm_load_si128(reinterpret_cast<const __m128i*>(nWeights));
    const __m128d scale = _mm_set1_pd(1.0 / (32768.0 * nBox));
    const size_t nLanes = nBoxBytes / kLane;
    // A box's sum in four parts.
    const auto parts = [&](const uint8_t* p) {
        __m128i sum = _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), weights);
        for (size_t l = 1; l < nLanes; ++l) {
            const __m128i lane = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + l * kLane));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(lane, weights));
        }
        return sum;
    };
    int32_t b = 0;
    for (; b + 2 <= nBoxes; b += 2) {
        const uint8_t* p = pFrames + static_cast<size_t>(b) * nBoxBytes;
        const __m128i first = parts(p);
        const __m128i second = parts(p + nBoxBytes);
        // {f0 + f2, f1 + f3, s0 + s2, s1 + s3}, then the pairs' sums in 0 and 2.
        const __m128i halves =
            _mm_add_epi32(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second));
        const __m128i sums =
            _mm_add_epi32(halves, _mm_shuffle_epi32(halves, _MM_SHUFFLE(2, 3, 0, 1)));
        const __m128i both = _mm_shuffle_epi32(sums, _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_pd(pOut + b, _mm_mul_pd(_mm_cvtepi32_pd(both), scale));
    }
    if (b < nBoxes) {
        const __m128i last = parts(pFrames + static_cast<size_t>(b) * nBoxBytes);
        const __m128i halves = _mm_add_epi32(last, _mm_unpackhi_epi64(last, last));
        const __m128i sum = _mm_add_epi32(halves, _mm_shuffle_epi32(halves, 1));
        _mm_store_sd(pOut + b,
                     _mm_mul_sd(_mm_cvtsi32_sd(_mm_setzero_pd(), _mm_cvtsi128_si32(sum)), scale));
    }
    return true;
}
#endif

}  // namespace

int32_t BytesPerSample(ESampleCoding eCoding) {
    switch (eCoding) {
        case ESampleCoding::kU8:
        case ESampleCoding::kS8:
            return 1;
        case ESampleCoding::kS16Le:
        case ESampleCoding::kS16Be:
            return 2;
        case ESampleCoding::kS24Le:
        case ESampleCoding::kS24Be:
            return 3;
        case ESampleCoding::kS32Le:
        case ESampleCoding::kS32Be:
        case ESampleCoding::kInt32:
            return 4;
        case ESampleCoding::kDouble:
            return 8;
    }
    return 1;
}

// Integer sums are 64-bit: the longest box a 32-bit rate field allows,
// of 32-bit samples, fits.
void MeanBoxes(const SChannelLayout& layout, const uint8_t* pFrames, int32_t nBox, int32_t nBoxes,
               double* pOut) {
    switch (layout.m_eCoding) {
        case ESampleCoding::kU8:
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 128.0, pOut,
                            [](const uint8_t* p) { return static_cast<int32_t>(*p) - 128; });
            break;
        case ESampleCoding::kS8:
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 128.0, pOut, [](const uint8_t* p) {
                return static_cast<int32_t>(static_cast<int8_t>(*p));
            });
            break;
        case ESampleCoding::kS16Le:
#ifdef TAVRO_SSE2
            if (MeanBoxesS16(layout, pFrames, nBox, nBoxes, pOut)) {
                break;
            }
#endif
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 32768.0, pOut, [](const uint8_t* p) {
                return static_cast<int16_t>(Load<uint16_t>(p, std::endian::little));
            });
            break;
        case ESampleCoding::kS16Be:
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 32768.0, pOut, [](const uint8_t* p) {
                return static_cast<int16_t>(Load<uint16_t>(p, std::endian::big));
            });
            break;
        case ESampleCoding::kS24Le:
            // The sample is the top three bytes of the four that end with
            // it: one load and one arithmetic shift.
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 8388608.0, pOut, [](const uint8_t* p) {
                return static_cast<int32_t>(Load<uint32_t>(p - 1, std::endian::little)) >> 8;
            });
            break;
        case ESampleCoding::kS24Be:
            // ... or the bottom three of the four that start with it.
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 8388608.0, pOut, [](const uint8_t* p) {
                return static_cast<int32_t>(Load<uint32_t>(p, std::endian::big) & 0xffffff00u) >> 8;
            });
            break;
        case ESampleCoding::kS32Le:
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 2147483648.0, pOut,
                            [](const uint8_t* p) {
                                return static_cast<int64_t>(
                                    static_cast<int32_t>(Load<uint32_t>(p, std::endian::little)));
                            });
            break;
        case ESampleCoding::kS32Be:
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 2147483648.0, pOut,
                            [](const uint8_t* p) {
                                return static_cast<int64_t>(
                                    static_cast<int32_t>(Load<uint32_t>(p, std::endian::big)));
                            });
            break;
        case ESampleCoding::kInt32:
            MeanOf<int64_t>(layout, pFrames, nBox, nBoxes, 2147483648.0, pOut,
                            [](const uint8_t* p) {
                                return static_cast<int64_t>(
                                    static_cast<int32_t>(Load<uint32_t>(p, std::endian::native)));
                            });
            break;
        case ESampleCoding::kDouble:
            // A float file may hold anything: a NaN or an infinity would
            // stay in the filters' state for the rest of the recording.
            MeanOf<double>(layout, pFrames, nBox, nBoxes, 1.0, pOut, [](const uint8_t* p) {
                double d;
                std::memcpy(&d, p, sizeof d);
                return d == d ? std::clamp(d, -kFloatLimit, kFloatLimit) : 0.0;
            });
            break;
    }
}

double PeakOf(const double* p, int32_t nCount) {
    int32_t k = 0;
    double dPeak = 0.0;
#ifdef TAVRO_SSE2
    // Two at a time, in two pairs of lanes, so that the maxima need not
    // wait on each other; clearing the sign bit is the magnitude.
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    __m128d peaks[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
    for (; k + 4 <= nCount; k += 4) {
        peaks[0] = _mm_max_pd(peaks[0], _mm_and_pd(_mm_loadu_pd(p + k), magnitude));
        peaks[1] = _mm_max_pd(peaks[1], _mm_and_pd(_mm_loadu_pd(p + k + 2), magnitude));
    }
    const __m128d both = _mm_max_pd(peaks[0], peaks[1]);
    dPeak = std::max(_mm_cvtsd_f64(both), _mm_cvtsd_f64(_mm_unpackhi_pd(both, both)));
#endif
    for (; k < nCount; ++k) {
        dPeak = std::max(dPeak, std::abs(p[k]));
    }
    return dPeak;
}
