// CTapeDlg: the program's main window, a modal dialog on template 102 with
// four buttons and two lines of text (the file line and the status line).
#pragma once

#include <string>

#include "Dialog.h"
#include "TapeOwner.h"
#include "TapeReader.h"
#include "resource.h"

class CTapeDlg : public CDialog, public CTapeOwner {
public:
    explicit CTapeDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_TAVRO_TAPE_DIALOG };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // Message handlers.
    void OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    void OnBrowse();
    void OnAnalyse();
    std::span<const CCommandEntry> GetCommandMap() const override;

    // What the conversion run needs of its owner.
    std::string& GetPath() override { return m_strPath; }
    CTapeReader& GetReader() override { return m_reader; }
    std::span<int32_t, kHeaderEntries> GetHeader() override { return m_nHeader; }
    void SetFileText(const std::string& strUtf8) override { m_ctlFile.SetWindowText(strUtf8); }
    void SetStatusText(const std::string& strUtf8) override { m_ctlStatus.SetWindowText(strUtf8); }
    void Browse() override { OnBrowse(); }

    int32_t m_nHeader[kHeaderEntries] = {};  // first bytes of the current block
    CTapeReader m_reader;
    std::string m_strPath;  // chosen WAV file; empty until one is chosen
    CStatic m_ctlStatus;    // control 1001, the status line
    CStatic m_ctlFile;      // control 1000, the file line
    HICON m_hAppIcon;
};
