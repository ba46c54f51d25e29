// CTapeLog: the plain record of what a decoder found in a recording: its
// blocks with their times and byte counts, every failed byte with its time,
// the half-period lengths it measured and the class boundaries it used. The
// run's owner reads it after (or, through a listener, during) a run; the
// report and the machine-readable output are made from it. On request it
// also keeps every block's bytes with their evidence, for merging takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HalfPeriodHistogram.h"

struct STapeBlock {
    double m_dStart = 0.0;     // s: start of the block's first byte
    double m_dEnd = 0.0;       // s: end of its last byte
    uint32_t m_nBytes = 0;     // bytes decoded
    uint32_t m_nFailures = 0;  // bytes lost inside the block
    double m_dShort = 0.0;     // s: measured mean short half-period, 0 if unknown
    double m_dLong = 0.0;      // s: measured mean long half-period, 0 if unknown
    std::string m_strHeader;   // the first 64 bytes decoded, for the record name
};

// One decoded byte with where it lay and how sure its decoder was of it.
struct SByteEvidence {
    double m_dStart = 0.0;       // s: start of the byte
    float m_fConfidence = 0.0f;  // smallest margin of its half-periods (ratio >= 1); 0 unknown
    uint8_t m_nValue = 0;
};

// Bytes lost inside a block: about m_nLost of them, before byte m_nBefore.
struct SGapEvidence {
    uint32_t m_nBefore = 0;  // bytes of the block decoded before the gap
    uint32_t m_nLost = 0;    // lost bytes, as the decoder estimates them
    double m_dAt = 0.0;      // s: where the first of them was
};

// A block's bytes in order and the gaps between them.
struct SBlockEvidence {
    std::vector<SByteEvidence> m_bytes;
    std::vector<SGapEvidence> m_gaps;  // in order; consecutive lost bytes make one gap
};

struct STapeFailure {
    double m_dAt = 0.0;     // s: where the lost byte was on the tape
    uint32_t m_nBlock = 0;  // index of its block in the log
};

// Where a decoder draws its lines between the half-period classes, in
// seconds at the nominal speed (a decoder that adapts to the deck's speed
// moves them with it).
struct SClassBounds {
    double m_dShortMin = 0.0;  // shorter than this: no half-period (noise)
    double m_dShortMax = 0.0;  // from here up: long
    double m_dLongMax = 0.0;   // from here up: too long for data
};

// The signal around a failed byte as the decoder saw it, for a picture.
struct SSignalSnapshot {
    struct SCrossing {
        double m_dAt = 0.0;   // s
        char m_cClass = '?';  // 'S' short, 'L' long, 'X' too long or out of range
    };
    double m_dStart = 0.0;         // s: time of m_samples[0]
    double m_dStep = 0.0;          // s between samples
    double m_dFailureAt = 0.0;     // s
    std::vector<float> m_samples;  // the conditioned signal, -1..1 of its level
    std::vector<SCrossing> m_crossings;
};

class CTapeLogListener {
public:
    virtual ~CTapeLogListener() = default;
    virtual void OnFailure(const STapeFailure& failure) = 0;
};

class CTapeLog {
public:
    static constexpr size_t kHeaderBytes = 64;
    static constexpr size_t kMaxSnapshots = 20;

    void Clear();
    void SetListener(CTapeLogListener* pListener) { m_pListener = pListener; }
    void SetBounds(const SClassBounds& bounds) { m_bounds = bounds; }
    // Whether blocks keep their bytes and gaps (Evidence()); off by default,
    // so that a run's memory does not grow with the recording. Clear keeps
    // the setting; blocks begun before it was set keep nothing.
    void SetKeepEvidence(bool bKeep);
    bool KeepsEvidence() const { return m_bKeepEvidence; }

    // A block begins with its first byte.
    void BeginBlock(double dStart);
    void AddByte(uint8_t nByte, double dEnd);
    // The same with the byte's start and confidence, for the evidence.
    void AddByte(uint8_t nByte, double dStart, double dEnd, float fConfidence);
    void AddFailure(double dAt);
    // The measured half-period means of the current block.
    void SetTiming(double dShort, double dLong);
    void AddHalfPeriod(double dSeconds) { m_histogram.Add(dSeconds); }
    void AddHalfPeriods(int32_t nBin, uint64_t nCount) { m_histogram.AddToBin(nBin, nCount); }
    // True while fewer than kMaxSnapshots snapshots are kept.
    bool WantsSnapshot() const { return m_snapshots.size() < kMaxSnapshots; }
    void AddSnapshot(SSignalSnapshot snapshot);

    const std::vector<STapeBlock>& Blocks() const { return m_blocks; }
    const std::vector<STapeFailure>& Failures() const { return m_failures; }
    const CHalfPeriodHistogram& Histogram() const { return m_histogram; }
    const SClassBounds& Bounds() const { return m_bounds; }
    const std::vector<SSignalSnapshot>& Snapshots() const { return m_snapshots; }
    uint64_t TotalBytes() const { return m_nTotalBytes; }
    // With SetKeepEvidence(true): one entry per block, as Blocks(); else empty.
    const std::vector<SBlockEvidence>& Evidence() const { return m_evidence; }

private:
    std::vector<STapeBlock> m_blocks;
    std::vector<STapeFailure> m_failures;
    std::vector<SSignalSnapshot> m_snapshots;
    std::vector<SBlockEvidence> m_evidence;
    CHalfPeriodHistogram m_histogram;
    SClassBounds m_bounds;
    uint64_t m_nTotalBytes = 0;
    CTapeLogListener* m_pListener = nullptr;
    bool m_bKeepEvidence = false;
};
