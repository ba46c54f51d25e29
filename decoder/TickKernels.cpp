#include "TickKernels.h"

#include <bit>
#include <cstring>

#include "DemodulatorRules.h"

#if defined(__GNUC__) || defined(__clang__)
#define TAVRO_ALWAYS_INLINE inline __attribute__((always_inline))
#define TAVRO_CTZ64(x) __builtin_ctzll(x)
#else
#define TAVRO_ALWAYS_INLINE inline
#define TAVRO_CTZ64(x) std::countr_zero(x)
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVRO_TICK_KERNELS_X86 1
#include <immintrin.h>
#define TAVRO_TARGET_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))
#else
#define TAVRO_TICK_KERNELS_X86 0
#endif

namespace TickKernels {
namespace {

using namespace DemodulatorRules;

constexpr uint64_t kTopBit = uint64_t{1} << 63;

// ---------------------------------------------------------------------------
// Portable versions; the reference for the vector ones.

void GatherPortable(const uint8_t* pFrames, int32_t nStride, int32_t nFrames, uint8_t* pOut) {
    const uint8_t* p = pFrames + (nStride - 1);
    for (int32_t k = 0; k < nFrames; ++k) {
        pOut[k] = *p;
        p += nStride;
    }
}

void MidpointBitsPortable(const uint8_t* pTicks, int32_t nWords, uint64_t* pOut) {
    for (int32_t w = 0; w < nWords; ++w) {
        const uint8_t* p = pTicks + 64 * w;
        uint64_t nWord = 0;
        for (int32_t i = 0; i < 64; ++i) {
            // The sum of four values is at most 1,020: bit 9 is "mean >= 128".
            const uint32_t nSum = uint32_t{p[i]} + p[i - 1] + p[i - 2] + p[i - 3];
            nWord |= uint64_t{nSum >> 9} << i;
        }
        pOut[w] = nWord;
    }
}

// Bits set in x, in plain arithmetic: without a POPCNT instruction the
// compiler would call a library function.
TAVRO_ALWAYS_INLINE int32_t CountBits(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int32_t>((x * 0x0101010101010101ull) >> 56);
}

// Written once, compiled for each level (the AVX2 one gets TZCNT, and POPCNT
// through bHasPopcount).
template <bool bHasPopcount>
TAVRO_ALWAYS_INLINE int32_t EdgePositionsBody(const uint64_t* pEdges, int32_t nWords,
                                              uint16_t* pOut) {
    constexpr int32_t kAtOnce = 6;  // a short half-period leaves at most 6 crossings in 64 ticks
    int32_t n = 0;
    for (int32_t w = 0; w < nWords; ++w) {
        uint64_t x = pEdges[w];
        const auto nBase = static_cast<uint16_t>(64 * w + 1);
        const int32_t nCount = bHasPopcount ? std::popcount(x) : CountBits(x);
        uint16_t* pTo = pOut + n;
        // The first few without looking: entries past the count are
        // scratch, overwritten by the next word.
        for (int32_t k = 0; k < kAtOnce; ++k) {
            pTo[k] = static_cast<uint16_t>(nBase + TAVRO_CTZ64(x | kTopBit));
            x &= x - 1;
        }
        for (int32_t k = kAtOnce; k < nCount; ++k) {
            pTo[k] = static_cast<uint16_t>(nBase + TAVRO_CTZ64(x));
            x &= x - 1;
        }
        n += nCount;
    }
    return n;
}

int32_t EdgePositionsPortable(const uint64_t* pEdges, int32_t nWords, uint16_t* pOut) {
    return EdgePositionsBody<false>(pEdges, nWords, pOut);
}

void SetTail(uint64_t* pMask, int32_t nFrom, int32_t nWords) {
    for (int32_t w = nFrom / 64; w < nWords; ++w) {
        const int32_t nLow = nFrom - 64 * w;
        pMask[w] |= nLow <= 0 ? ~uint64_t{0} : ~uint64_t{0} << nLow;
    }
}

void ClearMask(uint64_t* pMask, int32_t nWords) {
    std::memset(pMask, 0, sizeof(uint64_t) * static_cast<size_t>(nWords));
}

void GapClassesPortable(const uint16_t* pPos, int32_t nGaps, int32_t nWords,
                        const SGapMasks& masks) {
    ClearMask(masks.m_pLong, nWords);
    ClearMask(masks.m_pTooLong, nWords);
    for (int32_t k = 0; k < nGaps; ++k) {
        const int32_t nGap = pPos[k + 1] - pPos[k];
        const uint64_t nBit = uint64_t{1} << (k % 64);
        const int32_t w = k / 64;
        const bool bOne = nGap == 1;
        if (bOne || nGap > kGapShortMax) {
            masks.m_pLong[w] |= nBit;
        }
        if (bOne || nGap > kGapLongMax) {
            masks.m_pTooLong[w] |= nBit;
        }
    }
    SetTail(masks.m_pLong, nGaps, nWords);
    SetTail(masks.m_pTooLong, nGaps, nWords);
}

#if TAVRO_TICK_KERNELS_X86

// ---------------------------------------------------------------------------
// SSE2.

void GatherSse2(const uint8_t* pFrames, int32_t nStride, int32_t nFrames, uint8_t* pOut) {
    int32_t k = 0;
    if (nStride == 4) {
        for (; k + 16 <= nFrames; k += 16) {
            const uint8_t* p = pFrames + 4 * k;
            const __m128i a =
                _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 24);
            const __m128i b =
                _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), 24);
            const __m128i c =
                _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), 24);
            const __m128i d =
                _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), 24);
            const __m128i v = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + k), v);
        }
    } else if (nStride == 2) {
        for (; k + 16 <= nFrames; k += 16) {
            const uint8_t* p = pFrames + 2 * k;
            const __m128i a =
                _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 8);
            const __m128i b =
                _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + k), _mm_packus_epi16(a, b));
        }
    }
    GatherPortable(pFrames + nStride * k, nStride, nFrames - k, pOut + k);
}

// Bit 7 of floor((a + b + c + d) / 4) for 16 ticks, in bytes: with the
// rounded-up averages p = avg(a, b), q = avg(c, d) and e = 1 when either
// pair sum is odd, the sum is at least 512 exactly when p + q - e >= 256.
inline uint32_t Bits16Sse2(const uint8_t* p) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 2));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 3));
    const __m128i e =
        _mm_and_si128(_mm_or_si128(_mm_xor_si128(a, b), _mm_xor_si128(c, d)), _mm_set1_epi8(1));
    const __m128i nP = _mm_avg_epu8(a, b);
    const __m128i nQ = _mm_subs_epu8(_mm_avg_epu8(c, d), e);
    // p + q carries out of 8 bits exactly when the wrapped sum is below p.
    const __m128i nSum = _mm_add_epi8(nP, nQ);
    const __m128i bNoCarry = _mm_cmpeq_epi8(_mm_min_epu8(nSum, nP), nP);
    return ~static_cast<uint32_t>(_mm_movemask_epi8(bNoCarry)) & 0xFFFFu;
}

// The same in fewer steps, for all but one case: m = avg(avg(a, b),
// avg(c, d)) is the exact mean or above it by less than one, so its bit 7 is
// the answer unless m is exactly 128. Returns the bits, and in nUnsure the
// ticks where m is 128.
inline uint32_t QuickBits16Sse2(const uint8_t* p, uint32_t& nUnsure) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 2));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 3));
    const __m128i nMean = _mm_avg_epu8(_mm_avg_epu8(a, b), _mm_avg_epu8(c, d));
    nUnsure |= static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(nMean, _mm_set1_epi8(static_cast<char>(0x80)))));
    return static_cast<uint32_t>(_mm_movemask_epi8(nMean));
}

void MidpointBitsSse2(const uint8_t* pTicks, int32_t nWords, uint64_t* pOut) {
    for (int32_t w = 0; w < nWords; ++w) {
        const uint8_t* p = pTicks + 64 * w;
        uint32_t nUnsure = 0;
        const uint64_t nWord = uint64_t{QuickBits16Sse2(p, nUnsure)} |
                               uint64_t{QuickBits16Sse2(p + 16, nUnsure)} << 16 |
                               uint64_t{QuickBits16Sse2(p + 32, nUnsure)} << 32 |
                               uint64_t{QuickBits16Sse2(p + 48, nUnsure)} << 48;
        pOut[w] = nUnsure == 0
                      ? nWord
                      : uint64_t{Bits16Sse2(p)} | uint64_t{Bits16Sse2(p + 16)} << 16 |
                            uint64_t{Bits16Sse2(p + 32)} << 32 | uint64_t{Bits16Sse2(p + 48)} << 48;
    }
}

inline uint32_t Mask16(__m128i a, __m128i b) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
}

void GapClassesSse2(const uint16_t* pPos, int32_t nGaps, int32_t nWords, const SGapMasks& masks) {
    ClearMask(masks.m_pLong, nWords);
    ClearMask(masks.m_pTooLong, nWords);
    const __m128i nOne = _mm_set1_epi16(1);
    const __m128i nShortMax = _mm_set1_epi16(kGapShortMax);
    const __m128i nLongMax = _mm_set1_epi16(kGapLongMax);
    for (int32_t k = 0; k < nGaps; k += 16) {
        const auto* p = reinterpret_cast<const __m128i*>(pPos + k);
        const auto* p1 = reinterpret_cast<const __m128i*>(pPos + k + 1);
        const __m128i g0 = _mm_sub_epi16(_mm_loadu_si128(p1), _mm_loadu_si128(p));
        const __m128i g1 = _mm_sub_epi16(_mm_loadu_si128(p1 + 1), _mm_loadu_si128(p + 1));
        const __m128i bOne0 = _mm_cmpeq_epi16(g0, nOne);
        const __m128i bOne1 = _mm_cmpeq_epi16(g1, nOne);
        const int32_t nShift = k % 64;
        const int32_t w = k / 64;
        masks.m_pLong[w] |= uint64_t{Mask16(_mm_or_si128(_mm_cmpgt_epi16(g0, nShortMax), bOne0),
                                            _mm_or_si128(_mm_cmpgt_epi16(g1, nShortMax), bOne1))}
                            << nShift;
        masks.m_pTooLong[w] |= uint64_t{Mask16(_mm_or_si128(_mm_cmpgt_epi16(g0, nLongMax), bOne0),
                                               _mm_or_si128(_mm_cmpgt_epi16(g1, nLongMax), bOne1))}
                               << nShift;
    }
    // Bits of the last group beyond nGaps came from scratch entries; they
    // are all set now, like every bit from nGaps on.
    SetTail(masks.m_pLong, nGaps, nWords);
    SetTail(masks.m_pTooLong, nGaps, nWords);
}

// ---------------------------------------------------------------------------
// AVX2, chosen at run time.

TAVRO_TARGET_AVX2 void GatherAvx2(const uint8_t* pFrames, int32_t nStride, int32_t nFrames,
                                  uint8_t* pOut) {
    int32_t k = 0;
    if (nStride == 4) {
        // Packing works within 128-bit lanes; the permutation puts the
        // groups of four frames back in order.
        const __m256i nOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
        for (; k + 32 <= nFrames; k += 32) {
            const auto* p = reinterpret_cast<const __m256i*>(pFrames + 4 * k);
            const __m256i a = _mm256_srli_epi32(_mm256_loadu_si256(p), 24);
            const __m256i b = _mm256_srli_epi32(_mm256_loadu_si256(p + 1), 24);
            const __m256i c = _mm256_srli_epi32(_mm256_loadu_si256(p + 2), 24);
            const __m256i d = _mm256_srli_epi32(_mm256_loadu_si256(p + 3), 24);
            const __m256i v =
                _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut + k),
                                _mm256_permutevar8x32_epi32(v, nOrder));
        }
    } else if (nStride == 2) {
        for (; k + 32 <= nFrames; k += 32) {
            const auto* p = reinterpret_cast<const __m256i*>(pFrames + 2 * k);
            const __m256i a = _mm256_srli_epi16(_mm256_loadu_si256(p), 8);
            const __m256i b = _mm256_srli_epi16(_mm256_loadu_si256(p + 1), 8);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut + k),
                                _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8));
        }
    }
    GatherPortable(pFrames + nStride * k, nStride, nFrames - k, pOut + k);
}

TAVRO_TARGET_AVX2 inline uint64_t Bits32Avx2(const uint8_t* p) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 2));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 3));
    const __m256i e = _mm256_and_si256(
        _mm256_or_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(c, d)), _mm256_set1_epi8(1));
    const __m256i nP = _mm256_avg_epu8(a, b);
    const __m256i nQ = _mm256_subs_epu8(_mm256_avg_epu8(c, d), e);
    const __m256i nSum = _mm256_add_epi8(nP, nQ);
    const __m256i bNoCarry = _mm256_cmpeq_epi8(_mm256_min_epu8(nSum, nP), nP);
    return ~uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(bNoCarry))} & 0xFFFFFFFFu;
}

TAVRO_TARGET_AVX2 inline uint64_t QuickBits32Avx2(const uint8_t* p, uint32_t& nUnsure) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 2));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 3));
    const __m256i nMean = _mm256_avg_epu8(_mm256_avg_epu8(a, b), _mm256_avg_epu8(c, d));
    nUnsure |= static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(nMean, _mm256_set1_epi8(static_cast<char>(0x80)))));
    return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(nMean))};
}

TAVRO_TARGET_AVX2 void MidpointBitsAvx2(const uint8_t* pTicks, int32_t nWords, uint64_t* pOut) {
    for (int32_t w = 0; w < nWords; ++w) {
        const uint8_t* p = pTicks + 64 * w;
        uint32_t nUnsure = 0;
        const uint64_t nWord = QuickBits32Avx2(p, nUnsure) | QuickBits32Avx2(p + 32, nUnsure) << 32;
        pOut[w] = nUnsure == 0 ? nWord : Bits32Avx2(p) | Bits32Avx2(p + 32) << 32;
    }
}

TAVRO_TARGET_AVX2 int32_t EdgePositionsAvx2(const uint64_t* pEdges, int32_t nWords,
                                            uint16_t* pOut) {
    return EdgePositionsBody<true>(pEdges, nWords, pOut);
}

#endif  // TAVRO_TICK_KERNELS_X86

// ---------------------------------------------------------------------------
// Selection.

struct SKernels {
    ELevel m_eLevel;
    void (*m_pGather)(const uint8_t*, int32_t, int32_t, uint8_t*);
    void (*m_pMidpointBits)(const uint8_t*, int32_t, uint64_t*);
    int32_t (*m_pEdgePositions)(const uint64_t*, int32_t, uint16_t*);
    void (*m_pGapClasses)(const uint16_t*, int32_t, int32_t, const SGapMasks&);
};

constexpr SKernels kPortable = {ELevel::kPortable, GatherPortable, MidpointBitsPortable,
                                EdgePositionsPortable, GapClassesPortable};
#if TAVRO_TICK_KERNELS_X86
constexpr SKernels kSse2 = {ELevel::kSse2, GatherSse2, MidpointBitsSse2, EdgePositionsPortable,
                            GapClassesSse2};
constexpr SKernels kAvx2 = {ELevel::kAvx2, GatherAvx2, MidpointBitsAvx2, EdgePositionsAvx2,
                            GapClassesSse2};
#endif

ELevel DetectBest() {
#if TAVRO_TICK_KERNELS_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
        __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt")) {
        return ELevel::kAvx2;
    }
    return ELevel::kSse2;
#else
    return ELevel::kPortable;
#endif
}

const SKernels& KernelsFor(ELevel eLevel) {
#if TAVRO_TICK_KERNELS_X86
    switch (eLevel) {
        case ELevel::kAvx2:
            return kAvx2;
        case ELevel::kSse2:
            return kSse2;
        default:
            break;
    }
#else
    (void)eLevel;
#endif
    return kPortable;
}

const SKernels*& Active() {
    static const SKernels* pActive = &KernelsFor(BestLevel());
    return pActive;
}

}  // namespace

void LeaderGapClasses(const uint16_t* pPos, int32_t nGaps, int32_t nWords, uint64_t* pNoLeader) {
    // Needed only while searching for a leader: plain code will do.
    ClearMask(pNoLeader, nWords);
    for (int32_t k = 0; k < nGaps; ++k) {
        const int32_t nGap = pPos[k + 1] - pPos[k];
        if (nGap < kGapLeaderMin || nGap > kGapLongMax) {
            pNoLeader[k / 64] |= uint64_t{1} << (k % 64);
        }
    }
    SetTail(pNoLeader, nGaps, nWords);
}

ELevel BestLevel() {
    static const ELevel eBest = DetectBest();
    return eBest;
}

ELevel CurrentLevel() {
    return Active()->m_eLevel;
}

ELevel SetLevel(ELevel eLevel) {
    const ELevel eBest = BestLevel();
    const ELevel eUse = static_cast<int>(eLevel) < static_cast<int>(eBest) ? eLevel : eBest;
    Active() = &KernelsFor(eUse);
    return eUse;
}

const char* LevelName(ELevel eLevel) {
    switch (eLevel) {
        case ELevel::kAvx2:
            return "avx2";
        case ELevel::kSse2:
            return "sse2";
        default:
            return "portable";
    }
}

void GatherFrames(const uint8_t* pFrames, int32_t nStride, int32_t nFrames, uint8_t* pOut) {
    Active()->m_pGather(pFrames, nStride, nFrames, pOut);
}

void MidpointBits(const uint8_t* pTicks, int32_t nWords, uint64_t* pOut) {
    Active()->m_pMidpointBits(pTicks, nWords, pOut);
}

int32_t EdgePositions(const uint64_t* pEdges, int32_t nWords, uint16_t* pOut) {
    return Active()->m_pEdgePositions(pEdges, nWords, pOut);
}

void GapClasses(const uint16_t* pPos, int32_t nGaps, int32_t nWords, const SGapMasks& masks) {
    Active()->m_pGapClasses(pPos, nGaps, nWords, masks);
}

}  // namespace TickKernels
