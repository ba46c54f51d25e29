// What an analog recording looks like: the sample format of its WAV file
// and the faults of the deck and tape it was made on.
#pragma once

#include <cstdint>
#include <string>

// What the channel without the tape signal carries in a stereo recording.
enum class EOtherChannel { kCopy, kSilence, kNoise };

// Linear samples, or G.711 mu-law or A-law bytes.
enum class ECompanding { kNone, kMuLaw, kALaw };

struct CAnalogFormat {
    int32_t m_nRate = 44100;  // frames per second, kMinAnalogRate to kMaxAnalogRate
    int32_t m_nBits = 16;     // 8, 16, 24, 32 (integer) or 32, 64 with m_bFloat
    bool m_bFloat = false;    // IEEE float samples
    int32_t m_nChannels = 1;  // 1 or 2
    // With 2 channels: the other one is a copy, digital silence, or Gaussian
    // noise as loud (RMS) as the tape signal.
    EOtherChannel m_eOther = EOtherChannel::kCopy;
    int32_t m_nSignalChannel = 1;  // 0-based channel that carries the tape (stereo only)
    bool m_bExtensible = false;    // WAVE_FORMAT_EXTENSIBLE header
    bool m_bListChunk = false;     // a LIST/INFO chunk (odd-sized string, padded) before "data"
    // 8-bit logarithmic samples of a telephone line (m_nBits is then 8).
    ECompanding m_eCompanding = ECompanding::kNone;

    bool operator==(const CAnalogFormat&) const = default;
};

struct CImpairments {
    double m_dLevelDb = -6.0;  // peak level of the signal, dB relative to full scale (<= 0)
    double m_dSpeed = 1.0;     // deck speed: 1.1 plays 10 % fast (every half-period 1/1.1 as long)
    double m_dWowPercent = 0.0;  // peak speed deviation of a sinusoidal wow ...
    double m_dWowHz = 1.0;       // ... at this rate
    double m_dHissDb = 0.0;  // white Gaussian noise this many dB below the signal's RMS; 0 = none
    double m_dHumDb = 0.0;   // hum (with 2nd and 3rd harmonic) this many dB below the signal
    double m_dHumHz = 50.0;  // 0 dB = none
    double m_dDc = 0.0;      // DC offset as a fraction of full scale (-1..1)
    double m_dLowpassHz = 0.0;        // 2-pole Butterworth low-pass (a worn head); 0 = none
    double m_dHighpassHz = 0.0;       // 1-pole high-pass (AC coupling); 0 = none
    int32_t m_nDropouts = 0;          // dropouts placed at random inside the data of the blocks
    double m_dDropoutMs = 8.0;        // mean dropout length (each drawn from 0.5x..1.5x)
    double m_dDropoutDepthDb = 30.0;  // attenuation inside a dropout (with 1 ms ramps)
    bool m_bInvert = false;           // polarity inverted
    uint64_t m_nSeed = 1;             // noise, dropout places: the same seed gives the same file
    // The audio tools the recording went through after the deck, in order:
    int32_t m_nHighpassOrder = 1;    // of the high-pass above (Butterworth from 2 on)
    double m_dBandLowHz = 0.0;       // a line's band: 4th-order Butterworth high-pass ...
    double m_dBandHighHz = 0.0;      // ... and low-pass at these corners; 0 = none
    double m_dOverdriveDb = 0.0;     // soft clipping (tanh) driven this much; 0 = none
    double m_dAllpassHz = 0.0;       // a phaser's 2nd-order all-pass at this frequency; 0 = none
    double m_dAgcAttackMs = 0.0;     // automatic gain: attack; 0 = none
    double m_dAgcReleaseMs = 500.0;  // ... and release

    bool operator==(const CImpairments&) const = default;
};

inline constexpr int32_t kMinAnalogRate = 8000;
inline constexpr int32_t kMaxAnalogRate = 192000;
inline constexpr double kMaxAnalogGapSeconds = 3600.0;

// Why the settings cannot be rendered, in the words of tavro-tape-encode's
// options; empty when they can.
std::string AnalogSettingsError(const CAnalogFormat& format, const CImpairments& impairments,
                                int32_t nLeader, double dGapSeconds);
