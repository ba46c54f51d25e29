// CBiquad: a second-order IIR section, designed from a corner frequency in
// hertz at a sample rate. Direct form I: each output waits on the one
// before it for one multiplication and one subtraction only, where the
// transposed form II waits for three operations, and the chain runs as
// fast as its slowest recursion.
#pragma once

#include <array>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVRO_BIQUAD_SSE2 1
#endif

class CBiquad {
public:
    // Butterworth (Q = 1/sqrt 2) low-pass and high-pass sections.
    void SetLowpass(double dHz, double dRate);
    void SetHighpass(double dHz, double dRate);
    // A band-pass of 0 dB peak gain at dHz, of quality dQ.
    void SetBandpass(double dHz, double dQ, double dRate);
    // A notch at dHz of quality dQ (centre over bandwidth).
    void SetNotch(double dHz, double dQ, double dRate);
    // An analog section (n2 s^2 + n1 s + n0) / (d2 s^2 + d1 s + d0), s in
    // radians per second, by the bilinear transform: for corners far below
    // the Nyquist frequency, where its warping does not matter.
    void SetAnalog(const std::array<double, 3>& dNumerator,
                   const std::array<double, 3>& dDenominator, double dRate);
    void Reset() { m_dX1 = m_dX2 = m_dY1 = m_dY2 = 0.0; }
    // The state of a section that has always had dIn as its input.
    void Settle(double dIn) {
        m_dX1 = m_dX2 = dIn;
        m_dY1 = m_dY2 = dIn * (m_dB0 + m_dB1 + m_dB2) / (1.0 + m_dA1 + m_dA2);
    }

    double Process(double dIn) {
        // The last output comes in last, so that the rest is ready before it.
        const double dOut =
            m_dB0 * dIn + m_dB1 * m_dX1 + m_dB2 * m_dX2 - m_dA2 * m_dY2 - m_dA1 * m_dY1;
        m_dX2 = m_dX1;
        m_dX1 = dIn;
        m_dY2 = m_dY1;
        m_dY1 = dOut;
        return dOut;
    }

    // The same over a block, in place, with the state held in registers.
    void ProcessBlock(double* pSamples, int32_t nCount) {
        CBiquad section = *this;
        for (int32_t k = 0; k < nCount; ++k) {
            pSamples[k] = section.Process(pSamples[k]);
        }
        *this = section;
    }

    // Two sections one after the other over a block, in place: pSamples[k]
    // becomes second(first(pSamples[k])), and then out(k, pSamples[k]) is
    // called, k in order. The values are those of the two run one after the
    // other, bit for bit; with SSE2 both run in the two lanes of one vector
    // (each lane does the same operations in the same order), the second
    // kLag samples behind the first, so that each step does the two
    // sections' work in half the instructions and the second's input is
    // ready steps before it is needed.
    template <typename FOut>
    static void Cascade(CBiquad& first, CBiquad& second, double* pSamples, int32_t nCount,
                        FOut out);

    // Two sections side by side over the same nCount samples pIn: out(k,
    // first's output, second's output) for k in order, bit for bit what
    // each gives alone; with SSE2 in the two lanes of one vector.
    template <typename FOut>
    static void Parallel(CBiquad& first, CBiquad& second, const double* pIn, int32_t nCount,
                         FOut out);

private:
    static constexpr int32_t kLag = 3;  // samples the second section runs behind

#ifdef TAVRO_BIQUAD_SSE2
    // Two sections in the two lanes of vectors: lane 0 the first, lane 1
    // the second.
    struct SLanes {
        __m128d m_b0, m_b1, m_b2, m_a1, m_a2;  // coefficients
        __m128d m_x1, m_x2, m_y1, m_y2;        // state

        SLanes(const CBiquad& first, const CBiquad& second)
            : m_b0(_mm_set_pd(second.m_dB0, first.m_dB0)),
              m_b1(_mm_set_pd(second.m_dB1, first.m_dB1)),
              m_b2(_mm_set_pd(second.m_dB2, first.m_dB2)),
              m_a1(_mm_set_pd(second.m_dA1, first.m_dA1)),
              m_a2(_mm_set_pd(second.m_dA2, first.m_dA2)),
              m_x1(_mm_set_pd(second.m_dX1, first.m_dX1)),
              m_x2(_mm_set_pd(second.m_dX2, first.m_dX2)),
              m_y1(_mm_set_pd(second.m_dY1, first.m_dY1)),
              m_y2(_mm_set_pd(second.m_dY2, first.m_dY2)) {}
        // As Process, term by term, in both lanes.
        __m128d Process(__m128d in) {
            __m128d y = _mm_mul_pd(m_b0, in);
            y = _mm_add_pd(y, _mm_mul_pd(m_b1, m_x1));
            y = _mm_add_pd(y, _mm_mul_pd(m_b2, m_x2));
            y = _mm_sub_pd(y, _mm_mul_pd(m_a2, m_y2));
            y = _mm_sub_pd(y, _mm_mul_pd(m_a1, m_y1));
            m_x2 = m_x1;
            m_x1 = in;
            m_y2 = m_y1;
            m_y1 = y;
            return y;
        }
        static double Lane0(__m128d v) { return _mm_cvtsd_f64(v); }
        static double Lane1(__m128d v) { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
        // The state back into the two sections.
        void Store(CBiquad& first, CBiquad& second) const {
            first.m_dX1 = Lane0(m_x1);
            first.m_dX2 = Lane0(m_x2);
            first.m_dY1 = Lane0(m_y1);
            first.m_dY2 = Lane0(m_y2);
            second.m_dX1 = Lane1(m_x1);
            second.m_dX2 = Lane1(m_x2);
            second.m_dY1 = Lane1(m_y1);
            second.m_dY2 = Lane1(m_y2);
        }
    };
#endif

    void Set(double dB0, double dB1, double dB2, double dA0, double dA1, double dA2);

    double m_dB0 = 1.0, m_dB1 = 0.0, m_dB2 = 0.0;  // feed-forward, normalised by a0
    double m_dA1 = 0.0, m_dA2 = 0.0;               // feedback, normalised by a0
    double m_dX1 = 0.0, m_dX2 = 0.0;               // the last two inputs
    double m_dY1 = 0.0, m_dY2 = 0.0;               // the last two outputs
};

template <typename FOut>
void CBiquad::Cascade(CBiquad& first, CBiquad& second, double* pSamples, int32_t nCount, FOut out) {
#ifdef TAVRO_BIQUAD_SSE2
    if (nCount > kLag) {
        // The first section alone over the first kLag samples; the second
        // takes them from lane 0 of the outputs kLag steps back.
        std::array<double, kLag> dFirst{};
        for (int32_t k = 0; k < kLag; ++k) {
            dFirst[static_cast<size_t>(k)] = first.Process(pSamples[k]);
        }
        SLanes lanes(first, second);
        __m128d y3 = _mm_set_sd(dFirst[0]);  // lane 0: the first's output kLag steps back
        for (int32_t k = kLag; k < nCount; ++k) {
            const __m128d y3Next = lanes.m_y2;
            const double dOut =
                SLanes::Lane1(lanes.Process(_mm_unpacklo_pd(_mm_load_sd(pSamples + k), y3)));
            y3 = y3Next;
            pSamples[k - kLag] = dOut;
            out(k - kLag, dOut);
        }
        lanes.Store(first, second);
        // The second over the first's last kLag outputs.
        const std::array<double, kLag> dLast = {SLanes::Lane0(y3), SLanes::Lane0(lanes.m_y2),
                                                SLanes::Lane0(lanes.m_y1)};
        for (int32_t k = 0; k < kLag; ++k) {
            const int32_t nAt = nCount - kLag + k;
            pSamples[nAt] = second.Process(dLast[static_cast<size_t>(k)]);
            out(nAt, pSamples[nAt]);
        }
        return;
    }
#endif
    for (int32_t k = 0; k < nCount; ++k) {
        pSamples[k] = second.Process(first.Process(pSamples[k]));
        out(k, pSamples[k]);
    }
}

template <typename FOut>
void CBiquad::Parallel(CBiquad& first, CBiquad& second, const double* pIn, int32_t nCount,
                       FOut out) {
#ifdef TAVRO_BIQUAD_SSE2
    SLanes lanes(first, second);
    for (int32_t k = 0; k < nCount; ++k) {
        const __m128d y = lanes.Process(_mm_set1_pd(pIn[k]));
        out(k, SLanes::Lane0(y), SLanes::Lane1(y));
    }
    lanes.Store(first, second);
#else
    for (int32_t k = 0; k < nCount; ++k) {
        const double dFirst = first.Process(pIn[k]);
        out(k, dFirst, second.Process(pIn[k]));
    }
#endif
}
