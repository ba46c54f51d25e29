#include "RobustDecoder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "LowCutProbe.h"
#include "RecordingSurvey.h"

namespace {

constexpr double kSnapshotSeconds = 0.010;  // s of signal around a failed byte
// s of the start that prime the filters: 15 periods at 50 Hz, 18 at 60 Hz.
constexpr double kPrimeSeconds = 0.3;

}  // namespace

CRobustDecoder::CRobustDecoder(SRobustConfig config)
    : m_config(config),
      m_timing(m_config),
      m_framer(m_config, m_timing, *this),
      m_edgeTiming(m_config),
      m_edgeFramer(m_config, m_edgeTiming, m_choice.Events(CDetectorChoice::EDetector::kEdges)),
      m_watch(m_config) {
    m_events.reserve(4096);
    m_signal.resize(kSignalRing);
    m_signalLevel.resize(kSignalRing);
}

bool CRobustDecoder::Open(const std::string& strPath) {
    if (m_pStream != nullptr) {
        return OpenStream(*m_pStream);
    }
    Restart();
    if (m_input.Open(strPath) != ESoundError::kNone) {
        m_strFailure = m_input.FailureText();
        return false;
    }
    return StartDecoding();
}

bool CRobustDecoder::OpenStream(CByteSource& source) {
    Restart();
    if (m_input.Open(source) != ESoundError::kNone) {
        m_strFailure = m_input.FailureText();
        return false;
    }
    return StartDecoding();
}

void CRobustDecoder::Restart() {
    m_pipe.Stop();
    m_watch.Stop();
    m_bLowCutFound.store(false, std::memory_order_relaxed);
    m_bFramingBlock = false;
    m_bBlockBegun = false;
    m_bLowCutWaits = false;
    m_bReadError = false;
    m_log.Clear();
    m_events.clear();
    m_nEventRead = 0;
    m_bInputDone = false;
    m_bInBlock = false;
    m_strFailure.clear();
    m_dNextProgress = 0.0;
    m_dLastProgress = -1.0;
    m_fInputPeak = 0.0f;
}

bool CRobustDecoder::StartDecoding() {
    if (m_nChannelWanted > m_input.Channels()) {
        m_strFailure = "has " + std::to_string(m_input.Channels()) + " channel" +
                       (m_input.Channels() == 1 ? "" : "s") + ": there is no channel " +
                       std::to_string(m_nChannelWanted);
        m_input.Close();
        return false;
    }
    const SRecordingSurvey survey = SurveyRecording(m_input, m_config);
    m_nChannel = m_nChannelWanted > 0 ? m_nChannelWanted - 1 : survey.m_nChannel;
    // The edges, only where the leader's shape asks for them; the pipe's
    // thread reads this once it has started.
    // A leader that could not be measured turns them on; one that is no
    // longer square only where it sags (a low-cut), not where it is merely
    // rounded (a low-pass, which the crossings take as it is).
    const bool bMeasured = survey.m_dLeaderFlatness > 0.0;
    const bool bSquare = survey.m_dLeaderFlatness >= m_config.m_dSquareFlatness;
    m_bEdgesOn = m_nChannel != survey.m_nChannel || !bMeasured ||
                 (!bSquare && survey.m_dLeaderDroop >= m_config.m_dSagDroop);
    SetUpChain(m_input.Rate(), survey.m_dHumHz);
    // A leader no longer square may have come through a low-cut: the
    // first bytes tell which, if any, to undo; where the first seconds
    // show no leader, the first block's do.
    const bool bSurveyed = m_nChannel == survey.m_nChannel && bMeasured;
    if (!survey.m_bReplayed ||
        !PrimeFilters(survey.m_nFrames, bSurveyed && !bSquare, !(bSurveyed && bSquare))) {
        m_strFailure = "could not be read again from its start";
        m_input.Close();
        return false;
    }
    m_pipe.Start(m_nChainBlock, m_bEdgesOn,
                 [this](SConditionedBlock& block) { return Condition(block); });
    return true;
}

void CRobustDecoder::SetUpChain(int32_t nRate, double dHumHz) {
    // A box must fit in one read, which only rates far beyond any sound
    // card's, on files of many channels, could ask for more than.
    m_nDecimation = std::clamp(static_cast<int32_t>(nRate / m_config.m_dChainRateMin), 1,
                               m_input.MaxReadFrames());
    m_nChainBlock = std::min(m_input.MaxReadFrames() / m_nDecimation, kChainBlockMax);
    m_layout = m_input.Layout(m_nChannel);
    m_chain.resize(static_cast<size_t>(m_nChainBlock));
    m_crossingEvents.resize(kDetectPart);
    m_dChainRate = static_cast<double>(nRate) / m_nDecimation;
    // A chain sample stands for the middle of the frames it averages.
    m_dTimeOffset = 0.5 * (m_nDecimation - 1) / nRate;
    m_highpass.SetHighpass(m_config.m_dHighpassHz, m_dChainRate);
    m_lowpass.SetLowpass(m_config.m_dLowpassHz, m_dChainRate);
    m_hum.Set(dHumHz, m_config.m_dHumQ, m_dChainRate);
    m_lowCut.Set(0, 0.0, kLowCutRatio, m_dChainRate);
    m_level.Set(m_config.m_dReleaseMs, m_config.m_dFloor, m_dChainRate);
    // Longer than any long half-period at the slowest deck speed the
    // leader allows.
    m_crossings.Reset(
        static_cast<int64_t>(m_config.m_dLeaderMaxRatio * m_config.m_dLongSeconds * m_dChainRate) +
        1);
    m_timing.Reset();
    m_framer.Reset();
    const int64_t nQuiet =
        static_cast<int64_t>(m_config.m_dLeaderMaxRatio * m_config.m_dLongSeconds * m_dChainRate) +
        1;
    m_edges.Reset(m_config.m_dEdgeReleaseMs, m_config.m_dFloor, m_dChainRate, nQuiet);
    // A crossing or an edge is timed at most this far before the sample
    // that makes it known: the quiet that makes a fade, and an edge's run.
    m_dKnownLag = static_cast<double>(nQuiet + kEdgeRunMax) / m_dChainRate;
    m_edgeTiming.Reset();
    m_edgeFramer.Reset();
    m_choice.Reset();
    m_dLastEdge = -1.0;
    m_nConditioned = 0;
    m_nSample = 0;
    m_dLastCrossing = -1.0;
    m_nMarks = 0;
    std::fill(m_signal.begin(), m_signal.end(), 0.0f);
    std::fill(m_signalLevel.begin(), m_signalLevel.end(), 1.0f);
    m_log.SetBounds({m_timing.GlitchMax(), m_timing.ShortMax(), m_timing.LongMax()});
}

SRecordingFormat CRobustDecoder::GetFormat() const {
    SRecordingFormat format;
    format.m_nRate = m_input.Rate();
    format.m_nBits = m_input.Bits();
    format.m_nChannels = m_input.Channels();
    format.m_dSeconds =
        m_input.Rate() > 0 ? static_cast<double>(m_input.Frames()) / m_input.Rate() : 0.0;
    return format;
}

bool CRobustDecoder::IsAtEnd() const {
    return m_bInputDone && m_nEventRead == m_events.size();
}

int32_t CRobustDecoder::FindLeader() {
    for (;;) {
        if (m_nEventRead < m_events.size() || m_framer.IsInBlock()) {
            return 1;
        }
        if (!Advance()) {
            return m_nEventRead < m_events.size() ? 1 : 0;
        }
    }
}

int32_t CRobustDecoder::ReadDataByte() {
    for (;;) {
        SEvent event;
        while (PopEvent(event)) {
            switch (event.m_eKind) {
                case EEvent::kByte:
                    if (!m_bInBlock) {
                        BeginBlock(event.m_byte.m_dStart);
                    }
                    m_log.AddByte(event.m_byte.m_nValue, event.m_byte.m_dStart, event.m_byte.m_dEnd,
                                  event.m_byte.m_fConfidence);
                    m_log.SetTiming(m_timing.Short(), m_timing.Long());
                    return event.m_byte.m_nValue;
                case EEvent::kFailure:
                    // Bytes lost before a block's first good one belong to it.
                    if (!m_bInBlock) {
                        BeginBlock(event.m_byte.m_dStart);
                    }
                    m_log.AddFailure(event.m_byte.m_dStart);
                    if (m_pListener != nullptr) {
                        m_pListener->OnLostByte(m_log.Failures().back());
                    }
                    break;
                case EEvent::kBlockEnd:
                    if (m_bInBlock && m_pListener != nullptr) {
                        const size_t nBlock = m_log.Blocks().size() - 1;
                        m_pListener->OnBlockEnd(static_cast<uint32_t>(nBlock),
                                                m_log.Blocks()[nBlock]);
                    }
                    m_bInBlock = false;
                    return -1;
            }
        }
        if (!Advance()) {
            if (m_nEventRead == m_events.size()) {
                return -1;
            }
        }
    }
}

void CRobustDecoder::BeginBlock(double dStart) {
    m_log.BeginBlock(dStart);
    m_bInBlock = true;
    if (m_pListener != nullptr) {
        m_pListener->OnBlockStart(static_cast<uint32_t>(m_log.Blocks().size() - 1), dStart);
    }
}

bool CRobustDecoder::Advance() {
    const bool bMore = ProcessBlock();
    if (m_pListener == nullptr || m_dChainRate <= 0.0) {
        return bMore;
    }
    const double dPosition = static_cast<double>(m_nSample) / m_dChainRate;
    // Once a second of the recording, and at its end unless just told.
    if (dPosition >= m_dNextProgress ||
        (!bMore && std::isfinite(m_dNextProgress) && dPosition > m_dLastProgress)) {
        const float fPeak = std::exchange(m_fInputPeak, 0.0f);
        const double dPeakDb = fPeak > 0.0f ? 20.0 * std::log10(static_cast<double>(fPeak))
                                            : CDecodeListener::kSilenceDbfs;
        m_pListener->OnProgress(dPosition, std::max(dPeakDb, CDecodeListener::kSilenceDbfs));
        m_dLastProgress = dPosition;
        m_dNextProgress =
            bMore ? std::floor(dPosition) + 1.0 : std::numeric_limits<double>::infinity();
    }
    return bMore;
}

bool CRobustDecoder::PopEvent(SEvent& event) {
    if (m_nEventRead == m_events.size()) {
        m_events.clear();
        m_nEventRead = 0;
        return false;
    }
    event = m_events[m_nEventRead++];
    return true;
}

bool CRobustDecoder::PrimeFilters(int64_t nHeldFrames, bool bProbe, bool bWatch) {
    // The filters start as if the recording had run before its start as it
    // runs after it, so that a DC offset or hum makes no transient over the
    // first leader, which may start at once. The input then replays its
    // start from memory. To look for a low-cut, all the seconds the survey
    // read are taken (no more: the input holds those for the replay).
    std::vector<double> first;
    const auto nPrime = static_cast<size_t>(kPrimeSeconds * m_dChainRate);
    const auto nHeld = static_cast<size_t>(std::max<int64_t>(nHeldFrames / m_nDecimation, 0));
    const size_t nWanted = bProbe ? nHeld : std::min(nPrime, nHeld);
    first.reserve(nWanted);
    while (first.size() < nWanted) {
        const auto nMax = static_cast<int32_t>(
            std::min<size_t>(nWanted - first.size(), static_cast<size_t>(m_nChainBlock)));
        const int32_t nChain = ReadChain(m_chain.data(), nMax);
        if (nChain == 0) {
            break;
        }
        first.insert(first.end(), m_chain.begin(), m_chain.begin() + nChain);
    }
    const size_t nPrimed = std::min(nPrime, first.size());
    if (nPrimed > 0) {
        // DC: the high-pass as if the recording had always been at the mean
        // of its start, the low-pass at its first value.
        double dMean = 0.0;
        for (size_t k = 0; k < nPrimed; ++k) {
            dMean += first[k];
        }
        dMean /= static_cast<double>(nPrimed);
        m_highpass.Settle(dMean);
        m_lowpass.Settle(first.front() - dMean);
        // Hum: the notches run over the start, which lasts a whole number of
        // periods of both mains frequencies and their harmonics, so they end
        // it in the state they would have had at its beginning.
        std::vector<double> start(first.begin(), first.begin() + static_cast<ptrdiff_t>(nPrimed));
        Filter(start, m_hum);
    }
    if (bProbe && !first.empty()) {
        // The first seconds as decoding will see them, then the probe.
        CHumFilter hum = m_hum;
        Filter(first, hum);
        const SLowCut lowCut = ProbeLowCut(first, m_dChainRate, m_bEdgesOn, m_config);
        m_lowCut.Set(lowCut.m_nOrder, lowCut.m_dCornerHz, kLowCutRatio, m_dChainRate);
        bWatch = !lowCut.m_bTold;
    }
    if (bWatch) {
        m_watch.Start(m_dChainRate, m_bEdgesOn);
    }
    return m_input.Replay();
}

void CRobustDecoder::Filter(std::vector<double>& samples, CHumFilter& hum) const {
    CBiquad highpass = m_highpass;
    CBiquad lowpass = m_lowpass;
    const auto nCount = static_cast<int32_t>(samples.size());
    CBiquad::Cascade(highpass, lowpass, samples.data(), nCount, [](int32_t, double) {});
    hum.ProcessBlock(samples.data(), nCount);
}

int32_t CRobustDecoder::ReadChain(double* pOut, int32_t nMax) {
    const uint8_t* pFrames = nullptr;
    // From a stream, what has arrived (at least a few ms), in whole boxes.
    const int32_t nBoxes =
        std::min(m_input.ReadyFrames() / m_nDecimation, nMax > 0 ? nMax : m_nChainBlock);
    const int32_t nFrames = m_input.Read(pFrames, std::max(nBoxes, 1) * m_nDecimation);
    // Frames at the end that do not fill a box are left out.
    const int32_t nChain = nFrames / m_nDecimation;
    MeanBoxes(m_layout, pFrames, m_nDecimation, nChain, pOut);
    return nChain;
}

// On the pipe's thread: the stages that run per sample.
bool CRobustDecoder::Condition(SConditionedBlock& block) {
    const int32_t nChain = ReadChain(block.m_chain.data());
    block.m_nCount = nChain;
    // The input's level for the listener, told when the block is decoded.
    block.m_fPeak = static_cast<float>(PeakOf(block.m_chain.data(), nChain));
    block.m_bEnd = nChain == 0;
    block.m_bReadError = block.m_bEnd && m_input.HasReadError();
    if (block.m_bEnd) {
        return false;
    }
    // The stages in order: the filters first (DC and drift, hiss, hum), so
    // that the level and the crossings see the tones alone; the level
    // before the crossings, whose hysteresis it sets. High-pass and
    // low-pass run as one cascade on copies held in registers, the level
    // in the same pass, so that the processor overlaps their recursions.
    // A low-cut the first block showed is undone from here on.
    if (m_bLowCutFound.load(std::memory_order_acquire)) {
        m_bLowCutFound.store(false, std::memory_order_relaxed);
        m_lowCut.Set(m_foundLowCut.m_nOrder, m_foundLowCut.m_dCornerHz, kLowCutRatio, m_dChainRate);
    }
    double* pChain = block.m_chain.data();
    double* pLevels = block.m_levels.data();
    CBiquad highpass = m_highpass;
    CBiquad lowpass = m_lowpass;
    CLevelTracker level = m_level;
    if (m_hum.IsOn() || m_lowCut.IsOn()) {
        CBiquad::Cascade(highpass, lowpass, pChain, nChain, [](int32_t, double) {});
        m_hum.ProcessBlock(pChain, nChain);
        m_lowCut.ProcessBlock(pChain, nChain);
        for (int32_t k = 0; k < nChain; ++k) {
            pLevels[k] = level.Process(pChain[k]);
        }
    } else {
        CBiquad::Cascade(highpass, lowpass, pChain, nChain,
                         [&](int32_t k, double dOut) { pLevels[k] = level.Process(dOut); });
    }
    m_highpass = highpass;
    m_lowpass = lowpass;
    m_level = level;
    // The edges here too, so that the two threads share the work per sample.
    block.m_nEdges =
        m_bEdgesOn ? m_edges.ProcessBlock(pChain, m_config.m_dEdgeShare, m_config.m_dEdgeStepShare,
                                          m_nConditioned, nChain, block.m_edges.data())
                   : 0;
    m_nConditioned += nChain;
    return true;
}

// On the run's thread: the stages that run per crossing.
bool CRobustDecoder::ProcessBlock() {
    if (m_bInputDone) {
        return false;
    }
    const SConditionedBlock& block = m_pipe.Next();
    if (block.m_bEnd) {
        m_bInputDone = true;
        m_bReadError = block.m_bReadError;
        m_pipe.Release();
        if (m_crossings.Finish() != CCrossingDetector::EEvent::kNone) {
            OnCrossing(m_crossings.At());
        }
        m_framer.Finish();
        if (m_bEdgesOn) {
            const int32_t nEdges = m_edges.Finish(m_crossingEvents.data());
            for (int32_t e = 0; e < nEdges; ++e) {
                OnEdge(m_crossingEvents[static_cast<size_t>(e)].m_dAt);
            }
            m_edgeFramer.Finish();
            m_choice.Finish(m_events);
        }
        return false;
    }
    // The crossings, a part of the block at a time, so that the signal
    // around each one is still in the ring when it is framed.
    m_fInputPeak = std::max(m_fInputPeak, block.m_fPeak);
    const double* pChain = block.m_chain.data();
    const double* pLevels = block.m_levels.data();
    const double dHysteresis = m_config.m_dHysteresis;
    for (int32_t nDone = 0; nDone < block.m_nCount;) {
        const int32_t nPart = std::min(block.m_nCount - nDone, kDetectPart);
        KeepSignal(pChain + nDone, pLevels + nDone, nPart);
        const int32_t nEvents =
            m_crossings.ProcessBlock(pChain + nDone, pLevels + nDone, dHysteresis, m_nSample, nPart,
                                     m_crossingEvents.data());
        m_nSample += nPart;
        nDone += nPart;
        for (int32_t e = 0; e < nEvents; ++e) {
            OnCrossing(m_crossingEvents[static_cast<size_t>(e)].m_dAt);
        }
    }
    for (int32_t e = 0; e < block.m_nEdges; ++e) {
        OnEdge(block.m_edges[static_cast<size_t>(e)].m_dAt);
    }
    const bool bBlockBegun = std::exchange(m_bBlockBegun, false);
    if (m_watch.IsWatching() && m_watch.Add(pChain, block.m_nCount, bBlockBegun) &&
        m_watch.Result().m_nOrder > 0) {
        // Undone from the end of this block on: a framer that lost the
        // block's thread before would not find it again in mid-block.
        m_foundLowCut = m_watch.Result();
        m_bLowCutWaits = m_bFramingBlock;
        m_bLowCutFound.store(!m_bLowCutWaits, std::memory_order_release);
    }
    m_pipe.Release();
    // Time passes for the framers also where no half-period ends, so that a
    // block followed by silence or noise ends when its end gap has passed.
    const double dPassed =
        static_cast<double>(m_nSample) / m_dChainRate + m_dTimeOffset - m_dKnownLag;
    m_framer.Pass(dPassed);
    if (m_bEdgesOn) {
        m_edgeFramer.Pass(dPassed);
        m_choice.Advance(std::min(m_framer.Settled(), m_edgeFramer.Settled()), m_events);
    }
    return true;
}

void CRobustDecoder::KeepSignal(const double* pChain, const double* pLevels, int32_t nCount) {
    auto nSlot = static_cast<size_t>(m_nSample) & (kSignalRing - 1);
    for (int32_t k = 0; k < nCount;) {
        const int32_t nRun = std::min(nCount - k, static_cast<int32_t>(kSignalRing - nSlot));
        for (int32_t j = 0; j < nRun; ++j, ++k) {
            m_signal[nSlot + static_cast<size_t>(j)] = static_cast<float>(pChain[k]);
            m_signalLevel[nSlot + static_cast<size_t>(j)] = static_cast<float>(pLevels[k]);
        }
        nSlot = 0;
    }
}

void CRobustDecoder::OnCrossing(double dAt) {
    if (m_dLastCrossing >= 0.0) {
        SHalfPeriod half;
        half.m_dStart = m_dLastCrossing / m_dChainRate + m_dTimeOffset;
        half.m_dLength = (dAt - m_dLastCrossing) / m_dChainRate;
        m_log.AddHalfPeriod(half.m_dLength);
        const EHalfClass eClass = m_framer.Add(half);
        m_marks[static_cast<size_t>(m_nMarks++) & (kCrossingRing - 1)] = {half.m_dStart, eClass};
    }
    m_dLastCrossing = dAt;
}

void CRobustDecoder::OnEdge(double dAt) {
    if (m_dLastEdge >= 0.0) {
        SHalfPeriod half;
        half.m_dStart = m_dLastEdge / m_dChainRate + m_dTimeOffset;
        half.m_dLength = (dAt - m_dLastEdge) / m_dChainRate;
        m_edgeFramer.Add(half);
    }
    m_dLastEdge = dAt;
}

// The crossings' framer reports here: to the choice where the edges run,
// else straight to the queue the conversion run takes.
void CRobustDecoder::OnByte(const SFramedByte& byte) {
    m_bBlockBegun = m_bBlockBegun || !m_bFramingBlock;
    m_bFramingBlock = true;
    if (m_bEdgesOn) {
        m_choice.Events(CDetectorChoice::EDetector::kCrossings).OnByte(byte);
    } else {
        m_events.push_back({EEvent::kByte, byte});
    }
}

void CRobustDecoder::OnFailure(double dAt) {
    if (m_bEdgesOn) {
        m_choice.Events(CDetectorChoice::EDetector::kCrossings).OnFailure(dAt);
    } else {
        SFramedByte lost;
        lost.m_dStart = dAt;
        m_events.push_back({EEvent::kFailure, lost});
    }
    if (m_log.WantsSnapshot()) {
        TakeSnapshot(dAt);
    }
}

void CRobustDecoder::OnBlockEnd() {
    m_bFramingBlock = false;
    if (std::exchange(m_bLowCutWaits, false)) {
        m_bLowCutFound.store(true, std::memory_order_release);
    }
    if (m_bEdgesOn) {
        m_choice.Events(CDetectorChoice::EDetector::kCrossings).OnBlockEnd();
    } else {
        m_events.push_back({EEvent::kBlockEnd, {}});
    }
}

void CRobustDecoder::TakeSnapshot(double dAt) {
    const double dOffset = m_dTimeOffset;
    const auto nFirst =
        static_cast<int64_t>(std::floor((dAt - dOffset - kSnapshotSeconds / 2) * m_dChainRate));
    const auto nCount = static_cast<int64_t>(kSnapshotSeconds * m_dChainRate);
    const int64_t nOldest = m_nSample - static_cast<int64_t>(kSignalRing);
    if (nFirst < std::max<int64_t>(0, nOldest) || nFirst + nCount > m_nSample) {
        return;  // no longer, or not yet, in the ring
    }
    SSignalSnapshot snapshot;
    snapshot.m_dStart = static_cast<double>(nFirst) / m_dChainRate + dOffset;
    snapshot.m_dStep = 1.0 / m_dChainRate;
    snapshot.m_dFailureAt = dAt;
    snapshot.m_samples.reserve(static_cast<size_t>(nCount));
    for (int64_t n = nFirst; n < nFirst + nCount; ++n) {
        const size_t nSlot = static_cast<size_t>(n) & (kSignalRing - 1);
        snapshot.m_samples.push_back(
            std::clamp(m_signal[nSlot] / m_signalLevel[nSlot], -2.0f, 2.0f));
    }
    const double dEnd = snapshot.m_dStart + kSnapshotSeconds;
    const int64_t nMarksFrom = std::max<int64_t>(0, m_nMarks - static_cast<int64_t>(kCrossingRing));
    for (int64_t n = nMarksFrom; n < m_nMarks; ++n) {
        const SCrossingMark& mark = m_marks[static_cast<size_t>(n) & (kCrossingRing - 1)];
        if (mark.m_dAt >= snapshot.m_dStart && mark.m_dAt < dEnd) {
            const char cClass = mark.m_eClass == EHalfClass::kShort  ? 'S'
                                : mark.m_eClass == EHalfClass::kLong ? 'L'
                                                                     : 'X';
            snapshot.m_crossings.push_back({mark.m_dAt, cClass});
        }
    }
    m_log.AddSnapshot(std::move(snapshot));
}
