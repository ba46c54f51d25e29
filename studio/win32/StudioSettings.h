// What the studio's window keeps between runs, in the registry under
// HKEY_CURRENT_USER: the last folder used and the window's size.
#pragma once

#include <string>

struct SStudioSettings {
    std::wstring m_strFolder;
    int m_nWidth = 0;  // 0: never saved
    int m_nHeight = 0;
    bool m_bMaximised = false;
};

inline constexpr const wchar_t* kStudioSettingsKey = L"Software\\tavro-tape\\tavro-tape-studio";

// strKey: below HKEY_CURRENT_USER. What is missing keeps its default.
SStudioSettings LoadStudioSettings(const std::wstring& strKey);
bool SaveStudioSettings(const std::wstring& strKey, const SStudioSettings& settings);
