#include "ChannelChooser.h"

#include <array>

#include "Biquad.h"

namespace {

constexpr double kListenSeconds = 8.0;  // s of the recording compared
constexpr int32_t kMaxChannels = 16;    // more are compared by their first 16

}  // namespace

int32_t ChooseTapeChannel(CSoundInput& input, const SRobustConfig& config) {
    const int32_t nChannels = input.Channels();
    if (nChannels <= 1) {
        return 0;
    }
    const int32_t nCompared = nChannels < kMaxChannels ? nChannels : kMaxChannels;
    const double dRate = input.Rate();
    std::array<CBiquad, kMaxChannels> highpass;
    std::array<CBiquad, kMaxChannels> lowpass;
    std::array<double, kMaxChannels> energy{};
    // The tones lie between these; hum, DC and hiss mostly outside.
    const double dLowHz = 0.25 / config.m_dLongSeconds;
    const double dHighHz = 1.0 / config.m_dShortSeconds;
    for (int32_t c = 0; c < nCompared; ++c) {
        highpass[static_cast<size_t>(c)].SetHighpass(dLowHz, dRate);
        lowpass[static_cast<size_t>(c)].SetLowpass(dHighHz, dRate);
    }
    const auto nWanted = static_cast<int64_t>(kListenSeconds * dRate);
    int64_t nSeen = 0;
    const float* pFrames = nullptr;
    while (nSeen < nWanted) {
        const int32_t nRead = input.ReadFrames(pFrames);
        if (nRead == 0) {
            break;
        }
        for (int32_t f = 0; f < nRead; ++f) {
            const float* pFrame = pFrames + static_cast<size_t>(f) * static_cast<size_t>(nChannels);
            for (int32_t c = 0; c < nCompared; ++c) {
                const auto k = static_cast<size_t>(c);
                const double dBand = lowpass[k].Process(highpass[k].Process(pFrame[c]));
                energy[k] += dBand * dBand;
            }
        }
        nSeen += nRead;
    }
    if (!input.Rewind()) {
        return -1;
    }
    int32_t nBest = 0;
    for (int32_t c = 1; c < nCompared; ++c) {
        if (energy[static_cast<size_t>(c)] > energy[static_cast<size_t>(nBest)]) {
            nBest = c;
        }
    }
    return nBest;
}
