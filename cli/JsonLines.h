// JSON Lines for programs that read tavro-tape-cli's output: one JSON
// object per line, in order
//
//   {"event":"file","path":...,"rate":...,"bits":...,"channels":...,"seconds":...}
//   {"event":"block","index":N,"start":S,"end":S,"name":"...","bytes":N,"failures":N}
//   {"event":"error","at":S,"block":N}          (each failed byte of that block)
//   ...
//   {"event":"end","status":"Hotovo :-)","bytes":N,"exit":0}
//
// times in seconds, texts in UTF-8 with JSON's escapes. The file event comes
// when the recording is open, the others once it has been read; a recording
// that cannot be opened has the end event alone. With several recordings in
// one call every event carries "path" as well.
//
// A decoder that tells what it finds as it goes (the robust one) has its
// events written at those moments instead, each as it happens:
//
//   {"event":"block-start","index":N,"start":S} its first byte follows the leader
//   {"event":"progress","position":S,"peak":DB} about once a second: how far,
//                                               and the input's peak in dBFS
//   {"event":"error","at":S,"block":N}          a byte of block N was lost
//   {"event":"block",...}                       block N has ended
//
// and the end event last, which also has "reason" (English) where the
// recording could not be opened.
#pragma once

#include <cstdio>
#include <string>

#include "TapeDecoder.h"
#include "TapeLog.h"
#include "TextSink.h"

class CJsonLines : public CTextSink {
public:
    CJsonLines(std::FILE* pOut, std::string strPath, const CTapeDecoder& decoder, bool bTagPath)
        : m_pOut(pOut), m_strPath(std::move(strPath)), m_decoder(decoder), m_bTagPath(bTagPath) {}

    // The run shows the file line once the recording is open: the file event.
    void ShowFile(const std::string& strText) override;
    // The last status text goes into the end event.
    void ShowStatus(const std::string& strText) override { m_strStatus = strText; }
    // The events as the decoder finds them (SetLive(true)), or at the end.
    void SetLive(bool bLive) { m_bLive = bLive; }
    void OnBlockStart(uint32_t nIndex, double dStart) override;
    void OnBlockEnd(uint32_t nIndex, const STapeBlock& block) override;
    void OnLostByte(const STapeFailure& failure) override;
    void OnProgress(double dPosition, double dPeakDbfs) override;
    // After the run: the blocks and failed bytes of the log unless they
    // went out live, then the end; strReason, when not empty, says why the
    // recording could not be opened.
    void FinishRun(const CTapeLog& log, int nExit, const std::string& strReason = {});

private:
    std::FILE* m_pOut;
    std::string m_strPath;
    const CTapeDecoder& m_decoder;
    bool m_bTagPath;
    bool m_bLive = false;
    std::string m_strStatus;
};
