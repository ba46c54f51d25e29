// CLiveDecoder: the robust decoder reading a live capture instead of a
// file. Open takes the capture's stream whatever the name (which only
// names the recording on the file line); the rest is the robust decoder's.
// A block that ends after bytes were read tells the source, so that
// silence may end the recording from then on.
#pragma once

#include <string>

#include "LiveSource.h"
#include "RobustDecoder.h"
#include "TapeDecoder.h"

class CLiveDecoder : public CTapeDecoder {
public:
    CLiveDecoder(CRobustDecoder& robust, CLiveSource& source)
        : m_robust(robust), m_source(source) {}

    bool Open(const std::string& strName) override;
    SRecordingFormat GetFormat() const override { return m_robust.GetFormat(); }
    int32_t FindLeader() override;
    int32_t ReadDataByte() override;
    bool IsAtEnd() const override { return m_robust.IsAtEnd(); }
    bool HasReadError() const override { return m_robust.HasReadError(); }
    const CTapeLog& GetLog() const override { return m_robust.GetLog(); }

private:
    CRobustDecoder& m_robust;
    CLiveSource& m_source;
    bool m_bInBlock = false;  // a byte of the current block was read
};
