#include "Impairments.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Separate random streams, so that turning one impairment on does not move
// the numbers of another.
constexpr uint64_t kHissStream = 1;
constexpr uint64_t kDropoutStream = 2;
constexpr uint64_t kNoiseStream = 3;
constexpr uint64_t kWowStream = 4;

constexpr double kRampSeconds = 0.001;
constexpr double kDropoutSpacing = 0.002;  // least room between two dropouts
constexpr int kPlacementTries = 64;

// Hum: the mains frequency with its 2nd and 3rd harmonic at these weights.
constexpr double kHum2 = 0.5;
constexpr double kHum3 = 0.3;

constexpr int kBandOrder = 4;      // a line's band edges: 24 dB per octave
constexpr double kAllpassQ = 0.7;  // a phaser stage's

double FromDb(double dDb) {
    return std::pow(10.0, dDb / 20.0);
}

}  // namespace

double WowPhase(const CImpairments& impairments) {
    CRandom random(impairments.m_nSeed, kWowStream);
    return 2.0 * std::numbers::pi * random.NextUnit();
}

std::vector<CTimeSpan> PlaceDropouts(const CImpairments& impairments,
                                     std::span<const CTimeSpan> spans) {
    CRandom random(impairments.m_nSeed, kDropoutStream);
    std::vector<CTimeSpan> dropouts;
    double dTotal = 0;
    for (const auto& [dStart, dEnd] : spans) {
        dTotal += std::max(0.0, dEnd - dStart);
    }
    if (dTotal <= 0) {
        return dropouts;
    }
    for (int32_t k = 0; k < impairments.m_nDropouts; ++k) {
        const double dLength = impairments.m_dDropoutMs / 1000.0 * (0.5 + random.NextUnit());
        for (int nTry = 0; nTry < kPlacementTries; ++nTry) {
            // A span picked by its length, then a place within it.
            double dPick = random.NextUnit() * dTotal;
            const double dWhere = random.NextUnit();
            size_t nSpan = 0;
            while (nSpan + 1 < spans.size() &&
                   dPick >= std::max(0.0, spans[nSpan].second - spans[nSpan].first)) {
                dPick -= std::max(0.0, spans[nSpan].second - spans[nSpan].first);
                ++nSpan;
            }
            const auto [dSpanStart, dSpanEnd] = spans[nSpan];
            if (dSpanEnd - dSpanStart < dLength) {
                continue;
            }
            const double dStart = dSpanStart + dWhere * (dSpanEnd - dSpanStart - dLength);
            const CTimeSpan dropout{dStart, dStart + dLength};
            const bool bClash =
                std::any_of(dropouts.begin(), dropouts.end(), [&](const CTimeSpan& other) {
                    return dropout.first < other.second + kDropoutSpacing &&
                           other.first < dropout.second + kDropoutSpacing;
                });
            if (!bClash) {
                dropouts.push_back(dropout);
                break;
            }
        }
    }
    std::sort(dropouts.begin(), dropouts.end());
    return dropouts;
}

CImpairmentChain::CImpairmentChain(const CImpairments& impairments, int32_t nRate,
                                   std::vector<CTimeSpan> dropouts)
    : m_dRate(nRate),
      m_dAmplitude(FromDb(impairments.m_dLevelDb)),
      m_dGain(impairments.m_bInvert ? -m_dAmplitude : m_dAmplitude),
      m_dHumHz(impairments.m_dHumHz),
      m_dDc(impairments.m_dDc),
      m_dDropoutDb(impairments.m_dDropoutDepthDb),
      m_dOverdriveDb(impairments.m_dOverdriveDb),
      m_dropouts(std::move(dropouts)),
      m_hiss(impairments.m_nSeed, kHissStream),
      m_noise(impairments.m_nSeed, kNoiseStream) {
    // The square wave's RMS is its peak level: noise and hum are set
    // against that.
    if (impairments.m_dHissDb > 0) {
        m_dHissSigma = m_dAmplitude * FromDb(-impairments.m_dHissDb);
    }
    if (impairments.m_dHumDb > 0) {
        const double dRmsPerUnit = std::sqrt((1.0 + kHum2 * kHum2 + kHum3 * kHum3) / 2.0);
        m_dHumAmplitude = m_dAmplitude * FromDb(-impairments.m_dHumDb) / dRmsPerUnit;
    }
    if (impairments.m_dLowpassHz > 0) {
        m_lowpass.emplace(impairments.m_dLowpassHz, m_dRate);
    }
    if (impairments.m_dHighpassHz > 0 && impairments.m_nHighpassOrder <= 1) {
        m_highpass.emplace(impairments.m_dHighpassHz, m_dRate);
    } else if (impairments.m_dHighpassHz > 0) {
        m_steepHighpass.emplace(true, impairments.m_nHighpassOrder, impairments.m_dHighpassHz,
                                m_dRate);
    }
    if (impairments.m_dBandLowHz > 0) {
        m_bandLow.emplace(true, kBandOrder, impairments.m_dBandLowHz, m_dRate);
        m_bandHigh.emplace(false, kBandOrder, impairments.m_dBandHighHz, m_dRate);
    }
    if (impairments.m_dAllpassHz > 0) {
        m_allpass.emplace(CSection::EKind::kAllpass, impairments.m_dAllpassHz, kAllpassQ, m_dRate);
    }
    if (impairments.m_dAgcAttackMs > 0) {
        m_agc.emplace(m_dAmplitude, impairments.m_dAgcAttackMs, impairments.m_dAgcReleaseMs,
                      m_dRate);
    }
}

void CImpairmentChain::ApplyDropouts(std::span<double> samples, int64_t nFirstFrame) {
    const double dFirst = static_cast<double>(nFirstFrame);
    const double dLast = dFirst + static_cast<double>(samples.size());
    while (m_nDropout < m_dropouts.size() && m_dropouts[m_nDropout].second * m_dRate < dFirst) {
        ++m_nDropout;
    }
    for (size_t k = m_nDropout; k < m_dropouts.size(); ++k) {
        const auto [dStart, dEnd] = m_dropouts[k];
        if (dStart * m_dRate >= dLast) {
            break;
        }
        const double dRamp = std::min(kRampSeconds, (dEnd - dStart) / 2.0);
        // Sample n is taken at the middle of its span, (n + 0.5) / rate.
        const auto nFrom = static_cast<int64_t>(std::max(dFirst, std::floor(dStart * m_dRate)));
        const auto nTo = static_cast<int64_t>(std::min(dLast, std::ceil(dEnd * m_dRate)));
        for (int64_t n = nFrom; n < nTo; ++n) {
            const double dTime = (static_cast<double>(n) + 0.5) / m_dRate;
            const double dDepth =
                std::clamp(std::min(dTime - dStart, dEnd - dTime) / dRamp, 0.0, 1.0);
            samples[static_cast<size_t>(n - nFirstFrame)] *= FromDb(-m_dDropoutDb * dDepth);
        }
    }
}

void CImpairmentChain::AddHum(std::span<double> samples, int64_t nFirstFrame) {
    // The phase of the buffer's first sample is worked out afresh, the rest
    // follow by rotating a phasor; the harmonics come from its sine.
    const double dCycles =
        std::fmod(m_dHumHz * static_cast<double>(nFirstFrame), m_dRate) / m_dRate;
    const double dPhase = 2.0 * std::numbers::pi * dCycles;
    const double dStep = 2.0 * std::numbers::pi * m_dHumHz / m_dRate;
    const double dStepCos = std::cos(dStep);
    const double dStepSin = std::sin(dStep);
    double dCos = std::cos(dPhase);
    double dSin = std::sin(dPhase);
    for (double& d : samples) {
        const double dSin2 = 2.0 * dSin * dCos;
        const double dSin3 = dSin * (3.0 - 4.0 * dSin * dSin);
        d += m_dHumAmplitude * (dSin + kHum2 * dSin2 + kHum3 * dSin3);
        const double dNextCos = dCos * dStepCos - dSin * dStepSin;
        dSin = dSin * dStepCos + dCos * dStepSin;
        dCos = dNextCos;
    }
}

void CImpairmentChain::Process(std::span<double> samples, int64_t nFirstFrame) {
    ApplyDropouts(samples, nFirstFrame);
    for (double& d : samples) {
        d *= m_dGain;
    }
    if (m_lowpass) {
        m_lowpass->Process(samples);
    }
    if (m_dHissSigma > 0) {
        for (double& d : samples) {
            d += m_dHissSigma * m_hiss.NextGaussian();
        }
    }
    if (m_dHumAmplitude > 0) {
        AddHum(samples, nFirstFrame);
    }
    if (m_highpass) {
        m_highpass->Process(samples);
    }
    if (m_steepHighpass) {
        m_steepHighpass->Process(samples);
    }
    if (m_bandLow) {
        m_bandLow->Process(samples);
        m_bandHigh->Process(samples);
    }
    if (m_dOverdriveDb > 0) {
        Overdrive(samples, m_dOverdriveDb, m_dAmplitude);
    }
    if (m_allpass) {
        for (double& d : samples) {
            d = m_allpass->Process(d);
        }
    }
    if (m_agc) {
        m_agc->Process(samples);
    }
    if (m_dDc != 0) {
        for (double& d : samples) {
            d += m_dDc;
        }
    }
}

void CImpairmentChain::FillNoise(std::span<double> samples) {
    for (double& d : samples) {
        d = m_dAmplitude * m_noise.NextGaussian();
    }
}
