// The command-line driver's side of a conversion run.
#pragma once

#include <string>

#include "TapeOwner.h"
#include "TextSink.h"

// Replaces each control character U+0001-U+001F and U+007F of a UTF-8 text
// by \xNN (two uppercase hex digits), so that no recording can send escape
// sequences to a terminal.
std::string EscapeControls(const std::string& str);

class CCliOwner : public CTapeOwner {
public:
    CCliOwner(std::string strPath, CTextSink& sink) : m_strPath(std::move(strPath)), m_sink(sink) {}

    std::string& GetPath() override { return m_strPath; }
    CTapeReader& GetReader() override { return m_reader; }
    std::span<int32_t, kHeaderEntries> GetHeader() override { return m_nHeader; }
    void SetFileText(const std::string& strUtf8) override { m_sink.ShowFile(strUtf8); }
    void SetStatusText(const std::string& strUtf8) override { m_sink.ShowStatus(strUtf8); }
    // There is nobody to ask: the path stays as it is.
    void Browse() override {}
    std::string PresentRecordName(std::string_view strRawName) const override;

private:
    int32_t m_nHeader[kHeaderEntries] = {};
    CTapeReader m_reader;
    std::string m_strPath;
    CTextSink& m_sink;
};
