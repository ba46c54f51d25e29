// CRobustDecoder: decodes tapes recorded the way people record them today,
// at the file's own rate and time base. Per sample of the chosen channel:
//
//   box mean     a whole number of frames to one sample, so the chain runs
//                near 11-22 kHz whatever the file's rate
//   high-pass    removes DC and slow drift, gently (10 Hz): a steep one
//                would ring on the long half-periods of an AC-coupled
//                recording, and a fast one leave an offset in a dropout
//   low-pass     removes hiss above the tones
//   hum notches  remove mains hum and its harmonics, where the survey of
//                the first seconds found any (CHumFilter)
//   low-cut      undone (CLowCutInverse), where the first leader is not
//                square and the first bytes decode clearly better behind
//                the inverse of a likely low-cut (ProbeLowCut); all four
//                before the level is measured, so that it is the level of
//                the tones alone
//   level        the tones' peak: it rises at once and falls within a
//                third of a millisecond where the signal does
//   crossings    with hysteresis at a share of that level, timed between
//                samples: noise near the midpoint and dropouts make none
//   edges        beside them, where the slope steps (CEdgeDetector): a
//                steep high-pass makes long half-periods sag through the
//                midpoint, while their edges stay steep. They run only
//                where the survey found the first leader no longer square
//                (CLeaderShape), or could not measure it; elsewhere the
//                crossings' events go straight to the queue below
//   timing       classes each half-period against the lengths learnt from
//                the leader and followed since (CHalfPeriodTiming)
//   framing      leader, bytes and resync after a failed byte (CByteFramer),
//                for the crossings and for the edges, each with its timing;
//                told after each block how far the signal has been seen, so
//                that a block followed by silence or noise ends once its
//                end gap has passed, not when the next signal comes
//   choice       each stretch's bytes from the detector that framed it more
//                cleanly, the crossings wherever they lost none, as soon as
//                both framers have settled it (CDetectorChoice)
//
// The filters are primed on the start of the recording, so that DC and hum
// make no transient over a first leader. Each stage takes a block of samples
// per call. The stages up to the level, and the edges, run on a thread of their own
// (CBlockPipe), a few blocks ahead of the crossings and the rest, which run
// on the caller's. Bytes, lost bytes and block ends queue up in order for
// the conversion run, which takes them one call at a time; the log records
// them as they are taken, with each byte's start and confidence when it
// keeps evidence (GetLog().SetKeepEvidence). Buffers are sized once per
// file; nothing is allocated per sample or per half-period.
//
// The input is read once, from its start to its end, so that it may be a
// pipe or a device (OpenStream): the survey and the priming of the filters
// go over its first seconds as CSoundInput holds them. A listener
// (SetListener) hears of each block as it starts and ends, of each lost
// byte, and of the progress, on the run's thread as the run takes them.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Biquad.h"
#include "BlockPipe.h"
#include "ByteFramer.h"
#include "ByteSource.h"
#include "CrossingDetector.h"
#include "DecodeListener.h"
#include "DetectorChoice.h"
#include "EdgeDetector.h"
#include "HalfPeriodTiming.h"
#include "HumFilter.h"
#include "LevelTracker.h"
#include "LowCutInverse.h"
#include "LowCutWatch.h"
#include "RobustConfig.h"
#include "SoundInput.h"
#include "TapeDecoder.h"
#include "TapeLog.h"

class CRobustDecoder : public CTapeDecoder, private CFramerEvents {
public:
    explicit CRobustDecoder(SRobustConfig config = {});

    // nChannel: 1-based channel to decode; 0 chooses the one with the tape.
    void SetChannel(int32_t nChannel) { m_nChannelWanted = nChannel; }
    int32_t Channel() const { return m_nChannel + 1; }  // the one in use, 1-based

    // strPath: UTF-8; "-" is standard input. With a stream set, the path
    // only names it.
    bool Open(const std::string& strPath) override;
    // Decodes source, which must outlive the decoding, from its first byte.
    bool OpenStream(CByteSource& source);
    // Open reads from pSource (null: from its path again), so that a
    // conversion run decodes a stream.
    void SetStream(CByteSource* pSource) { m_pStream = pSource; }
    // Why the last Open failed, in English; empty after one that did not.
    const std::string& FailureText() const { return m_strFailure; }
    // Told of what the decoding finds as it goes; null for nobody.
    void SetListener(CDecodeListener* pListener) { m_pListener = pListener; }
    // Whether the edges run beside the crossings for this recording: its
    // first leader was not square, or could not be measured.
    bool EdgesOn() const { return m_bEdgesOn; }
    // The low-cut undone for this recording: its order (0: none) and corner.
    int32_t LowCutOrder() const { return m_lowCut.Order(); }
    double LowCutHz() const { return m_lowCut.CornerHz(); }
    SRecordingFormat GetFormat() const override;
    int32_t FindLeader() override;
    int32_t ReadDataByte() override;
    bool IsAtEnd() const override;
    bool HasReadError() const override { return m_bReadError; }
    const CTapeLog& GetLog() const override { return m_log; }
    CTapeLog& GetLog() { return m_log; }

private:
    using EEvent = EChoiceEvent;
    using SEvent = SChoiceEvent;  // the byte, or in m_dStart the lost byte's time
    struct SCrossingMark {
        double m_dAt;
        EHalfClass m_eClass;
    };

    static constexpr size_t kSignalRing = 16384;      // samples of the chain kept for pictures
    static constexpr size_t kCrossingRing = 2048;     // half-periods kept for pictures
    static constexpr int32_t kChainBlockMax = 16384;  // chain samples per read
    static constexpr int32_t kDetectPart = 4096;      // chain samples per crossing search
    static constexpr int64_t kEdgeRunMax = 32;        // chain samples: an edge's run, and more

    void Restart();        // for a new input: no events, no log, no thread
    bool StartDecoding();  // survey, chain, priming and the pipe's thread
    void SetUpChain(int32_t nRate, double dHumHz);
    // false when the input could not go back to its start, of which it
    // holds nHeldFrames; bProbe: look for a low-cut to undo in them as
    // well; bWatch: in the first block, where they did not tell.
    bool PrimeFilters(int64_t nHeldFrames, bool bProbe, bool bWatch);
    // samples through copies of the high-pass and the low-pass, then hum.
    void Filter(std::vector<double>& samples, CHumFilter& hum) const;
    bool Advance();                  // ProcessBlock, then the progress; false at the end
    void BeginBlock(double dStart);  // the log's and the listener's
    // Chain samples, at most nMax (0: a whole read); 0 at the end of the input.
    int32_t ReadChain(double* pOut, int32_t nMax = 0);
    bool Condition(SConditionedBlock& block);  // false once the input has ended
    bool ProcessBlock();                       // false once the input has ended
    void KeepSignal(const double* pChain, const double* pLevels, int32_t nCount);  // into the ring
    void OnCrossing(double dAt);                                                   // chain samples
    void OnEdge(double dAt);                                                       // chain samples
    bool PopEvent(SEvent& event);
    void TakeSnapshot(double dAt);

    void OnByte(const SFramedByte& byte) override;
    void OnFailure(double dAt) override;
    void OnBlockEnd() override;

    SRobustConfig m_config;
    CSoundInput m_input;
    CByteSource* m_pStream = nullptr;
    CDecodeListener* m_pListener = nullptr;
    std::string m_strFailure;
    double m_dNextProgress = 0.0;   // s: when the listener next hears of the progress
    double m_dLastProgress = -1.0;  // s: what it last heard
    float m_fInputPeak = 0.0f;      // of the chain samples decoded since then
    CHalfPeriodTiming m_timing;
    CByteFramer m_framer;
    // The second detector, the edges, with a timing and a framer of its
    // own; the choice takes each stretch's bytes from one of the two.
    CDetectorChoice m_choice;
    CHalfPeriodTiming m_edgeTiming;
    CByteFramer m_edgeFramer;
    CEdgeDetector m_edges;
    bool m_bEdgesOn = true;      // whether the edges and the choice run for this recording
    double m_dLastEdge = -1.0;   // chain samples; < 0 before the first
    int64_t m_nConditioned = 0;  // chain samples conditioned so far (on the pipe's thread)
    CBiquad m_highpass;
    CBiquad m_lowpass;
    CHumFilter m_hum;
    CLowCutInverse m_lowCut;  // undoes a low-cut the first bytes showed (LowCutProbe)
    // Where the first seconds held no bytes to tell by: the first block's
    // (on the run's thread), handed to the pipe's thread through these.
    CLowCutWatch m_watch;
    SLowCut m_foundLowCut;
    bool m_bLowCutWaits = false;  // found: handed over at the end of the block
    std::atomic<bool> m_bLowCutFound{false};
    bool m_bFramingBlock = false;  // the crossings' framer has framed a byte of its block
    bool m_bBlockBegun = false;    // ... the first since the watch last looked
    CLevelTracker m_level;
    CCrossingDetector m_crossings;
    CTapeLog m_log;

    int32_t m_nChannelWanted = 0;  // 1-based, 0: choose
    int32_t m_nChannel = 0;        // 0-based, in use
    int32_t m_nDecimation = 1;     // frames per chain sample
    double m_dChainRate = 0.0;     // chain samples per second
    double m_dTimeOffset = 0.0;  // s: from a chain sample's index time to the middle of its frames
    double m_dKnownLag = 0.0;   // s: an event's time before the sample that makes it known, at most
    int32_t m_nChainBlock = 0;  // chain samples per read, at most
    SChannelLayout m_layout;    // of the channel in use
    int64_t m_nSample = 0;      // chain samples so far
    double m_dLastCrossing = -1.0;  // chain samples; < 0 before the first
    bool m_bInputDone = false;
    bool m_bReadError = false;  // the input ended in a read error
    bool m_bInBlock = false;    // the log has an open block

    std::vector<SEvent> m_events;  // queued for the run, oldest at m_nEventRead
    size_t m_nEventRead = 0;
    std::vector<double> m_chain;  // one read of chain samples, to prime the filters
    std::vector<SCrossingEvent> m_crossingEvents;  // found in kDetectPart of them
    std::vector<float> m_signal;                   // kSignalRing chain samples, by sample index ...
    std::vector<float> m_signalLevel;              // ... and their levels
    std::array<SCrossingMark, kCrossingRing> m_marks{};
    int64_t m_nMarks = 0;
    // Last, so that its thread stops before the members it uses go.
    CBlockPipe m_pipe;
};
