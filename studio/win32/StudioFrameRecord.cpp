// The studio's Windows window: recording from the sound card. The inputs
// are listed once the window shows; Record, Stop and the level meter follow
// the model.
#include <algorithm>
#include <cmath>
#include <ctime>

#include "KeptRecording.h"
#include "StudioFrame.h"
#include "win32/TextConvert.h"

void CStudioFrame::ListDevices() {
    const HWND hDevice = ::GetDlgItem(m_hWnd, kIdDevice);
    std::string strReason;
    for (const SInputDevice& device : StudioInputDevices(strReason)) {
        const LRESULT nItem =
            ::SendMessageW(hDevice, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(Utf8ToWide(device.m_strName).c_str()));
        ::SendMessageW(hDevice, CB_SETITEMDATA, static_cast<WPARAM>(nItem), device.m_nIndex);
    }
    if (!strReason.empty()) {
        SetStatus(Utf8ToWide(strReason));
    }
}

// The take is kept in the last folder (or the user's own), named for when
// it began.
void CStudioFrame::OnRecord() {
    const HWND hDevice = ::GetDlgItem(m_hWnd, kIdDevice);
    const LRESULT nItem = ::SendMessageW(hDevice, CB_GETCURSEL, 0, 0);
    const LRESULT nDevice =
        nItem < 0 ? -1 : ::SendMessageW(hDevice, CB_GETITEMDATA, static_cast<WPARAM>(nItem), 0);
    std::wstring strFolder = m_settings.m_strFolder;
    if (strFolder.empty()) {
        strFolder.assign(MAX_PATH, L'\0');
        strFolder.resize(::GetEnvironmentVariableW(L"USERPROFILE", strFolder.data(), MAX_PATH));
    }
    SStudioRecording settings;
    settings.m_strDevice = nDevice < 0 ? std::string() : std::to_string(nDevice);
    settings.m_strKeep = WideToUtf8(strFolder) + "\\" + KeptRecordingName(std::time(nullptr));
    m_studio.RecordTake(settings);
    ::EnableWindow(::GetDlgItem(m_hWnd, kIdStop), TRUE);
}

void CStudioFrame::OnStop() {
    m_studio.StopRecording();
    ShowRecordingState(nullptr);
}

// Stop is there while a recording runs or waits; the level of the one that
// runs, or none.
void CStudioFrame::ShowRecordingState(const SStudioLevel* pLevel) {
    const bool bRecording = m_studio.IsRecording();
    const HWND hStop = ::GetDlgItem(m_hWnd, kIdStop);
    if (!bRecording && ::GetFocus() == hStop) {
        ::SetFocus(::GetDlgItem(m_hWnd, kIdRecord));
    }
    ::EnableWindow(hStop, bRecording ? TRUE : FALSE);
    const double dDb = pLevel != nullptr && bRecording ? pLevel->m_dPeakDbfs : kLevelFloorDb;
    ::SendMessageW(m_hLevel, PBM_SETPOS,
                   static_cast<WPARAM>(std::lround(std::clamp(dDb, double{kLevelFloorDb}, 0.0))),
                   0);
}
