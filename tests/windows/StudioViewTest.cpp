// The studio's Windows window, driven through window messages as a user
// would: two takes added through the file dialog (answered by the test),
// decoded, merged with Alt+M, the bytes, the blocks and the report saved
// and the files checked; files dropped on the window, one of them not a
// recording and one missing; the Czech texts; the size and folder kept in
// the registry; the filters of the file dialogs; recording (Record, Stop,
// the input and its level; under Wine the capture may hand on silence or
// fail, which must end as a line in the row); Esc and Enter, the mnemonics
// and the Tab order; and the program itself started with two takes on its
// command line.
//
//   tavro_studio_view_tests [PROGRAM]
//
// Environment: TAVRO_TEST_SCREENSHOT_FLAG=F pauses with the decoded and
// merged takes shown (see PauseForScreenshot).
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cwctype>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "AnalogRecording.h"
#include "StudioFrame.h"
#include "TestReport.h"
#include "WindowDriver.h"
#include "support/AnalogBlocks.h"
#include "support/TestFiles.h"

namespace {

constexpr unsigned kWatchdogSeconds = 400;
constexpr DWORD kDecodeMs = 120000;
constexpr const wchar_t* kSettingsKey = L"Software\\tavro-tape\\studio-view-test";

std::vector<CAnalogBlock> TapeBlocks() {
    return RandomBlocks(21, {{"PROGRAM1", 900}, {"DATA-2", 500}, {"END", 200}});
}

// A take of the tape with its own dropouts (the seed places them).
bool WriteTake(const std::filesystem::path& path, uint64_t nSeed) {
    CImpairments impairments;
    impairments.m_dHissDb = 30.0;
    impairments.m_nDropouts = 4;
    impairments.m_dDropoutMs = 12.0;
    impairments.m_dDropoutDepthDb = 60.0;
    impairments.m_nSeed = nSeed;
    return WriteAnalogRecording(PathUtf8(path), CAnalogFormat{}, impairments, TapeBlocks(), 200,
                                0.3);
}

class CAnsweringDialogs : public CStudioDialogs {
public:
    std::vector<std::wstring> Recordings(HWND, const std::wstring&, const std::wstring&) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return Next(m_recordings).value_or(std::vector<std::wstring>{});
    }
    std::wstring SaveFile(HWND, const std::wstring&, const std::wstring&,
                          const std::wstring&) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return Next(m_files).value_or(L"");
    }
    std::wstring Folder(HWND, const std::wstring&, const std::wstring&) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return Next(m_folders).value_or(L"");
    }
    void Show(const std::wstring& strPath) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_shown.push_back(strPath);
    }

    void AnswerRecordings(std::vector<std::wstring> paths) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_recordings.push_back(std::move(paths));
    }
    void AnswerFile(std::wstring strPath) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_files.push_back(std::move(strPath));
    }
    void AnswerFolder(std::wstring strPath) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_folders.push_back(std::move(strPath));
    }
    std::vector<std::wstring> Shown() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_shown;
    }

private:
    template <class T>
    static std::optional<T> Next(std::deque<T>& answers) {
        if (answers.empty()) {
            return std::nullopt;
        }
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }

    std::mutex m_mutex;
    std::deque<std::vector<std::wstring>> m_recordings;
    std::deque<std::wstring> m_files;
    std::deque<std::wstring> m_folders;
    std::vector<std::wstring> m_shown;
};

// The window on a thread of its own, with its message loop, as the
// program runs it; closed and gone at the end.
class CStudioUnderTest {
public:
    explicit CStudioUnderTest(EStudioLanguage eLanguage) {
        m_thread = std::thread([this, eLanguage] {
            CStudioFrame frame(m_dialogs, eLanguage, kSettingsKey);
            if (frame.Create(SW_SHOWNORMAL)) {
                m_hWnd = frame.Window();
                frame.RunMessageLoop();
            } else {
                m_hWnd = HWND_MESSAGE;
            }
        });
        WaitFor([this] { return m_hWnd.load() != nullptr; });
        Check(m_hWnd.load() != HWND_MESSAGE && m_hWnd.load() != nullptr, "the window is made");
    }
    ~CStudioUnderTest() { Close(); }
    CStudioUnderTest(const CStudioUnderTest&) = delete;
    CStudioUnderTest& operator=(const CStudioUnderTest&) = delete;

    HWND Window() const { return m_hWnd; }
    HWND Item(int nId) const { return ::GetDlgItem(m_hWnd, nId); }
    void Close() {
        if (m_thread.joinable()) {
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            m_thread.join();
        }
    }
    CAnsweringDialogs m_dialogs;

private:
    std::atomic<HWND> m_hWnd{nullptr};
    std::thread m_thread;
};

LRESULT Send(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR nResult = 0;
    ::SendMessageTimeoutW(hWnd, nMessage, wParam, lParam, SMTO_NORMAL, 60000, &nResult);
    return static_cast<LRESULT>(nResult);
}

int RowCount(HWND hList) {
    return static_cast<int>(Send(hList, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring Cell(HWND hList, int nRow, int nColumn) {
    std::vector<wchar_t> text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = nColumn;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    Send(hList, LVM_GETITEMTEXTW, static_cast<WPARAM>(nRow), reinterpret_cast<LPARAM>(&item));
    return text.data();
}

bool StartsWith(const std::wstring& str, const std::wstring& strStart) {
    return str.rfind(strStart, 0) == 0;
}

bool Contains(const std::wstring& str, const std::wstring& strPart) {
    return str.find(strPart) != std::wstring::npos;
}

std::wstring Row(CStudioUnderTest& studio, int nRow) {
    return Cell(studio.Item(kIdRecordings), nRow, 1);
}

bool WaitForRow(CStudioUnderTest& studio, int nRow, const std::wstring& strStart) {
    const bool bSeen = WaitFor([&] { return StartsWith(Row(studio, nRow), strStart); }, kDecodeMs);
    Check(bSeen, "row " + std::to_string(nRow) + " shows \"" + ToUtf8(strStart) + "…\": \"" +
                     ToUtf8(Row(studio, nRow)) + "\"");
    return bSeen;
}

size_t Shapes(HWND hPicture) {
    return static_cast<size_t>(Send(hPicture, kPictureShapesMessage, 0, 0));
}

// The tooltip of a picture (one of the thread's tooltips has it as its
// tool): the mouse moved over it until a shape with a title is under it;
// the tooltip's text.
std::wstring TipOver(HWND hPicture) {
    std::vector<HWND> tips;
    ::EnumThreadWindows(
        ::GetWindowThreadProcessId(hPicture, nullptr),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            if (ClassName(hWnd) == L"tooltips_class32") {
                reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tips));
    RECT client{};
    ::GetClientRect(hPicture, &client);
    for (int nY = 2; nY < client.bottom; nY += 3) {
        for (int nX = client.right / 10; nX < client.right; nX += client.right / 10) {
            Send(hPicture, WM_MOUSEMOVE, 0, MAKELPARAM(nX, nY));
            for (const HWND hOne : tips) {
                std::vector<wchar_t> text(512, L'\0');
                TOOLINFOW tool{};
                tool.cbSize = static_cast<UINT>(offsetof(TOOLINFOW, lpReserved));
                tool.hwnd = hPicture;
                tool.uId = reinterpret_cast<UINT_PTR>(hPicture);
                tool.lpszText = text.data();
                Send(hOne, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
                if (text[0] != L'\0') {
                    return text.data();
                }
            }
        }
    }
    return {};
}

void SelectRecording(CStudioUnderTest& studio, int nRow) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    Send(studio.Item(kIdRecordings), LVM_SETITEMSTATE, static_cast<WPARAM>(nRow),
         reinterpret_cast<LPARAM>(&item));
}

// Files dropped on the window, as the shell hands them over.
void Drop(HWND hWnd, const std::vector<std::wstring>& paths) {
    size_t nChars = 1;
    for (const std::wstring& strPath : paths) {
        nChars += strPath.size() + 1;
    }
    const HGLOBAL hDrop = ::GlobalAlloc(GHND, sizeof(DROPFILES) + nChars * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hDrop));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    auto* pText = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(pDrop) + sizeof(DROPFILES));
    for (const std::wstring& strPath : paths) {
        pText = std::copy(strPath.begin(), strPath.end(), pText);
        *pText++ = L'\0';
    }
    ::GlobalUnlock(hDrop);
    ::PostMessageW(hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0);
}

std::wstring Wide(EStudioText eText, EStudioLanguage eLanguage) {
    return FromUtf8(StudioText(eText, eLanguage));
}

// Tab visits the buttons, the decoder's choice and the two lists, in this
// order.
void CheckTabOrder(CStudioUnderTest& studio) {
    const int kOrder[] = {kIdAdd,       kIdDecode,     kIdCancel,     kIdMerge,  kIdDecoder,
                          kIdSaveBytes, kIdSaveBlocks, kIdSaveReport, kIdDevice, kIdRecord,
                          kIdStop,      kIdRecordings, kIdBlocks};
    std::vector<int> stops;
    for (HWND hChild = ::GetWindow(studio.Window(), GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrW(hChild, GWL_STYLE) & WS_TABSTOP) != 0) {
            stops.push_back(::GetDlgCtrlID(hChild));
        }
    }
    Check(stops == std::vector<int>(std::begin(kOrder), std::end(kOrder)),
          "Tab goes through the controls in order");
}

void TwoTakesAreDecodedMergedAndSaved(const std::filesystem::path& folder) {
    std::printf("-- two takes: decode, merge, save\n");
    const std::filesystem::path one = folder / L"záběr 1.wav";
    const std::filesystem::path two = folder / L"záběr 2.wav";
    Check(WriteTake(one, 1) && WriteTake(two, 2), "two takes made by the encoder");
    const auto eEnglish = EStudioLanguage::kEnglish;
    CStudioUnderTest studio(eEnglish);
    CheckTabOrder(studio);
    CheckText(WindowText(studio.Item(kIdAdd)), L"&Add recordings…", "the Add button");

    studio.m_dialogs.AnswerRecordings({one.wstring(), two.wstring()});
    Click(studio.Window(), kIdAdd);
    WaitFor([&] { return RowCount(studio.Item(kIdRecordings)) == 2; });
    Check(RowCount(studio.Item(kIdRecordings)) == 2, "two rows after Add");
    CheckText(Cell(studio.Item(kIdRecordings), 0, 0), L"záběr 1.wav", "the first row's name");
    if (!WaitForRow(studio, 0, L"decoded: 3 ") || !WaitForRow(studio, 1, L"decoded: 3 ")) {
        return;
    }
    // The first take is chosen: its map, blocks and histogram are shown.
    Check(Shapes(studio.Item(kIdMap)) > 20, "the tape map is drawn");
    // The mouse over a block: its title in a tooltip, the status line as
    // it was.
    const std::wstring strStatus = WindowText(studio.Item(kIdStatus));
    const std::wstring strTip = TipOver(studio.Item(kIdMap));
    Check(Contains(strTip, L"PROGRAM1") || Contains(strTip, L"DATA-2") || Contains(strTip, L"END"),
          "a block's tooltip: \"" + ToUtf8(strTip) + "\"");
    CheckText(WindowText(studio.Item(kIdStatus)), strStatus, "the status line stays");
    Check(Shapes(studio.Item(kIdDetails)) > 20, "the histogram is drawn");
    Check(RowCount(studio.Item(kIdBlocks)) == 3, "three blocks in the table");
    CheckText(Cell(studio.Item(kIdBlocks), 0, 1), L"PROGRAM1", "the first block's name");

    // Alt+M merges; the merged row is added and chosen.
    ::PostMessageW(studio.Item(kIdAdd), WM_SYSCHAR, L'm', 1 << 29);
    WaitFor([&] { return RowCount(studio.Item(kIdRecordings)) == 3; }, kDecodeMs);
    Check(RowCount(studio.Item(kIdRecordings)) == 3, "Alt+M: the merge has a row");
    WaitForRow(studio, 2, L"merged: 3 ");
    Check(Send(studio.Item(kIdRecordings), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
               LVNI_SELECTED) == 2,
          "the merge is chosen");
    Check(Shapes(studio.Item(kIdDetails)) > 0, "the merge strips are drawn");
    CheckText(WindowText(studio.Item(kIdStatus)), L"merged", "the status line after the merge");

    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    const std::filesystem::path bytes = folder / L"páska.dat";
    studio.m_dialogs.AnswerFile(bytes.wstring());
    Click(studio.Window(), kIdSaveBytes);
    WaitFor([&] { return std::filesystem::exists(bytes); });
    WaitFor([&] { return ReadBytes(PathUtf8(bytes)) == TapeBytes(blocks); });
    Check(ReadBytes(PathUtf8(bytes)) == TapeBytes(blocks), "Save bytes: every block in order");

    const std::filesystem::path blockFolder = folder / L"bloky";
    studio.m_dialogs.AnswerFolder(blockFolder.wstring());
    Click(studio.Window(), kIdSaveBlocks);
    const wchar_t* const kFiles[] = {L"01-PROGRAM1.bin", L"02-DATA-2.bin", L"03-END.bin"};
    WaitFor([&] { return std::filesystem::exists(blockFolder / kFiles[2]); });
    for (size_t b = 0; b < blocks.size(); ++b) {
        Check(ReadBytes(PathUtf8(blockFolder / kFiles[b])) == TapeBytes(std::span(&blocks[b], 1)),
              "Save blocks: " + ToUtf8(kFiles[b]));
    }

    const std::filesystem::path report = folder / L"zpráva.html";
    studio.m_dialogs.AnswerFile(report.wstring());
    Click(studio.Window(), kIdSaveReport);
    WaitFor([&] { return !studio.m_dialogs.Shown().empty(); });
    Check(studio.m_dialogs.Shown() == std::vector<std::wstring>{report.wstring()},
          "the saved report is opened in the browser");
    Check(ReadBytes(PathUtf8(report)).size() > 1000, "the report is written");

    // Back to the first take, for a look.
    SelectRecording(studio, 0);
    Check(Shapes(studio.Item(kIdMap)) > 20, "the first take's map again");
    PauseForScreenshot();

    // The window's size and the last folder are kept for the next run.
    ::SetWindowPos(studio.Window(), nullptr, 0, 0, 900, 650, SWP_NOMOVE | SWP_NOZORDER);
    studio.Close();
    const SStudioSettings settings = LoadStudioSettings(kSettingsKey);
    CheckText(settings.m_strFolder, folder.wstring(), "the last folder is kept");
    Check(settings.m_nWidth == 900 && settings.m_nHeight == 650,
          "the size is kept: " + std::to_string(settings.m_nWidth) + " x " +
              std::to_string(settings.m_nHeight));
    CStudioUnderTest again(eEnglish);
    RECT rect{};
    ::GetWindowRect(again.Window(), &rect);
    Check(rect.right - rect.left == 900 && rect.bottom - rect.top == 650,
          "the next window has the size kept");

    // Made as narrow as it goes, every button is still inside.
    ::SetWindowPos(again.Window(), nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    ::GetClientRect(again.Window(), &client);
    for (const int nId : {kIdSaveReport, kIdLevel}) {
        RECT button{};
        ::GetWindowRect(again.Item(nId), &button);
        ::MapWindowPoints(nullptr, again.Window(), reinterpret_cast<POINT*>(&button), 2);
        Check(button.right <= client.right, "narrowed, control " + std::to_string(nId) +
                                                " is inside: " + std::to_string(button.right) +
                                                " <= " + std::to_string(client.right));
    }
}

void FilesThatCannotBeReadAreALineInTheirRows(const std::filesystem::path& folder) {
    std::printf("-- dropped files that cannot be read\n");
    const std::filesystem::path good = folder / L"dobrá.wav";
    const std::filesystem::path bad = folder / L"poznámky.wav";
    Check(WriteTake(good, 3), "a take made by the encoder");
    WriteBytes(PathUtf8(bad), std::vector<uint8_t>{'n', 'o', 't', 'e', 's'});
    CStudioUnderTest studio(EStudioLanguage::kEnglish);
    Drop(studio.Window(), {good.wstring(), bad.wstring(), (folder / L"chybí.wav").wstring()});
    WaitFor([&] { return RowCount(studio.Item(kIdRecordings)) == 3; });
    Check(RowCount(studio.Item(kIdRecordings)) == 3, "three rows after the drop");
    WaitForRow(studio, 0, L"decoded: 3 ");
    WaitFor([&] { return Contains(Row(studio, 2), L"cannot be read: "); }, kDecodeMs);
    Check(Contains(Row(studio, 1), L"cannot be read: not a recording the decoder reads"),
          "the file that is no recording says so: " + ToUtf8(Row(studio, 1)));
    Check(Contains(Row(studio, 2), L"cannot be read: "),
          "the missing file says so: " + ToUtf8(Row(studio, 2)));
    Check(StartsWith(Row(studio, 0), L"decoded: 3 "), "the good one stays decoded");
    Check(::IsWindow(studio.Window()) != 0, "the window is still there");
}

void CzechTexts() {
    std::printf("-- Czech\n");
    const auto eCzech = EStudioLanguage::kCzech;
    CStudioUnderTest studio(eCzech);
    CheckText(WindowText(studio.Item(kIdAdd)), Wide(EStudioText::kAdd, eCzech), "Add in Czech");
    CheckText(WindowText(studio.Item(kIdMerge)), L"&Sloučit záběry", "Merge in Czech");
    CheckText(WindowText(studio.Window()), L"tavro-tape studio", "the title");
}

// The dialogs' filters from the model's one line.
void FileDialogFilters() {
    std::printf("-- file dialog filters\n");
    const struct {
        const char* m_pszFilters;
        std::wstring m_strExpected;
    } kCases[] = {
        {"HTML (*.html)", std::wstring(L"HTML (*.html)\0*.html\0\0", 22)},
        {"Recordings (*.wav *.flac);;All files (*)",
         std::wstring(L"Recordings (*.wav *.flac)\0*.wav;*.flac\0All files (*)\0*.*\0\0", 58)},
        {"no patterns", std::wstring(1, L'\0')},
    };
    for (const auto& test : kCases) {
        Check(FileDialogFilter(test.m_pszFilters) == test.m_strExpected,
              std::string("filter of ") + test.m_pszFilters);
    }
    const struct {
        std::wstring m_strBuffer;
        std::vector<std::wstring> m_expected;
    } kChoices[] = {
        {std::wstring(L"C:\\a\\one.wav\0\0", 14), {L"C:\\a\\one.wav"}},
        {std::wstring(L"C:\\a\0one.wav\0two.wav\0\0", 22), {L"C:\\a\\one.wav", L"C:\\a\\two.wav"}},
        {std::wstring(L"C:\\\0one.wav\0two.wav\0\0", 21), {L"C:\\one.wav", L"C:\\two.wav"}},
        {std::wstring(2, L'\0'), {}},
    };
    for (const auto& test : kChoices) {
        Check(ChosenFiles(test.m_strBuffer) == test.m_expected,
              "chosen files from " + std::to_string(test.m_expected.size()) + " names");
    }
}

bool Enabled(CStudioUnderTest& studio, int nId) {
    return ::IsWindowEnabled(studio.Item(nId)) != 0;
}

// A key as the keyboard gives it, to the control that has the focus; the
// window's loop hands it to the dialog's keyboard handling.
// nTo 0: the window.
void PressKey(CStudioUnderTest& studio, int nTo, WPARAM nKey) {
    const HWND hTo = nTo == 0 ? studio.Window() : studio.Item(nTo);
    ::PostMessageW(hTo, WM_KEYDOWN, nKey, 1);
    ::PostMessageW(hTo, WM_KEYUP, nKey, static_cast<LPARAM>(1u | (3u << 30)));
}

int FocusedId(CStudioUnderTest& studio) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(studio.Window(), nullptr), &info);
    return info.hwndFocus != nullptr ? ::GetDlgCtrlID(info.hwndFocus) : 0;
}

// Record, then Stop: the row ends as a take (decoded, whatever the input
// gave) or with the reason it could not record; Stop is there only while
// a recording runs.
void RecordThenStop() {
    std::printf("-- record, stop\n");
    CStudioUnderTest studio(EStudioLanguage::kEnglish);
    CheckText(WindowText(studio.Item(kIdRecord)), L"Re&cord", "the Record button");
    CheckText(WindowText(studio.Item(kIdStop)), L"S&top", "the Stop button");
    CheckText(WindowText(studio.Item(kIdDeviceLabel)), L"&Input:", "the input's label");
    Check(Send(studio.Item(kIdDevice), CB_GETCOUNT, 0, 0) >= 1 &&
              Send(studio.Item(kIdDevice), CB_GETCURSEL, 0, 0) == 0,
          "the inputs, the default one chosen");
    Check(Enabled(studio, kIdRecord) && !Enabled(studio, kIdStop),
          "before recording: Record, no Stop");

    Click(studio.Window(), kIdRecord);
    WaitFor([&] { return RowCount(studio.Item(kIdRecordings)) == 1; });
    Check(RowCount(studio.Item(kIdRecordings)) == 1, "Record adds a row");
    const auto Ended = [&] {
        const std::wstring strRow = Row(studio, 0);
        return StartsWith(strRow, L"decoded") || Contains(strRow, L"recording failed: ");
    };
    WaitFor([&] { return StartsWith(Row(studio, 0), L"recording ") || Ended(); }, 20000);
    std::printf("   while recording: \"%s\"\n", ToUtf8(Row(studio, 0)).c_str());
    if (!Ended()) {
        Check(Enabled(studio, kIdStop), "while recording: Stop");
        ::Sleep(1000);
        Click(studio.Window(), kIdStop);
    }
    WaitFor(Ended, 30000);
    std::printf("   after Stop: \"%s\"\n", ToUtf8(Row(studio, 0)).c_str());
    Check(Ended(), "the recording ends as a take or a line: \"" + ToUtf8(Row(studio, 0)) + "\"");
    WaitFor([&] { return !Enabled(studio, kIdStop); });
    Check(!Enabled(studio, kIdStop) && Enabled(studio, kIdRecord), "after it: Record, no Stop");
    Check(static_cast<int>(Send(studio.Item(kIdLevel), PBM_GETPOS, 0, 0)) == -60,
          "the level is down");
    Check(::IsWindow(studio.Window()) != 0, "the window is still there");
}

// Esc cancels the decode that runs and closes nothing; Enter on the
// chosen recording decodes it; each button but Cancel (Esc) has a letter
// of its own.
void EscAndEnter(const std::filesystem::path& folder) {
    std::printf("-- Esc, Enter, mnemonics\n");
    const std::filesystem::path longTake = folder / L"dlouhý.wav";
    Check(WriteAnalogRecording(PathUtf8(longTake), CAnalogFormat{}, CImpairments{},
                               RandomBlocks(5, {{"LONG", 30000}}), 200, 0.3),
          "a long recording made by the encoder");
    CStudioUnderTest studio(EStudioLanguage::kEnglish);
    studio.m_dialogs.AnswerRecordings({longTake.wstring()});
    Click(studio.Window(), kIdAdd);
    PressKey(studio, kIdAdd, VK_ESCAPE);
    WaitFor([&] { return StartsWith(Row(studio, 0), L"cancelled"); }, kDecodeMs);
    CheckText(Row(studio, 0), L"cancelled", "Esc cancels the decode");
    PressKey(studio, kIdAdd, VK_ESCAPE);
    ::Sleep(200);
    Check(::IsWindowVisible(studio.Window()) != 0, "Esc closes nothing");

    // Tab, key by key, to the recordings, and Enter there.
    int nTabs = 0;
    while (FocusedId(studio) != kIdRecordings && nTabs < 20) {
        PressKey(studio, 0, VK_TAB);
        WaitFor([] { return false; }, 50);
        ++nTabs;
    }
    Check(FocusedId(studio) == kIdRecordings && nTabs == 10,
          "ten Tabs from Add to the recordings: " + std::to_string(nTabs));
    PressKey(studio, 0, VK_RETURN);
    WaitFor([&] { return StartsWith(Row(studio, 0), L"decoded: 1 "); }, kDecodeMs);
    Check(StartsWith(Row(studio, 0), L"decoded: 1 "),
          "Enter decodes the chosen recording: \"" + ToUtf8(Row(studio, 0)) + "\"");

    std::wstring strLetters;
    for (const int nId : {kIdAdd, kIdDecode, kIdMerge, kIdDecoderLabel, kIdSaveBytes, kIdSaveBlocks,
                          kIdSaveReport, kIdDeviceLabel, kIdRecord, kIdStop}) {
        const std::wstring strText = WindowText(studio.Item(nId));
        const size_t nAmp = strText.find(L'&');
        const bool bLetter = nAmp != std::wstring::npos && nAmp + 1 < strText.size();
        const wchar_t cLetter =
            bLetter ? static_cast<wchar_t>(std::towlower(strText[nAmp + 1])) : 0;
        Check(bLetter && strLetters.find(cLetter) == std::wstring::npos,
              "a letter of its own: " + ToUtf8(strText));
        strLetters += cLetter;
    }
}

HWND FindStudioOfProcess(DWORD nProcessId) {
    struct SSearch {
        DWORD m_nProcessId;
        HWND m_hFound;
    } search{nProcessId, nullptr};
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto& found = *reinterpret_cast<SSearch*>(lParam);
            DWORD nOwner = 0;
            ::GetWindowThreadProcessId(hWnd, &nOwner);
            if (nOwner == found.m_nProcessId && ClassName(hWnd) == kStudioWindowClass &&
                ::IsWindowVisible(hWnd)) {
                found.m_hFound = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.m_hFound;
}

// The program with two takes on its command line: they are decoded at
// once, Merge merges them, and closing the window ends it with exit code 0.
void TheProgram(const std::string& strExe, const std::filesystem::path& folder) {
    std::printf("-- the program\n");
    const std::wstring strPath = WindowsPath(strExe);
    const std::filesystem::path one = folder / L"záběr 1.wav";
    const std::filesystem::path two = folder / L"záběr 2.wav";
    std::wstring strCommand =
        L"\"" + strPath + L"\" \"" + one.wstring() + L"\" \"" + two.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(strPath.c_str(), strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        Check(false, "the program starts");
        return;
    }
    HWND hWnd = nullptr;
    WaitFor([&] { return (hWnd = FindStudioOfProcess(process.dwProcessId)) != nullptr; });
    Check(hWnd != nullptr, "the program shows its window");
    if (hWnd != nullptr) {
        const std::wstring strMerged = Wide(EStudioText::kMerged, SystemStudioLanguage());
        Click(hWnd, kIdMerge);
        WaitFor([&] { return WindowText(::GetDlgItem(hWnd, kIdStatus)) == strMerged; }, kDecodeMs);
        CheckText(WindowText(::GetDlgItem(hWnd, kIdStatus)), strMerged,
                  "the takes on the command line merged");
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    }
    CheckProcessEnds(process);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    StartWatchdog(kWatchdogSeconds);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    {
        const CTempDir tempDir;
        const std::filesystem::path folder = tempDir.Path() / L"Nahrávky \u03a9";
        std::filesystem::create_directory(folder);
        FileDialogFilters();
        CzechTexts();
        TwoTakesAreDecodedMergedAndSaved(folder);
        FilesThatCannotBeReadAreALineInTheirRows(folder);
        RecordThenStop();
        EscAndEnter(folder);
        if (argc > 1) {
            TheProgram(argv[1], folder);
        }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    return Summarise("tavro_studio_view_tests");
}
