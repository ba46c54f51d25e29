#include "SampleCoding.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

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
