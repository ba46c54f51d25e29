// The studio's window on the Windows API: a thin view of CStudio. It lays
// out the controls, forwards what the user does to the model, and redraws
// on the model's events, which it queues and posts to its own thread.
// Keyboard: Tab through the controls, Alt and the underlined letter, Enter
// decodes (or presses the focused button), Esc cancels. Recording: the
// input, Record (again while one runs: the next take, merged when done),
// Stop and the input's level, on a second row.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "PictureView.h"
#include "Studio.h"
#include "StudioDialogs.h"
#include "StudioIds.h"
#include "StudioSettings.h"
#include "StudioTexts.h"
#include "WinApi.h"
#include "WindowObject.h"

// The language of the system's user interface.
EStudioLanguage SystemStudioLanguage();

class CStudioFrame : public CStudioObserver {
public:
    // strSettingsKey: where the folder and the size are kept (HKCU).
    CStudioFrame(CStudioDialogs& dialogs, EStudioLanguage eLanguage,
                 std::wstring strSettingsKey = kStudioSettingsKey);
    ~CStudioFrame() override;
    CStudioFrame(const CStudioFrame&) = delete;
    CStudioFrame& operator=(const CStudioFrame&) = delete;

    // Makes the window and shows it; false when it could not be made.
    bool Create(int nShow);
    HWND Window() const { return m_hWnd; }
    // Adds recordings (from the command line, a drop, the file dialog) and
    // decodes them.
    void AddRecordings(const std::vector<std::wstring>& paths);
    CStudio& Studio() { return m_studio; }

    // Called on the model's threads.
    void OnStudioEvent(const SStudioEvent& event) override;

    // Runs the messages of this thread until the window is closed, with
    // the keyboard's dialog handling.
    int RunMessageLoop();

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam,
                                             LPARAM lParam);
    LRESULT Handle(UINT nMessage, WPARAM wParam, LPARAM lParam);
    const char* Text(EStudioText eText) const { return StudioText(eText, m_eLanguage); }
    void MakeControls();
    HWND MakeControl(const wchar_t* pszClass, const std::wstring& strText, DWORD nStyle, int nId,
                     DWORD nExStyle = 0);
    void Layout();
    void OnCommand(int nId, int nCode);
    LRESULT OnNotify(const NMHDR& header);
    void DrainEvents();
    void Apply(const SStudioEvent& event, std::shared_ptr<const SLiveMap>& pLive);
    int RowOf(uint32_t nId) const;
    void AddRow(uint32_t nId, const std::wstring& strName);
    void ShowRow(uint32_t nId);
    void ShowMergedRow();
    void ShowSelection();
    void ShowBlocks(const std::vector<std::array<std::string, 5>>& rows);
    void ShowDetails();
    std::optional<SStudioSource> Source() const;
    int SelectedRow(HWND hList) const;
    void SelectRow(HWND hList, int nRow);
    void SetStatus(const std::wstring& str);
    void OnAdd();
    void OnDecode();
    void OnSaveBytes();
    void OnSaveBlocks();
    void OnSaveReport();
    void OnDrop(HDROP hDrop);
    void ListDevices();
    void OnRecord();
    void OnStop();
    void ShowRecordingState(const SStudioLevel* pLevel);
    void SaveSettings();
    void RememberFolderOf(const std::wstring& strPath);

    CStudioDialogs& m_dialogs;
    EStudioLanguage m_eLanguage;
    std::wstring m_strSettingsKey;
    SStudioSettings m_settings;
    std::wstring m_strReport;  // a report being saved, shown once written
    HWND m_hWnd = nullptr;
    std::atomic<HWND> m_hPostTo{nullptr};  // where events are posted; null once closed
    HFONT m_hFont = nullptr;
    HFONT m_hBoldFont = nullptr;
    HWND m_hRecordings = nullptr;
    HWND m_hBlocks = nullptr;
    HWND m_hProgress = nullptr;
    int m_nButtonsWidth = 0;  // the rows of buttons, laid out
    static constexpr int kLevelFloorDb = -60;
    HWND m_hLevel = nullptr;  // the input's level, kLevelFloorDb to 0 dBFS
    HWND m_hStatus = nullptr;
    CPictureView m_map;
    CPictureView m_details;
    std::vector<uint32_t> m_rows;     // the recording of each row; 0: the merge
    std::vector<bool> m_rowProblems;  // the row has a problem (drawn in red)
    bool m_bFilling = false;          // rows are being changed, not by the user
    std::mutex m_mutex;               // guards m_events
    std::deque<SStudioEvent> m_events;
    CStudio m_studio;  // last: gone, with its worker, before the rest
};
