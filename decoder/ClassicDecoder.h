// CClassicDecoder: the tick-clock reader (CTapeReader) behind the decoder
// interface of a conversion run. It decodes exactly what the reader decodes
// and records in a log where the blocks and the failed bytes lie.
#pragma once

#include "TapeDecoder.h"
#include "TapeLog.h"
#include "TapeReader.h"

class CClassicDecoder : public CTapeDecoder {
public:
    explicit CClassicDecoder(CTapeReader& reader) : m_reader(reader) {}

    bool Open(const std::string& strPath) override;
    SRecordingFormat GetFormat() const override;
    int32_t FindLeader() override;
    int32_t ReadDataByte() override;
    bool IsAtEnd() const override { return m_reader.m_bEnd != 0; }
    bool HasReadError() const override { return m_reader.HasReadError(); }
    const CTapeLog& GetLog() const override { return m_log; }
    CTapeLog& GetLog() { return m_log; }

private:
    double Now() const;  // s: the reader's position in the recording

    CTapeReader& m_reader;
    CTapeLog m_log;
    bool m_bInBlock = false;         // a byte came since the last leader search
    bool m_bFailurePending = false;  // a byte failed; it counts if data follows soon
    double m_dFailureAt = 0.0;       // s
};
