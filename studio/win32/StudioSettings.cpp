#include "StudioSettings.h"

#include "PlatformTypes.h"

namespace {

int ReadNumber(HKEY hKey, const wchar_t* pszName, int nDefault) {
    DWORD nValue = 0;
    DWORD nSize = sizeof(nValue);
    DWORD nType = 0;
    if (::RegQueryValueExW(hKey, pszName, nullptr, &nType, reinterpret_cast<BYTE*>(&nValue),
                           &nSize) != ERROR_SUCCESS ||
        nType != REG_DWORD || nValue > 100000) {
        return nDefault;
    }
    return static_cast<int>(nValue);
}

bool WriteNumber(HKEY hKey, const wchar_t* pszName, int nValue) {
    const auto nData = static_cast<DWORD>(nValue);
    return ::RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nData),
                            sizeof(nData)) == ERROR_SUCCESS;
}

}  // namespace

SStudioSettings LoadStudioSettings(const std::wstring& strKey) {
    SStudioSettings settings;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        return settings;
    }
    DWORD nType = 0;
    DWORD nBytes = 0;
    if (::RegQueryValueExW(hKey, L"Folder", nullptr, &nType, nullptr, &nBytes) == ERROR_SUCCESS &&
        nType == REG_SZ && nBytes > 0 && nBytes < 64 * 1024) {
        std::wstring strFolder(nBytes / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(hKey, L"Folder", nullptr, &nType,
                               reinterpret_cast<BYTE*>(strFolder.data()),
                               &nBytes) == ERROR_SUCCESS) {
            settings.m_strFolder = strFolder.c_str();
        }
    }
    settings.m_nWidth = ReadNumber(hKey, L"Width", 0);
    settings.m_nHeight = ReadNumber(hKey, L"Height", 0);
    settings.m_bMaximised = ReadNumber(hKey, L"Maximised", 0) != 0;
    ::RegCloseKey(hKey);
    return settings;
}

bool SaveStudioSettings(const std::wstring& strKey, const SStudioSettings& settings) {
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, strKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          &hKey, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const auto nFolderBytes =
        static_cast<DWORD>((settings.m_strFolder.size() + 1) * sizeof(wchar_t));
    bool bSaved = ::RegSetValueExW(hKey, L"Folder", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(settings.m_strFolder.c_str()),
                                   nFolderBytes) == ERROR_SUCCESS;
    bSaved = WriteNumber(hKey, L"Width", settings.m_nWidth) && bSaved;
    bSaved = WriteNumber(hKey, L"Height", settings.m_nHeight) && bSaved;
    bSaved = WriteNumber(hKey, L"Maximised", settings.m_bMaximised ? 1 : 0) && bSaved;
    ::RegCloseKey(hKey);
    return bSaved;
}
