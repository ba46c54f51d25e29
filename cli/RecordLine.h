// CRecordLine: a recording's one line on a terminal, rewritten in place:
// the time recorded, a peak level meter in dBFS ("CLIP" where a sample
// reached full scale), the run's status (the current block's bytes and
// name) and the bytes lost so far, e.g.
//
//   REC 01:23.4  -12.0 dBFS [################----]  Nacteno: 1024  (HRA)  lost 0
//
// The level comes from the capture's thread, the rest from the run's.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "LiveSource.h"
#include "TextSink.h"

// The meter's text for a peak: dBFS with one decimal and a bar of
// kMeterCells cells over -60 to 0 dBFS.
std::string FormatMeter(double dPeakDbfs, bool bClipped);

class CRecordLine : public CTextSink, public CLevelObserver {
public:
    static constexpr int kMeterCells = 20;

    explicit CRecordLine(std::FILE* pOut) : m_pOut(pOut) {}

    void ShowFile(const std::string& strText) override;
    void ShowStatus(const std::string& strText) override;
    void ShowError(const std::string& strWhere) override;
    void Finish() override;
    void OnLevel(double dSeconds, double dPeakDbfs, bool bClipped) override;

private:
    void Draw();  // with m_mutex held

    std::FILE* m_pOut;
    std::mutex m_mutex;
    std::string m_strStatus;
    std::string m_strMeter = FormatMeter(-120.0, false);
    double m_dSeconds = 0.0;
    long long m_nLost = 0;
    bool m_bShown = false;
};
