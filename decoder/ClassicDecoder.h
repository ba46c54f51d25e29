// CClassicDecoder: the tick-clock reader (CTapeReader) behind the decoder
// interface of a conversion run. It decodes exactly what the reader decodes
// and records in a log where the blocks and the failed bytes lie; when asked
// to measure, also the half-periods that the demodulator saw (CTickMeter)
// and the signal around the first failed bytes (read again from the file),
// without changing a decoded byte.
#pragma once

#include "TapeDecoder.h"
#include "TapeLog.h"
#include "TapeReader.h"
#include "TickMeter.h"
#include "TickSnapshot.h"

class CClassicDecoder : public CTapeDecoder {
public:
    explicit CClassicDecoder(CTapeReader& reader) : m_reader(reader) {}
    ~CClassicDecoder() override;
    CClassicDecoder(const CClassicDecoder&) = delete;
    CClassicDecoder& operator=(const CClassicDecoder&) = delete;

    // From the next Open on: the histogram of half-periods, the measured
    // short and long half-period of each block, and the signal around the
    // first failed bytes, all in the log once the data has ended. Off by
    // default: it costs a little time.
    void SetMeasuring(bool bMeasuring);

    bool Open(const std::string& strPath) override;
    SRecordingFormat GetFormat() const override { return m_format; }
    int32_t FindLeader() override;
    int32_t ReadDataByte() override;
    bool IsAtEnd() const override { return m_reader.m_bEnd != 0; }
    bool HasReadError() const override { return m_reader.HasReadError(); }
    const CTapeLog& GetLog() const override { return m_log; }
    CTapeLog& GetLog() { return m_log; }

private:
    double Now() const;  // s: the reader's position in the recording
    SRecordingFormat ReadFormat() const;
    void EndBlockTiming();
    void KeepSnapshot();
    void FinishAtEnd();

    CTapeReader& m_reader;
    CTapeLog m_log;
    CTickMeter m_meter;
    SRecordingFormat m_format;
    STickFile m_file;  // for reading the signal around a failed byte again
    bool m_bMeasuring = false;
    bool m_bInBlock = false;              // a byte came since the last leader search
    bool m_bTimingOpen = false;           // the current block's timing is still being summed
    bool m_bFailurePending = false;       // a byte failed; it counts if data follows soon
    double m_dFailureAt = 0.0;            // s
    int64_t m_nFailureTick = 0;           // the tick where it failed
    CTickMeter::SClassSums m_blockStart;  // the meter's sums when the block began
};
