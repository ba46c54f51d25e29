#include "FileDialog.h"

#include <algorithm>
#include <vector>

#include "TextConvert.h"

namespace {

// Room for the chosen path: long paths included.
constexpr size_t kPathChars = 32768;

}  // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* szDefExt, const char* szFileName,
                         DWORD dwFlags, const char* szFilter, CWnd* pParentWnd)
    : m_ofn{},
      m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(szDefExt != nullptr ? szDefExt : ""),
      m_strFileName(szFileName != nullptr ? szFileName : ""),
      m_strFilter(szFilter != nullptr ? szFilter : ""),
      m_pParentWnd(pParentWnd) {
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
    // "Text|*.txt||" becomes the system's list of NUL-separated strings,
    // ended by an empty one.
    std::wstring strFilter = Utf8ToWide(m_strFilter);
    std::replace(strFilter.begin(), strFilter.end(), L'|', L'\0');
    const std::wstring strDefExt = Utf8ToWide(m_strDefExt);
    std::vector<wchar_t> file(kPathChars, L'\0');
    const std::wstring strFileName = Utf8ToWide(m_strFileName);
    std::copy_n(strFileName.begin(), std::min(strFileName.size(), kPathChars - 1), file.begin());

    m_ofn.hwndOwner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    m_ofn.lpstrFilter = strFilter.empty() ? nullptr : strFilter.c_str();
    m_ofn.nFilterIndex = strFilter.empty() ? 0 : 1;
    m_ofn.lpstrFile = file.data();
    m_ofn.nMaxFile = static_cast<DWORD>(file.size());
    m_ofn.lpstrDefExt = strDefExt.empty() ? nullptr : strDefExt.c_str();

    // A cancelled choice changes nothing, the current directory included:
    // the dialog may have moved it while the user looked around.
    std::vector<wchar_t> startDir(kPathChars, L'\0');
    const DWORD nStartDir =
        ::GetCurrentDirectoryW(static_cast<DWORD>(startDir.size()), startDir.data());

    const BOOL bChosen =
        m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    if (!bChosen && nStartDir > 0 && nStartDir < startDir.size()) {
        ::SetCurrentDirectoryW(startDir.data());
    }

    // The chosen file's folder becomes current, as when the user went there
    // in the dialog. Some implementations of the dialog leave the folder it
    // started in current when a full path is typed instead.
    if (bChosen && (m_ofn.Flags & OFN_NOCHANGEDIR) == 0 && m_ofn.nFileOffset > 0 &&
        m_ofn.nFileOffset < file.size()) {
        const std::wstring strFolder(file.data(), m_ofn.nFileOffset);
        ::SetCurrentDirectoryW(strFolder.c_str());
    }

    // The buffers end here; the record keeps no pointer to them.
    m_ofn.lpstrFilter = nullptr;
    m_ofn.lpstrFile = nullptr;
    m_ofn.nMaxFile = 0;
    m_ofn.lpstrDefExt = nullptr;
    if (!bChosen) {
        return IDCANCEL;
    }
    m_strPathName = WideToUtf8(file.data());
    return IDOK;
}

std::string CFileDialog::GetPathName() const {
    return m_strPathName;
}
