#include "StudioFrame.h"

#include <algorithm>
#include <utility>

#include "StudioShow.h"
#include "win32/TextConvert.h"

namespace {

constexpr UINT kEventsMessage = WM_APP + 1;
constexpr UINT kListDevicesMessage = WM_APP + 2;
constexpr COLORREF kProblemColour = RGB(0xd3, 0x3c, 0x2f);
constexpr int kDefaultWidth = 1000;
constexpr int kDefaultHeight = 720;

std::wstring Wide(const char* psz) {
    return Utf8ToWide(psz);
}

HMENU IdMenu(int nId) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId));
}

std::wstring FileNameOf(const std::wstring& strPath) {
    const size_t nSlash = strPath.find_last_of(L"\\/");
    return nSlash == std::wstring::npos ? strPath : strPath.substr(nSlash + 1);
}

std::wstring FolderOf(const std::wstring& strPath) {
    const size_t nSlash = strPath.find_last_of(L"\\/");
    return nSlash == std::wstring::npos ? std::wstring() : strPath.substr(0, nSlash);
}

// The list view's messages, without the macros' casts.
void AddColumn(HWND hList, int nColumn, const std::wstring& strText, int nWidth, bool bRight) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = bRight ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = nWidth;
    column.pszText = const_cast<wchar_t*>(strText.c_str());
    ::SendMessageW(hList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(nColumn),
                   reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND hList, int nRow, int nColumn, const std::wstring& strText) {
    LVITEMW item{};
    item.iSubItem = nColumn;
    item.pszText = const_cast<wchar_t*>(strText.c_str());
    ::SendMessageW(hList, LVM_SETITEMTEXTW, static_cast<WPARAM>(nRow),
                   reinterpret_cast<LPARAM>(&item));
}

int AddItem(HWND hList, const std::wstring& strText) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(::SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(strText.c_str());
    return static_cast<int>(
        ::SendMessageW(hList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetItemState(HWND hList, int nRow, UINT nState, UINT nMask) {
    LVITEMW item{};
    item.stateMask = nMask;
    item.state = nState;
    ::SendMessageW(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(nRow),
                   reinterpret_cast<LPARAM>(&item));
}

// The check box of a row: the state image 2 when checked, 1 when not, 0
// for none.
UINT CheckState(int nImage) {
    return static_cast<UINT>(nImage) << 12;
}

int TextWidth(HWND hWnd, HFONT hFont, const std::wstring& strText) {
    std::wstring strShown;
    for (const wchar_t c : strText) {
        if (c != L'&') {
            strShown += c;
        }
    }
    const HDC hDC = ::GetDC(hWnd);
    const HGDIOBJ hOld = ::SelectObject(hDC, hFont);
    SIZE size{};
    ::GetTextExtentPoint32W(hDC, strShown.c_str(), static_cast<int>(strShown.size()), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hWnd, hDC);
    return size.cx;
}

int FontHeight(HWND hWnd, HFONT hFont) {
    const HDC hDC = ::GetDC(hWnd);
    const HGDIOBJ hOld = ::SelectObject(hDC, hFont);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(hDC, &metrics);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hWnd, hDC);
    return metrics.tmHeight;
}

// A picture moves without its old pixels and is drawn anew, whole (it
// paints through a bitmap, so this does not flicker); pixels copied along
// showed a caption cut off at its top.
void MovePicture(HWND hPicture, int nX, int nY, int nWidth, int nHeight) {
    ::SetWindowPos(hPicture, nullptr, nX, nY, nWidth, nHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOREDRAW);
    ::RedrawWindow(hPicture, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

bool RegisterFrameClass() {
    static const bool bRegistered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
        windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kStudioWindowClass;
        return ::RegisterClassExW(&windowClass) != 0;
    }();
    return bRegistered;
}

// The controls of the two top rows, left to right; 0 ends a row.
constexpr int kTopRows[] = {kIdAdd,          kIdDecode,  kIdCancel,      kIdMerge,
                            kIdDecoderLabel, kIdDecoder, kIdSaveBytes,   kIdSaveBlocks,
                            kIdSaveReport,   0,          kIdDeviceLabel, kIdDevice,
                            kIdRecord,       kIdStop,    kIdLevel,       0};

}  // namespace

EStudioLanguage SystemStudioLanguage() {
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CZECH ? EStudioLanguage::kCzech
                                                                     : EStudioLanguage::kEnglish;
}

CStudioFrame::CStudioFrame(CStudioDialogs& dialogs, EStudioLanguage eLanguage,
                           std::wstring strSettingsKey)
    : m_dialogs(dialogs),
      m_eLanguage(eLanguage),
      m_strSettingsKey(std::move(strSettingsKey)),
      m_settings(LoadStudioSettings(m_strSettingsKey)),
      m_studio(*this) {}

CStudioFrame::~CStudioFrame() {
    m_hPostTo = nullptr;
    if (m_hWnd != nullptr) {
        ::DestroyWindow(m_hWnd);
    }
    for (const HFONT hFont : {m_hFont, m_hBoldFont}) {
        if (hFont != nullptr) {
            ::DeleteObject(hFont);
        }
    }
}

bool CStudioFrame::Create(int nShow) {
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!RegisterFrameClass()) {
        return false;
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    m_hFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
    metrics.lfMessageFont.lfWeight = FW_BOLD;
    m_hBoldFont = ::CreateFontIndirectW(&metrics.lfMessageFont);

    const int nWidth = m_settings.m_nWidth >= 400 ? m_settings.m_nWidth : kDefaultWidth;
    const int nHeight = m_settings.m_nHeight >= 300 ? m_settings.m_nHeight : kDefaultHeight;
    m_hWnd =
        ::CreateWindowExW(0, kStudioWindowClass, Wide(Text(EStudioText::kTitle)).c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                          nWidth, nHeight, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (m_hWnd == nullptr) {
        return false;
    }
    AttachWindowObject(m_hWnd, this);
    MakeControls();
    ::DragAcceptFiles(m_hWnd, TRUE);
    m_hPostTo = m_hWnd;
    Layout();
    ::ShowWindow(m_hWnd,
                 m_settings.m_bMaximised && nShow == SW_SHOWNORMAL ? SW_SHOWMAXIMIZED : nShow);
    ::UpdateWindow(m_hWnd);
    ::SetFocus(::GetDlgItem(m_hWnd, kIdAdd));
    // The sound system starts once the window shows.
    ::PostMessageW(m_hWnd, kListDevicesMessage, 0, 0);
    return true;
}

HWND CStudioFrame::MakeControl(const wchar_t* pszClass, const std::wstring& strText, DWORD nStyle,
                               int nId, DWORD nExStyle) {
    const HWND hControl = ::CreateWindowExW(
        nExStyle, pszClass, strText.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | nStyle, 0, 0,
        0, 0, m_hWnd, IdMenu(nId), ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(hControl, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
    return hControl;
}

// Made in the order that Tab follows.
void CStudioFrame::MakeControls() {
    const auto Button = [this](EStudioText eText, int nId, DWORD nStyle = BS_PUSHBUTTON) {
        MakeControl(L"Button", Wide(Text(eText)), WS_TABSTOP | nStyle, nId);
    };
    Button(EStudioText::kAdd, kIdAdd);
    Button(EStudioText::kDecode, kIdDecode, BS_DEFPUSHBUTTON);
    Button(EStudioText::kCancel, kIdCancel);
    Button(EStudioText::kMerge, kIdMerge);
    MakeControl(L"Static", Wide(Text(EStudioText::kDecoder)), SS_RIGHT, kIdDecoderLabel);
    const HWND hDecoder =
        MakeControl(L"ComboBox", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdDecoder);
    for (const EStudioText eText : {EStudioText::kRobust, EStudioText::kClassic}) {
        ::SendMessageW(hDecoder, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(Wide(Text(eText)).c_str()));
    }
    ::SendMessageW(hDecoder, CB_SETCURSEL, 0, 0);
    Button(EStudioText::kSaveBytes, kIdSaveBytes);
    Button(EStudioText::kSaveBlocks, kIdSaveBlocks);
    Button(EStudioText::kSaveReport, kIdSaveReport);
    MakeControl(L"Static", Wide(Text(EStudioText::kDevice)), SS_RIGHT, kIdDeviceLabel);
    const HWND hDevice =
        MakeControl(L"ComboBox", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdDevice);
    ::SendMessageW(hDevice, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Wide(Text(EStudioText::kDefaultDevice)).c_str()));
    ::SendMessageW(hDevice, CB_SETITEMDATA, 0, static_cast<LPARAM>(-1));
    ::SendMessageW(hDevice, CB_SETCURSEL, 0, 0);
    Button(EStudioText::kRecord, kIdRecord);
    Button(EStudioText::kStop, kIdStop);
    ::EnableWindow(::GetDlgItem(m_hWnd, kIdStop), FALSE);
    m_hLevel = MakeControl(PROGRESS_CLASSW, L"", 0, kIdLevel);
    ::SendMessageW(m_hLevel, PBM_SETRANGE32, static_cast<WPARAM>(kLevelFloorDb), 0);
    ::SendMessageW(m_hLevel, PBM_SETPOS, static_cast<WPARAM>(kLevelFloorDb), 0);

    const DWORD nListStyle = WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    m_hRecordings = MakeControl(WC_LISTVIEWW, L"", nListStyle, kIdRecordings, WS_EX_CLIENTEDGE);
    ::SendMessageW(m_hRecordings, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    AddColumn(
        m_hRecordings, 0,
        Wide(Text(EStudioText::kColumnTake)) + L" / " + Wide(Text(EStudioText::kColumnRecording)),
        320, false);
    AddColumn(m_hRecordings, 1, Wide(Text(EStudioText::kColumnState)), 600, false);

    m_hProgress = MakeControl(PROGRESS_CLASSW, L"", 0, kIdProgress);
    ::SendMessageW(m_hProgress, PBM_SETRANGE32, 0, 1000);
    m_map.Create(m_hWnd, kIdMap, m_hBoldFont);

    m_hBlocks = MakeControl(WC_LISTVIEWW, L"", nListStyle, kIdBlocks, WS_EX_CLIENTEDGE);
    ::SendMessageW(m_hBlocks, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    const EStudioText kColumns[] = {EStudioText::kColumnStart, EStudioText::kColumnName,
                                    EStudioText::kColumnBytes, EStudioText::kColumnFailed,
                                    EStudioText::kColumnSpeed};
    const int kWidths[] = {80, 110, 55, 55, 60};
    for (int k = 0; k < 5; ++k) {
        AddColumn(m_hBlocks, k, Wide(Text(kColumns[k])), kWidths[k], k >= 2);
    }
    m_details.Create(m_hWnd, kIdDetails, m_hBoldFont);
    m_hStatus = MakeControl(L"Static", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kIdStatus);
}

void CStudioFrame::Layout() {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int nUnit = FontHeight(m_hWnd, m_hFont);
    const int nGap = nUnit / 2 + 2;
    const int nButton = nUnit + 12;
    int nX = nGap;
    int nY = nGap;
    for (const int nId : kTopRows) {
        if (nId == 0) {
            nX = nGap;
            nY += nButton + nGap / 2;
            continue;
        }
        const HWND hControl = ::GetDlgItem(m_hWnd, nId);
        std::wstring strText(256, L'\0');
        strText.resize(static_cast<size_t>(::GetWindowTextW(hControl, strText.data(), 256)));
        int nWidth = TextWidth(m_hWnd, m_hFont, strText) + 2 * nUnit;
        int nTop = nY;
        int nHeight = nButton;
        if (nId == kIdDecoderLabel || nId == kIdDeviceLabel) {
            nWidth -= 2 * nUnit - 4;
            nTop += (nButton - nUnit) / 2;
            nHeight = nUnit;
        } else if (nId == kIdDecoder) {
            nWidth = std::max(TextWidth(m_hWnd, m_hFont, Wide(Text(EStudioText::kRobust))),
                              TextWidth(m_hWnd, m_hFont, Wide(Text(EStudioText::kClassic)))) +
                     3 * nUnit;
            nTop += 1;
            nHeight = nButton * 6;  // with the list open
        } else if (nId == kIdDevice) {
            nWidth = nUnit * 22;
            nTop += 1;
            nHeight = nButton * 8;
        } else if (nId == kIdLevel) {
            nWidth = nUnit * 10;
            nTop += (nButton - nUnit) / 2;
            nHeight = nUnit;
        }
        ::MoveWindow(hControl, nX, nTop, nWidth, nHeight, FALSE);
        nX += nWidth + nGap / 2;
        m_nButtonsWidth = std::max(m_nButtonsWidth, nX + nGap / 2);
    }
    nY += nGap / 2;

    const int nRight = std::max(nGap * 4, static_cast<int>(client.right) - nGap);
    const int nWidth = nRight - nGap;
    const int nStatusTop = static_cast<int>(client.bottom) - nUnit - nGap;
    const int nProgressTop = nStatusTop - nGap - nUnit;
    const int nFree = std::max(nUnit * 10, nProgressTop - nGap - nY);
    const int nRecordings = std::max(nUnit * 5, nFree / 5);
    ::MoveWindow(m_hRecordings, nGap, nY, nWidth, nRecordings, FALSE);
    nY += nRecordings + nGap;
    const int nRest = std::max(nUnit * 6, nProgressTop - nGap - nY);
    const int nMap = std::clamp(m_map.ContentHeight(nWidth) + 4, nUnit * 4, nRest * 2 / 5);
    MovePicture(m_map.Window(), nGap, nY, nWidth, nMap);
    nY += nMap + nGap;
    const int nBottom = std::max(nY + nUnit * 3, nProgressTop - nGap);
    const int nBlocksWidth = std::clamp(nWidth * 2 / 5, std::min(nWidth, nUnit * 20), nUnit * 34);
    ::MoveWindow(m_hBlocks, nGap, nY, nBlocksWidth, nBottom - nY, FALSE);
    MovePicture(m_details.Window(), nGap * 2 + nBlocksWidth, nY, nWidth - nBlocksWidth - nGap,
                nBottom - nY);
    ::MoveWindow(m_hProgress, nGap, nProgressTop, nWidth, nUnit, FALSE);
    ::MoveWindow(m_hStatus, nGap, nStatusTop, nWidth, nUnit + 2, FALSE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CStudioFrame::Handle(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case DM_GETDEFID: {
            // Enter presses the focused button, or else decodes.
            const HWND hFocus = ::GetFocus();
            const bool bButton = hFocus != nullptr && ::GetParent(hFocus) == m_hWnd &&
                                 (::SendMessageW(hFocus, WM_GETDLGCODE, 0, 0) &
                                  (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
            return MAKELONG(bButton ? ::GetDlgCtrlID(hFocus) : kIdDecode, DC_HASDEFID);
        }
        case kEventsMessage:
            DrainEvents();
            return 0;
        case kListDevicesMessage:
            ListDevices();
            return 0;
        case WM_DROPFILES:
            OnDrop(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
            // No narrower than the rows of buttons.
            RECT rect{0, 0, m_nButtonsWidth, 0};
            ::AdjustWindowRectEx(&rect, static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)),
                                 FALSE,
                                 static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
            limits.ptMinTrackSize = {std::max(640L, rect.right - rect.left), 480};
            return 0;
        }
        case WM_CLOSE:
            SaveSettings();
            ::DestroyWindow(m_hWnd);
            return 0;
        case WM_DESTROY:
            m_hPostTo = nullptr;
            m_studio.StopRecording();
            m_studio.Cancel();
            ::PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            const HWND hWnd = std::exchange(m_hWnd, nullptr);
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
            return ::DefWindowProcW(hWnd, nMessage, wParam, lParam);
        }
        default:
            return ::DefWindowProcW(m_hWnd, nMessage, wParam, lParam);
    }
}

int CStudioFrame::RunMessageLoop() {
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, &msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CStudioFrame::OnCommand(int nId, int nCode) {
    switch (nId) {
        case kIdAdd:
            OnAdd();
            break;
        case IDOK:
        case kIdDecode:
            OnDecode();
            break;
        case kIdCancel:
            m_studio.Cancel();
            break;
        case kIdMerge:
            m_studio.Merge();
            break;
        case kIdSaveBytes:
            OnSaveBytes();
            break;
        case kIdSaveBlocks:
            OnSaveBlocks();
            break;
        case kIdSaveReport:
            OnSaveReport();
            break;
        case kIdRecord:
            OnRecord();
            break;
        case kIdStop:
            OnStop();
            break;
        case kIdDecoder:
            if (nCode == CBN_SELCHANGE) {
                const LRESULT nChoice =
                    ::SendMessageW(::GetDlgItem(m_hWnd, kIdDecoder), CB_GETCURSEL, 0, 0);
                m_studio.SetDecoder(nChoice == 1 ? EStudioDecoder::kClassic
                                                 : EStudioDecoder::kRobust);
            }
            break;
        default:
            break;
    }
}

LRESULT CStudioFrame::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == m_hRecordings && header.code == NM_CUSTOMDRAW) {
        auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            const size_t nRow = draw.nmcd.dwItemSpec;
            if (nRow < m_rowProblems.size() && m_rowProblems[nRow]) {
                draw.clrText = kProblemColour;
                return CDRF_NEWFONT;
            }
        }
        return CDRF_DODEFAULT;
    }
    if (header.code != LVN_ITEMCHANGED || m_bFilling) {
        return 0;
    }
    const auto& change = *reinterpret_cast<const NMLISTVIEW*>(&header);
    if ((change.uChanged & LVIF_STATE) == 0 || change.iItem < 0) {
        return 0;
    }
    const bool bSelected =
        (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
    if (header.hwndFrom == m_hRecordings) {
        const auto nRow = static_cast<size_t>(change.iItem);
        if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0 &&
            nRow < m_rows.size() && m_rows[nRow] != 0 &&
            (change.uOldState & LVIS_STATEIMAGEMASK) != 0) {
            m_studio.SetTake(m_rows[nRow],
                             (change.uNewState & LVIS_STATEIMAGEMASK) == CheckState(2));
        }
        if (bSelected) {
            ShowSelection();
        }
    } else if (header.hwndFrom == m_hBlocks && bSelected) {
        ShowDetails();
    }
    return 0;
}

void CStudioFrame::OnStudioEvent(const SStudioEvent& event) {
    bool bPost = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        bPost = m_events.empty();
        m_events.push_back(event);
    }
    const HWND hPostTo = m_hPostTo;
    if (bPost && hPostTo != nullptr) {
        ::PostMessageW(hPostTo, kEventsMessage, 0, 0);
    }
}

// Every event that came, in order; the map so far is drawn once, from the
// last of them.
void CStudioFrame::DrainEvents() {
    std::deque<SStudioEvent> events;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        events.swap(m_events);
    }
    std::shared_ptr<const SLiveMap> pLive;
    for (const SStudioEvent& event : events) {
        Apply(event, pLive);
    }
    if (pLive != nullptr) {
        m_map.SetPicture(TapeMapPicture(*pLive));
        Layout();
    }
}

void CStudioFrame::Apply(const SStudioEvent& event, std::shared_ptr<const SLiveMap>& pLive) {
    using EKind = SStudioEvent::EKind;
    const std::optional<SStudioSource> source = Source();
    const bool bShown = source && !source->m_bMerged && source->m_nRecording == event.m_nRecording;
    switch (event.m_eKind) {
        case EKind::kAdded: {
            const std::optional<SRecordingRow> row = m_studio.Recording(event.m_nRecording);
            AddRow(event.m_nRecording, FileNameOf(row ? Utf8ToWide(row->m_strPath) : L""));
            break;
        }
        case EKind::kProgress:
            if (event.m_level.m_dSeconds > 0.0) {
                ShowRecordingState(&event.m_level);
            }
            [[fallthrough]];
        case EKind::kBlockFound:
            ::SendMessageW(m_hProgress, PBM_SETPOS, static_cast<WPARAM>(event.m_dProgress * 1000.0),
                           0);
            ShowRow(event.m_nRecording);
            if (event.m_pLive != nullptr && bShown) {
                pLive = event.m_pLive;
            }
            break;
        case EKind::kDecodeStarted:
            ::SendMessageW(m_hProgress, PBM_SETPOS, 0, 0);
            ShowRow(event.m_nRecording);
            break;
        case EKind::kDecodeFinished:
        case EKind::kDecodeFailed:
        case EKind::kDecodeCancelled:
            ::SendMessageW(m_hProgress, PBM_SETPOS,
                           event.m_eKind == EKind::kDecodeFinished ? 1000 : 0, 0);
            ShowRow(event.m_nRecording);
            ShowRecordingState(nullptr);
            if (bShown) {
                pLive.reset();
                ShowSelection();
            }
            break;
        case EKind::kMergeStarted:
            SetStatus(Wide(Text(EStudioText::kMerging)));
            break;
        case EKind::kMerged:
            SetStatus(Wide(Text(EStudioText::kMerged)));
            ShowMergedRow();
            break;
        case EKind::kMergeFailed:
        case EKind::kSaveFailed:
            SetStatus(Utf8ToWide(ProblemText(event.m_eProblem, event.m_strDetail, m_eLanguage)));
            break;
        case EKind::kSaved: {
            const std::wstring strWhere = Utf8ToWide(event.m_strDetail);
            SetStatus(Wide(Text(EStudioText::kSaved)) + strWhere);
            if (!m_strReport.empty() && m_strReport == strWhere) {
                m_dialogs.Show(m_strReport);
                m_strReport.clear();
            }
            break;
        }
        case EKind::kRemoved:
            break;
    }
}

int CStudioFrame::RowOf(uint32_t nId) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), nId);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

void CStudioFrame::AddRow(uint32_t nId, const std::wstring& strName) {
    m_bFilling = true;
    const int nRow = AddItem(m_hRecordings, strName);
    m_rows.push_back(nId);
    m_rowProblems.push_back(false);
    SetItemState(m_hRecordings, nRow, CheckState(nId != 0 ? 2 : 0), LVIS_STATEIMAGEMASK);
    m_bFilling = false;
    if (nId != 0) {
        ShowRow(nId);
    }
    if (SelectedRow(m_hRecordings) < 0) {
        SelectRow(m_hRecordings, nRow);
    }
}

void CStudioFrame::ShowRow(uint32_t nId) {
    const int nRow = RowOf(nId);
    const std::optional<SRecordingRow> row = m_studio.Recording(nId);
    if (nRow < 0 || !row) {
        return;
    }
    SetCell(m_hRecordings, nRow, 1, Utf8ToWide(RecordingStateText(*row, m_eLanguage)));
    const bool bProblem = row->m_eProblem != EStudioProblem::kNone;
    if (m_rowProblems[static_cast<size_t>(nRow)] != bProblem) {
        m_rowProblems[static_cast<size_t>(nRow)] = bProblem;
        ::SendMessageW(m_hRecordings, LVM_REDRAWITEMS, static_cast<WPARAM>(nRow), nRow);
    }
}

void CStudioFrame::ShowMergedRow() {
    int nRow = RowOf(0);
    if (nRow < 0) {
        AddRow(0, Wide(Text(EStudioText::kMergedSource)));
        nRow = RowOf(0);
    }
    if (const std::shared_ptr<const SMerged> pMerged = m_studio.Merged()) {
        SetCell(m_hRecordings, nRow, 1, Utf8ToWide(MergedStateText(*pMerged, m_eLanguage)));
    }
    SelectRow(m_hRecordings, nRow);
    ShowSelection();
}

int CStudioFrame::SelectedRow(HWND hList) const {
    return static_cast<int>(
        ::SendMessageW(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CStudioFrame::SelectRow(HWND hList, int nRow) {
    SetItemState(hList, nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::SendMessageW(hList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(nRow), FALSE);
}

std::optional<SStudioSource> CStudioFrame::Source() const {
    const int nRow = SelectedRow(m_hRecordings);
    if (nRow < 0 || static_cast<size_t>(nRow) >= m_rows.size()) {
        return std::nullopt;
    }
    const uint32_t nId = m_rows[static_cast<size_t>(nRow)];
    return SStudioSource{nId == 0, nId};
}

void CStudioFrame::ShowBlocks(const std::vector<SBlockRowText>& rows) {
    m_bFilling = true;
    ::SendMessageW(m_hBlocks, LVM_DELETEALLITEMS, 0, 0);
    for (const SBlockRowText& row : rows) {
        const int nRow = AddItem(m_hBlocks, Utf8ToWide(row[0]));
        for (int k = 1; k < static_cast<int>(row.size()); ++k) {
            SetCell(m_hBlocks, nRow, k, Utf8ToWide(row[static_cast<size_t>(k)]));
        }
    }
    if (!rows.empty()) {
        SelectRow(m_hBlocks, 0);
    }
    m_bFilling = false;
}

void CStudioFrame::ShowSelection() {
    const std::optional<SStudioSource> source = Source();
    if (!source) {
        return;
    }
    if (source->m_bMerged) {
        const std::shared_ptr<const SMerged> pMerged = m_studio.Merged();
        if (pMerged == nullptr) {
            return;
        }
        ShowBlocks(BlockRows(*pMerged));
        m_map.SetPicture({});
        std::vector<SPicturePart> parts;
        size_t nNumber = 0;
        for (SStripPicture& strip : MergeStripPictures(*pMerged)) {
            ++nNumber;
            SPicturePart part{std::move(strip.m_strName), std::move(strip.m_picture)};
            if (part.m_strCaption.empty()) {
                part.m_strCaption = std::to_string(nNumber);
            }
            parts.push_back(std::move(part));
        }
        m_details.SetParts(std::move(parts));
    } else if (const std::optional<SRecordingRow> row = m_studio.Recording(source->m_nRecording)) {
        if (row->m_pDecoded != nullptr) {
            m_map.SetPicture(TapeMapPicture(*row->m_pDecoded));
            ShowBlocks(BlockRows(*row->m_pDecoded));
        } else {
            m_map.SetPicture(row->m_pLive != nullptr ? TapeMapPicture(*row->m_pLive)
                                                     : CCanvasRecording{});
            ShowBlocks({});
        }
        ShowDetails();
    }
    Layout();
}

// The histogram of the chosen recording and the signal at the first failed
// byte of the chosen block.
void CStudioFrame::ShowDetails() {
    const std::optional<SStudioSource> source = Source();
    if (!source || source->m_bMerged) {
        return;
    }
    const std::optional<SRecordingRow> row = m_studio.Recording(source->m_nRecording);
    if (!row || row->m_pDecoded == nullptr) {
        m_details.SetParts({});
        return;
    }
    const int nBlock = SelectedRow(m_hBlocks);
    std::string strWhen;
    CCanvasRecording signal =
        nBlock < 0 ? CCanvasRecording{}
                   : SignalPicture(*row->m_pDecoded, static_cast<size_t>(nBlock), strWhen);
    std::vector<SPicturePart> parts;
    parts.push_back({Text(EStudioText::kHistogram), HistogramPicture(*row->m_pDecoded)});
    std::string strCaption = Text(EStudioText::kSignal);
    strCaption.append(": ").append(strWhen.empty() ? Text(EStudioText::kNoFailure) : strWhen);
    parts.push_back({std::move(strCaption), std::move(signal)});
    m_details.SetParts(std::move(parts));
}

void CStudioFrame::SetStatus(const std::wstring& str) {
    ::SetWindowTextW(m_hStatus, str.c_str());
}

void CStudioFrame::AddRecordings(const std::vector<std::wstring>& paths) {
    for (const std::wstring& strPath : paths) {
        m_studio.Decode(m_studio.AddRecording(WideToUtf8(strPath)));
        RememberFolderOf(strPath);
    }
}

void CStudioFrame::RememberFolderOf(const std::wstring& strPath) {
    const std::wstring strFolder = FolderOf(strPath);
    if (!strFolder.empty()) {
        m_settings.m_strFolder = strFolder;
    }
}

void CStudioFrame::OnAdd() {
    AddRecordings(m_dialogs.Recordings(m_hWnd, m_settings.m_strFolder,
                                       FileDialogFilter(Text(EStudioText::kRecordingFilter))));
}

void CStudioFrame::OnDecode() {
    const std::optional<SStudioSource> source = Source();
    if (source && !source->m_bMerged) {
        m_studio.Decode(source->m_nRecording);
    } else {
        m_studio.DecodeAll();
    }
}

void CStudioFrame::OnSaveBytes() {
    if (const std::optional<SStudioSource> source = Source()) {
        const std::wstring strPath =
            m_dialogs.SaveFile(m_hWnd, m_settings.m_strFolder, L"tape.dat", {});
        if (!strPath.empty()) {
            RememberFolderOf(strPath);
            m_studio.SaveBytes(*source, WideToUtf8(strPath));
        }
    }
}

void CStudioFrame::OnSaveBlocks() {
    if (const std::optional<SStudioSource> source = Source()) {
        const std::wstring strFolder = m_dialogs.Folder(m_hWnd, m_settings.m_strFolder,
                                                        Wide(Text(EStudioText::kChooseFolder)));
        if (!strFolder.empty()) {
            m_settings.m_strFolder = strFolder;
            m_studio.SaveBlocks(*source, WideToUtf8(strFolder));
        }
    }
}

void CStudioFrame::OnSaveReport() {
    if (const std::optional<SStudioSource> source = Source()) {
        const std::wstring strPath = m_dialogs.SaveFile(
            m_hWnd, m_settings.m_strFolder, L"report.html", FileDialogFilter("HTML (*.html)"));
        if (!strPath.empty()) {
            RememberFolderOf(strPath);
            m_strReport = strPath;
            m_studio.SaveReport(*source, WideToUtf8(strPath));
        }
    }
}

void CStudioFrame::OnDrop(HDROP hDrop) {
    std::vector<std::wstring> paths;
    const UINT nFiles = ::DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT k = 0; k < nFiles; ++k) {
        std::wstring strPath(::DragQueryFileW(hDrop, k, nullptr, 0) + 1, L'\0');
        ::DragQueryFileW(hDrop, k, strPath.data(), static_cast<UINT>(strPath.size()));
        paths.push_back(strPath.c_str());
    }
    ::DragFinish(hDrop);
    AddRecordings(paths);
}

void CStudioFrame::SaveSettings() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(m_hWnd, &placement)) {
        m_settings.m_nWidth = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
        m_settings.m_nHeight = placement.rcNormalPosition.bottom - placement.rcNormalPosition.top;
        m_settings.m_bMaximised = placement.showCmd == SW_SHOWMAXIMIZED;
    }
    SaveStudioSettings(m_strSettingsKey, m_settings);
}
