#include "RecordingSurvey.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "Biquad.h"
#include "LeaderShape.h"
#include "SampleCoding.h"

namespace {

// s of the recording looked at: of a stream, what may keep its first block
// waiting; of a file, as much, and where its first leader is not square
// enough to hold the first bytes after a long leader.
constexpr double kListenSeconds = 4.0;
constexpr double kFileListenSeconds = 8.0;
constexpr int32_t kMaxChannels = 16;    // more are compared by their first 16
constexpr int32_t kChunkFrames = 8192;  // frames per read
// A stream is decoded as it arrives: its survey ends as soon as the first
// leader has been measured on the loudest channel, after at least this
// long (more than the filters' priming takes), in reads of a few ms.
constexpr double kStreamListenMin = 0.5;  // s
constexpr int32_t kStreamChunkFrames = 1024;
constexpr double kHumQ = 8.0;  // quality of the band-passes that measure hum
// Hum weaker than this energy ratio to the tones does not move a crossing.
constexpr double kHumBelowTones = 1e-3;  // -30 dB
// Hum is a few lines: its bands must stand this far above the bands beside
// them, which the tones' own slow patterns fill as well.
constexpr double kHumAboveNeighbours = 4.0;

// What one channel holds: the tones' band, and the hum bands of both
// mains systems (fundamental and first harmonic).
struct SChannelBands {
    CBiquad m_highpass;
    CBiquad m_lowpass;
    CBiquad m_dc;  // removes DC before the leader's shape is measured, gently
    CLeaderShape m_shape;
    std::array<CBiquad, 6> m_hum;  // 50, 100 Hz; 60, 120 Hz; 40, 80 Hz beside them
    double m_dTones = 0.0;
    std::array<double, 3> m_dHum{};  // 50 Hz system, 60 Hz system, neighbours

    void Set(const SRobustConfig& config, double dRate) {
        // The tones lie between these; hum, DC and hiss mostly outside.
        m_highpass.SetHighpass(0.25 / config.m_dLongSeconds, dRate);
        m_lowpass.SetLowpass(1.0 / config.m_dShortSeconds, dRate);
        m_dc.SetHighpass(config.m_dHighpassHz, dRate);
        m_shape.Set(dRate, config.m_dShortSeconds);
        static constexpr std::array<double, 6> kHz = {50.0, 100.0, 60.0, 120.0, 40.0, 80.0};
        for (size_t k = 0; k < kHz.size(); ++k) {
            m_hum[k].SetBandpass(kHz[k], kHumQ, dRate);
        }
    }
    // nCount samples pIn; pScratch: room for as many.
    void ProcessBlock(const double* pIn, int32_t nCount, double* pScratch) {
        std::copy(pIn, pIn + nCount, pScratch);
        CBiquad::Cascade(m_highpass, m_lowpass, pScratch, nCount,
                         [this](int32_t, double dTone) { m_dTones += dTone * dTone; });
        for (int32_t k = 0; k < nCount; ++k) {
            m_shape.Process(m_dc.Process(pIn[k]));
        }
        // Each mains system's pair of bands side by side, adding to its sum
        // in the order one band after the other would.
        for (size_t k = 0; k < m_hum.size(); k += 2) {
            double& dSum = m_dHum[k / 2];
            CBiquad::Parallel(m_hum[k], m_hum[k + 1], pIn, nCount,
                              [&dSum](int32_t, double dFirst, double dSecond) {
                                  dSum += dFirst * dFirst;
                                  dSum += dSecond * dSecond;
                              });
        }
    }
};

// The first leader's shape on the channel with the most energy in the
// tones' band.
const CLeaderShape& LoudestShape(const std::array<SChannelBands, kMaxChannels>& bands,
                                 int32_t nCompared) {
    size_t nLoudest = 0;
    for (size_t c = 1; c < static_cast<size_t>(nCompared); ++c) {
        nLoudest = bands[c].m_dTones > bands[nLoudest].m_dTones ? c : nLoudest;
    }
    return bands[nLoudest].m_shape;
}

// The frames the survey reads from the start of input at most (4 s of a
// stream, 8 s of a file whose first leader is not square, at most what the
// input holds for a replay).
int64_t SurveyFrames(const CSoundInput& input) {
    const double dSeconds = input.IsStream() ? kListenSeconds : kFileListenSeconds;
    return std::min(static_cast<int64_t>(dSeconds * input.Rate()),
                    static_cast<int64_t>(input.MaxHeldFrames()));
}

}  // namespace

SRecordingSurvey SurveyRecording(CSoundInput& input, const SRobustConfig& config) {
    SRecordingSurvey survey;
    const int32_t nChannels = input.Channels();
    const int32_t nCompared = nChannels < kMaxChannels ? nChannels : kMaxChannels;
    std::array<SChannelBands, kMaxChannels> bands;
    for (int32_t c = 0; c < nCompared; ++c) {
        bands[static_cast<size_t>(c)].Set(config, input.Rate());
    }
    const int64_t nWanted = SurveyFrames(input);
    // One channel of a read at a time, as box means of one frame.
    const int32_t nChunk =
        std::min(input.MaxReadFrames(), input.IsStream() ? kStreamChunkFrames : kChunkFrames);
    const auto nStreamMin = input.IsStream() ? static_cast<int64_t>(kStreamListenMin * input.Rate())
                                             : std::numeric_limits<int64_t>::max();
    std::vector<double> samples(static_cast<size_t>(nChunk));
    std::vector<double> scratch(static_cast<size_t>(nChunk));
    int64_t nSeen = 0;
    // A file's survey goes on past kListenSeconds only where the first
    // leader is not square there: for the low-cut probe's first bytes.
    const auto nFileSquare = input.IsStream() ? std::numeric_limits<int64_t>::max()
                                              : static_cast<int64_t>(kListenSeconds * input.Rate());
    const auto bDone = [&] {
        const CLeaderShape& shape = LoudestShape(bands, nCompared);
        return (nSeen >= nStreamMin && shape.Measured()) ||
               (nSeen >= nFileSquare && shape.Flatness() >= config.m_dSquareFlatness);
    };
    while (nSeen < nWanted && !bDone()) {
        const uint8_t* pFrames = nullptr;
        const int32_t nRead =
            input.Read(pFrames, static_cast<int32_t>(std::min<int64_t>(nChunk, nWanted - nSeen)));
        if (nRead == 0) {
            break;
        }
        for (int32_t c = 0; c < nCompared; ++c) {
            MeanBoxes(input.Layout(c), pFrames, 1, nRead, samples.data());
            bands[static_cast<size_t>(c)].ProcessBlock(samples.data(), nRead, scratch.data());
        }
        nSeen += nRead;
    }
    survey.m_nFrames = nSeen;
    survey.m_bReplayed = input.Replay();
    for (int32_t c = 1; c < nCompared; ++c) {
        if (bands[static_cast<size_t>(c)].m_dTones >
            bands[static_cast<size_t>(survey.m_nChannel)].m_dTones) {
            survey.m_nChannel = c;
        }
    }
    const SChannelBands& chosen = bands[static_cast<size_t>(survey.m_nChannel)];
    survey.m_dLeaderFlatness = chosen.m_shape.Flatness();
    survey.m_dLeaderDroop = chosen.m_shape.Droop();
    const bool b60 = chosen.m_dHum[1] > chosen.m_dHum[0];
    const double dHum = chosen.m_dHum[b60 ? 1 : 0];
    if (dHum > kHumBelowTones * chosen.m_dTones && dHum > kHumAboveNeighbours * chosen.m_dHum[2]) {
        survey.m_dHumHz = b60 ? 60.0 : 50.0;
    }
    return survey;
}
