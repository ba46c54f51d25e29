#include "StudioDialogs.h"

#include "win32/TextConvert.h"

namespace {

constexpr DWORD kBufferChars = 64 * 1024;

std::wstring Trimmed(std::wstring str) {
    const size_t nStart = str.find_first_not_of(L' ');
    const size_t nEnd = str.find_last_not_of(L' ');
    return nStart == std::wstring::npos ? std::wstring() : str.substr(nStart, nEnd - nStart + 1);
}

int CALLBACK StartInFolder(HWND hWnd, UINT nMessage, LPARAM, LPARAM lData) {
    if (nMessage == BFFM_INITIALIZED && lData != 0) {
        ::SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, lData);
    }
    return 0;
}

}  // namespace

std::wstring FileDialogFilter(std::string_view strFilters) {
    std::wstring strResult;
    const std::wstring strAll = Utf8ToWide(strFilters);
    size_t nStart = 0;
    while (nStart < strAll.size()) {
        size_t nEnd = strAll.find(L";;", nStart);
        nEnd = nEnd == std::wstring::npos ? strAll.size() : nEnd;
        const std::wstring strOne = strAll.substr(nStart, nEnd - nStart);
        const size_t nOpen = strOne.rfind(L'(');
        const size_t nClose = strOne.rfind(L')');
        if (nOpen != std::wstring::npos && nClose != std::wstring::npos && nClose > nOpen) {
            std::wstring strPatterns = Trimmed(strOne.substr(nOpen + 1, nClose - nOpen - 1));
            for (wchar_t& c : strPatterns) {
                c = c == L' ' ? L';' : c;
            }
            strResult += strOne + L'\0' + (strPatterns == L"*" ? L"*.*" : strPatterns) + L'\0';
        }
        nStart = nEnd + 2;
    }
    return strResult + L'\0';
}

std::vector<std::wstring> ChosenFiles(const std::wstring& strBuffer) {
    std::vector<std::wstring> parts;
    size_t nStart = 0;
    while (nStart < strBuffer.size() && strBuffer[nStart] != L'\0') {
        const size_t nEnd = strBuffer.find(L'\0', nStart);
        parts.push_back(strBuffer.substr(nStart, nEnd - nStart));
        if (nEnd == std::wstring::npos) {
            break;
        }
        nStart = nEnd + 1;
    }
    if (parts.size() <= 1) {
        return parts;
    }
    std::wstring strFolder = parts.front();
    if (strFolder.back() != L'\\') {
        strFolder += L'\\';
    }
    std::vector<std::wstring> paths;
    for (size_t k = 1; k < parts.size(); ++k) {
        paths.push_back(strFolder + parts[k]);
    }
    return paths;
}

std::vector<std::wstring> CWinStudioDialogs::Recordings(HWND hOwner, const std::wstring& strFolder,
                                                        const std::wstring& strFilter) {
    std::wstring strBuffer(kBufferChars, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = strFilter.c_str();
    ofn.lpstrFile = strBuffer.data();
    ofn.nMaxFile = kBufferChars;
    ofn.lpstrInitialDir = strFolder.empty() ? nullptr : strFolder.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&ofn)) {
        return {};
    }
    return ChosenFiles(strBuffer);
}

std::wstring CWinStudioDialogs::SaveFile(HWND hOwner, const std::wstring& strFolder,
                                         const std::wstring& strName,
                                         const std::wstring& strFilter) {
    std::wstring strBuffer(kBufferChars, L'\0');
    strBuffer.replace(0, strName.size(), strName);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = strFilter.empty() ? nullptr : strFilter.c_str();
    ofn.lpstrFile = strBuffer.data();
    ofn.nMaxFile = kBufferChars;
    ofn.lpstrInitialDir = strFolder.empty() ? nullptr : strFolder.c_str();
    ofn.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetSaveFileNameW(&ofn)) {
        return {};
    }
    return strBuffer.c_str();
}

std::wstring CWinStudioDialogs::Folder(HWND hOwner, const std::wstring& strFolder,
                                       const std::wstring& strTitle) {
    BROWSEINFOW info{};
    info.hwndOwner = hOwner;
    info.lpszTitle = strTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = StartInFolder;
    info.lParam = reinterpret_cast<LPARAM>(strFolder.c_str());
    PIDLIST_ABSOLUTE pItems = ::SHBrowseForFolderW(&info);
    if (pItems == nullptr) {
        return {};
    }
    std::wstring strPath(MAX_PATH * 4, L'\0');
    const bool bPath = ::SHGetPathFromIDListW(pItems, strPath.data()) != 0;
    ::ILFree(pItems);
    return bPath ? std::wstring(strPath.c_str()) : std::wstring();
}

void CWinStudioDialogs::Show(const std::wstring& strPath) {
    ::ShellExecuteW(nullptr, L"open", strPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
