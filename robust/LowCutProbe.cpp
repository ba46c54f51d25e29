#include "LowCutProbe.h"

#include <algorithm>
#include <array>

#include "ByteFramer.h"
#include "CrossingDetector.h"
#include "EdgeDetector.h"
#include "HalfPeriodTiming.h"
#include "LevelTracker.h"
#include "LowCutInverse.h"

namespace {

constexpr std::array<double, 5> kCornersHz = {100.0, 141.0, 200.0, 283.0, 400.0};
constexpr int32_t kLostWeight = 4;  // bytes a lost byte counts against
constexpr int32_t kTelling = 32;    // bytes framed by one of them that tell the low-cut
// Where the first leader is only rounded, a low-cut is undone only where
// its inverse frames more than this many more, net: two lost bytes fewer,
// or nine bytes more. Behind no low-cut, an inverse raises the lows and
// moves the crossings of long half-periods: a worn take whose first
// seconds lost a byte is best left as it is.
constexpr int32_t kMargin = 8;

// How well a detector framed the first seconds: the bytes less the lost
// ones, weighted, and among equals the surer: the sum of the bytes'
// confidences (their half-periods' least margins from a class boundary).
struct SScore {
    int32_t m_nNet = 0;
    double m_dSure = 0.0;
    int32_t m_nBytes = 0;
    bool operator>(const SScore& other) const {
        return m_nNet != other.m_nNet ? m_nNet > other.m_nNet : m_dSure > other.m_dSure;
    }
};

class CCount : public CFramerEvents {
public:
    void OnByte(const SFramedByte& byte) override {
        ++m_nBytes;
        m_dSure += byte.m_fConfidence;
    }
    void OnFailure(double) override { ++m_nLost; }
    void OnBlockEnd() override {}
    SScore Score() const { return {m_nBytes - kLostWeight * m_nLost, m_dSure, m_nBytes}; }

private:
    int32_t m_nBytes = 0;
    int32_t m_nLost = 0;
    double m_dSure = 0.0;
};

// The framing of the decoder over a detector's events (times in samples).
SScore FrameScore(const std::vector<SCrossingEvent>& events, int32_t nEvents, double dRate,
                  const SRobustConfig& config) {
    CHalfPeriodTiming timing(config);
    CCount count;
    CByteFramer framer(config, timing, count);
    framer.Reset();
    for (int32_t e = 1; e < nEvents; ++e) {
        SHalfPeriod half;
        half.m_dStart = events[static_cast<size_t>(e - 1)].m_dAt / dRate;
        half.m_dLength =
            (events[static_cast<size_t>(e)].m_dAt - events[static_cast<size_t>(e - 1)].m_dAt) /
            dRate;
        framer.Add(half);
    }
    framer.Finish();
    return count.Score();
}

// Room for one candidate's levels and events, made once for all of them.
struct SScratch {
    explicit SScratch(size_t nSamples) : m_levels(nSamples), m_events(nSamples + 2) {}
    std::vector<double> m_levels;
    std::vector<SCrossingEvent> m_events;
};

// The decoder's detectors over samples: the crossings, and the edges
// where they run; the better of the two.
SScore Score(const std::vector<double>& samples, double dRate, bool bEdges,
             const SRobustConfig& config, SScratch& scratch) {
    const auto nCount = static_cast<int32_t>(samples.size());
    const auto nQuiet =
        static_cast<int64_t>(config.m_dLeaderMaxRatio * config.m_dLongSeconds * dRate) + 1;
    std::vector<SCrossingEvent>& events = scratch.m_events;
    std::vector<double>& levels = scratch.m_levels;
    CLevelTracker level;
    level.Set(config.m_dReleaseMs, config.m_dFloor, dRate);
    for (size_t k = 0; k < samples.size(); ++k) {
        levels[k] = level.Process(samples[k]);
    }
    CCrossingDetector crossings;
    crossings.Reset(nQuiet);
    int32_t nEvents = crossings.ProcessBlock(samples.data(), levels.data(), config.m_dHysteresis, 0,
                                             nCount, events.data());
    const SScore crossingScore = FrameScore(events, nEvents, dRate, config);
    if (!bEdges) {
        return crossingScore;
    }
    CEdgeDetector edges;
    edges.Reset(config.m_dEdgeReleaseMs, config.m_dFloor, dRate, nQuiet);
    nEvents = edges.ProcessBlock(samples.data(), config.m_dEdgeShare, config.m_dEdgeStepShare, 0,
                                 nCount, events.data());
    nEvents += edges.Finish(events.data() + nEvents);
    const SScore edgeScore = FrameScore(events, nEvents, dRate, config);
    return edgeScore > crossingScore ? edgeScore : crossingScore;
}

}  // namespace

SLowCut ProbeLowCut(const std::vector<double>& conditioned, double dRate, bool bEdges,
                    const SRobustConfig& config) {
    SScratch scratch(conditioned.size());
    const SScore asItIs = Score(conditioned, dRate, bEdges, config, scratch);
    std::vector<double> samples;
    SLowCut best;
    SScore bestScore;
    for (int32_t nOrder = 1; nOrder <= CLowCutInverse::kMaxOrder; ++nOrder) {
        for (const double dCornerHz : kCornersHz) {
            samples = conditioned;
            CLowCutInverse inverse;
            inverse.Set(nOrder, dCornerHz, kLowCutRatio, dRate);
            inverse.ProcessBlock(samples.data(), static_cast<int32_t>(samples.size()));
            const SScore score = Score(samples, dRate, bEdges, config, scratch);
            if (best.m_nOrder == 0 || score > bestScore) {
                best = {nOrder, dCornerHz};
                bestScore = score;
            }
        }
    }
    // A leader that sags (the edges run) shows a low-cut is there: the
    // inverse that frames best is undone wherever it frames more at all.
    if (bestScore.m_nNet <= asItIs.m_nNet + (bEdges ? 0 : kMargin)) {
        best = {};
    }
    best.m_bTold = std::max(asItIs.m_nBytes, bestScore.m_nBytes) >= kTelling;
    return best;
}
