// The command-line driver's side of a conversion run.
#pragma once

#include <string>

#include "TapeOwner.h"
#include "TextSink.h"

// Makes a text safe to show on a terminal: each byte of a control character
// (U+0001-U+001F, U+007F, and U+0080-U+009F, which are C2 80-C2 9F in UTF-8)
// and each byte that is not part of well-formed UTF-8 (a lone 0x9B is a
// control sequence introducer on some terminals) becomes \xNN, two uppercase
// hex digits. Other UTF-8, such as "č", stays. Record names and the file line
// go through it, so that no recording and no file name can move the cursor,
// change the terminal or break the one-text-per-line output on pipes.
std::string EscapeControls(const std::string& str);

class CCliOwner : public CTapeOwner {
public:
    // strOutput: where the bytes go; empty for "test.dat" in the current folder.
    CCliOwner(std::string strPath, CTextSink& sink, std::string strOutput = {})
        : m_strPath(std::move(strPath)), m_strOutput(std::move(strOutput)), m_sink(sink) {}

    std::string& GetPath() override { return m_strPath; }
    CTapeReader& GetReader() override { return m_reader; }
    std::span<int32_t, kHeaderEntries> GetHeader() override { return m_nHeader; }
    // The file line carries the path, which may hold any bytes: escaped.
    void SetFileText(const std::string& strUtf8) override;
    void SetStatusText(const std::string& strUtf8) override {
        m_strStatus = strUtf8;
        m_sink.ShowStatus(strUtf8);
    }
    // There is nobody to ask: the path stays as it is.
    void Browse() override {}
    // Decoded like everywhere, then escaped.
    std::string PresentRecordName(std::string_view strRawName) const override;
    std::string GetOutputPath() const override;

    // The last status text: how the run ended, once it has.
    const std::string& GetStatusText() const { return m_strStatus; }

private:
    int32_t m_nHeader[kHeaderEntries] = {};
    CTapeReader m_reader;
    std::string m_strPath;
    std::string m_strOutput;
    std::string m_strStatus;
    CTextSink& m_sink;
};
