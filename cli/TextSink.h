// Where the command-line driver shows the file line and the status line.
#pragma once

#include <cstdio>
#include <string>

#include "DecodeListener.h"
#include "TapeLog.h"
#include "TapeTime.h"  // FormatTapeTime: MM:SS.mmm

// A sink is also the listener of a decoder that tells what it finds as it
// goes (the robust one): each lost byte is shown as an error line.
class CTextSink : public CDecodeListener {
public:
    virtual void ShowFile(const std::string& strText) = 0;
    virtual void ShowStatus(const std::string& strText) = 0;
    // A byte lost at this place of the recording (MM:SS.mmm).
    virtual void ShowError(const std::string& strWhere) { (void)strWhere; }
    // Called once after the run: leaves the last texts on screen.
    virtual void Finish() {}

    void OnLostByte(const STapeFailure& failure) override {
        ShowError(FormatTapeTime(failure.m_dAt));
    }
};

// For pipes and files: every text as it is set, one line each,
// "file: TEXT" or "status: TEXT", and "error: MM:SS.mmm" for each lost
// byte where the decoder reports them, flushed at once.
class CLineSink : public CTextSink {
public:
    explicit CLineSink(std::FILE* pOut) : m_pOut(pOut) {}
    void ShowFile(const std::string& strText) override;
    void ShowStatus(const std::string& strText) override;
    void ShowError(const std::string& strWhere) override;

private:
    void WriteLine(const char* szLabel, const std::string& strText);
    std::FILE* m_pOut;
};

// For a terminal: the file line once per change, and the status line below
// it rewritten in place.
class CTerminalSink : public CTextSink {
public:
    explicit CTerminalSink(std::FILE* pOut) : m_pOut(pOut) {}
    void ShowFile(const std::string& strText) override;
    void ShowStatus(const std::string& strText) override;
    void Finish() override;

private:
    std::FILE* m_pOut;
    bool m_bStatusShown = false;  // the cursor stands on a status line
};

// Shows every lost byte on a sink as the decoder's log records it.
class CErrorLines : public CTapeLogListener {
public:
    explicit CErrorLines(CTextSink& sink) : m_sink(sink) {}
    void OnFailure(const STapeFailure& failure) override {
        m_sink.ShowError(FormatTapeTime(failure.m_dAt));
    }

private:
    CTextSink& m_sink;
};
