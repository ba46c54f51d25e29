// The faults of a deck and a tape, applied to the tape's square wave in
// order: dropouts, level and polarity, the worn head's low-pass, hiss and
// hum, the input's AC coupling (high-pass), then the audio tools' band,
// overdrive, all-pass and automatic gain, and the converter's DC offset.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "AnalogSettings.h"
#include "Filters.h"
#include "Random.h"
#include "ToolEffects.h"

using CTimeSpan = std::pair<double, double>;  // start and end, in playback seconds

// impairments.m_nDropouts dropouts (fewer when they do not fit) inside the
// given spans, sorted and apart from each other; drawn from impairments'
// seed alone.
std::vector<CTimeSpan> PlaceDropouts(const CImpairments& impairments,
                                     std::span<const CTimeSpan> spans);

// The wow's phase (radians, 0 to 2 pi) at the start of the playback, drawn
// from impairments' seed alone: takes with other seeds have another phase.
double WowPhase(const CImpairments& impairments);

class CImpairmentChain {
public:
    CImpairmentChain(const CImpairments& impairments, int32_t nRate,
                     std::vector<CTimeSpan> dropouts);

    // Turns the tape levels (-1..1) of the frames from nFirstFrame on, which
    // come in order buffer by buffer, into full-scale samples.
    void Process(std::span<double> samples, int64_t nFirstFrame);

    // Gaussian noise as loud (RMS) as the tape signal, for a stereo
    // recording's other channel.
    void FillNoise(std::span<double> samples);

    // The tape signal's peak (and RMS) level as a fraction of full scale.
    double Amplitude() const { return m_dAmplitude; }

private:
    void ApplyDropouts(std::span<double> samples, int64_t nFirstFrame);
    void AddHum(std::span<double> samples, int64_t nFirstFrame);

    double m_dRate;
    double m_dAmplitude;
    double m_dGain;  // the amplitude, negative when inverted
    double m_dHissSigma = 0;
    double m_dHumAmplitude = 0;  // of the fundamental
    double m_dHumHz;
    double m_dDc;
    double m_dDropoutDb;
    std::optional<CLowpass> m_lowpass;
    std::optional<CHighpass> m_highpass;
    std::optional<CButterworth> m_steepHighpass;  // the high-pass from order 2 on
    std::optional<CButterworth> m_bandLow;
    std::optional<CButterworth> m_bandHigh;
    double m_dOverdriveDb;
    std::optional<CSection> m_allpass;
    std::optional<CAutoGain> m_agc;
    std::vector<CTimeSpan> m_dropouts;
    size_t m_nDropout = 0;  // the first dropout not yet wholly behind
    CRandom m_hiss;
    CRandom m_noise;
};
