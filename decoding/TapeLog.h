// CTapeLog: the plain record of what a decoder found in a recording: its
// blocks with their times and byte counts, every failed byte with its time,
// the half-period lengths it measured and the class boundaries it used. The
// run's owner reads it after (or, through a listener, during) a run; the
// report and the machine-readable output are made from it.
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

    // A block begins with its first byte.
    void BeginBlock(double dStart);
    void AddByte(uint8_t nByte, double dEnd);
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

private:
    std::vector<STapeBlock> m_blocks;
    std::vector<STapeFailure> m_failures;
    std::vector<SSignalSnapshot> m_snapshots;
    CHalfPeriodHistogram m_histogram;
    SClassBounds m_bounds;
    uint64_t m_nTotalBytes = 0;
    CTapeLogListener* m_pListener = nullptr;
};
