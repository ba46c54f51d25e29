// The system's open-file dialog.
#pragma once

#include <string>

#include "Wnd.h"

class CFileDialog {
public:
    // szFilter: pairs of "description|pattern|", ended by one more '|'.
    // dwFlags are the OFN_ flags; the layer adds those its own dialog
    // handling needs (OFN_EXPLORER). Texts are UTF-8.
    CFileDialog(BOOL bOpenFileDialog, const char* szDefExt = nullptr,
                const char* szFileName = nullptr, DWORD dwFlags = 0, const char* szFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    // IDOK when a file was chosen, IDCANCEL otherwise.
    virtual INT_PTR DoModal();
    // The chosen file's full path, UTF-8.
    std::string GetPathName() const;

    // The dialog's record; set lpstrInitialDir before DoModal.
    OPENFILENAMEW m_ofn;

private:
    BOOL m_bOpenFileDialog;
    std::string m_strDefExt;
    std::string m_strFileName;
    std::string m_strFilter;
    CWnd* m_pParentWnd;
    std::string m_strPathName;
};
