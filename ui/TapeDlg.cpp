#include "TapeDlg.h"

#include "ConversionRun.h"
#include "FileDialog.h"

namespace {

// The file dialog starts in the folder where the recordings are kept.
constexpr const wchar_t* kInitialDir = L"I:\\Tavro\\tavro.kopie\\";

}  // namespace

CTapeDlg::CTapeDlg(CWnd* pParent)
    : CDialog(IDD, pParent),
      m_hAppIcon(LoadIcon(AfxFindResourceHandle(MAKEINTRESOURCE(IDR_MAINFRAME), RT_GROUP_ICON),
                          MAKEINTRESOURCE(IDR_MAINFRAME))) {}

void CTapeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATUS, m_ctlStatus);
    DDX_Control(pDX, IDC_FILE, m_ctlFile);
}

std::span<const CDialog::CCommandEntry> CTapeDlg::GetCommandMap() const {
    static const CCommandEntry kEntries[] = {
        {IDC_BROWSE, static_cast<PMSG>(&CTapeDlg::OnBrowse)},
        {IDC_ANALYSE, static_cast<PMSG>(&CTapeDlg::OnAnalyse)},
    };
    return kEntries;
}

BOOL CTapeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hAppIcon));
    return TRUE;
}

void CTapeDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hAppIcon);
}

HCURSOR CTapeDlg::OnQueryDragIcon() {
    return m_hAppIcon;
}

void CTapeDlg::OnBrowse() {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ENABLESIZING, "Wavy (*.wav)|*.wav||", this);
    dlg.m_ofn.lpstrInitialDir = kInitialDir;
    if (dlg.DoModal() == IDOK) {
        m_strPath = dlg.GetPathName();
        m_ctlFile.SetWindowText(m_strPath);
    }
}

void CTapeDlg::OnAnalyse() {
    RunConversion(*this);
}
