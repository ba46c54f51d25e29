// What the studio's window asks of the user beyond its own controls: files
// and folders, and showing a saved report. The window takes it as a seam,
// so that a test can answer in place of the system's dialogs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "WinApi.h"

class CStudioDialogs {
public:
    virtual ~CStudioDialogs() = default;
    // The chosen recordings; none when the user cancels.
    virtual std::vector<std::wstring> Recordings(HWND hOwner, const std::wstring& strFolder,
                                                 const std::wstring& strFilter) = 0;
    // strName: the file name offered; empty when the user cancels.
    virtual std::wstring SaveFile(HWND hOwner, const std::wstring& strFolder,
                                  const std::wstring& strName, const std::wstring& strFilter) = 0;
    virtual std::wstring Folder(HWND hOwner, const std::wstring& strFolder,
                                const std::wstring& strTitle) = 0;
    virtual void Show(const std::wstring& strPath) = 0;
};

// The common file dialogs, the shell's folder choice and the browser.
class CWinStudioDialogs : public CStudioDialogs {
public:
    std::vector<std::wstring> Recordings(HWND hOwner, const std::wstring& strFolder,
                                         const std::wstring& strFilter) override;
    std::wstring SaveFile(HWND hOwner, const std::wstring& strFolder, const std::wstring& strName,
                          const std::wstring& strFilter) override;
    std::wstring Folder(HWND hOwner, const std::wstring& strFolder,
                        const std::wstring& strTitle) override;
    void Show(const std::wstring& strPath) override;
};

// A filter of the file dialogs from "Name (*.a *.b);;Other (*)": pairs of
// name and patterns ("*.a;*.b", "*.*"), each ended by a null character,
// the last pair by two.
std::wstring FileDialogFilter(std::string_view strFilters);

// The paths of a multiple choice in the open-file dialog's buffer: the
// folder then the names, each ended by a null character; or one whole path.
std::vector<std::wstring> ChosenFiles(const std::wstring& strBuffer);
