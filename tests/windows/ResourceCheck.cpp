#include "ResourceCheck.h"

#include <cstring>
#include <vector>

#include "PlatformTypes.h"
#include "TestReport.h"
#include "Version.h"
#include "WindowDriver.h"
#include "resource.h"

namespace {

constexpr WORD kCzech = MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT);

const void* FindCzechResource(HMODULE hModule, LPCWSTR pszType, int nID, DWORD* pnSize) {
    const HRSRC hInfo = ::FindResourceExW(hModule, pszType, MAKEINTRESOURCEW(nID), kCzech);
    if (hInfo == nullptr) {
        return nullptr;
    }
    *pnSize = ::SizeofResource(hModule, hInfo);
    return ::LockResource(::LoadResource(hModule, hInfo));
}

template <class T>
T ReadAt(const void* pData, size_t nOffset) {
    T value{};
    std::memcpy(&value, static_cast<const uint8_t*>(pData) + nOffset, sizeof(T));
    return value;
}

}  // namespace

void CheckProgramResources(const std::wstring& strExe) {
    const HMODULE hModule = ::LoadLibraryExW(strExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(hModule != nullptr, "the program's resources load");
    if (hModule == nullptr) {
        return;
    }
    DWORD nSize = 0;
    const void* pDialog = FindCzechResource(hModule, RT_DIALOG, IDD_TAVRO_TAPE_DIALOG, &nSize);
    // An extended template starts with version 1 and signature 0xFFFF.
    Check(pDialog != nullptr && nSize > 4 && ReadAt<WORD>(pDialog, 0) == 1 &&
              ReadAt<WORD>(pDialog, 2) == 0xFFFF,
          "dialog 102: an extended template in Czech");

    const void* pGroup = FindCzechResource(hModule, RT_GROUP_ICON, IDR_MAINFRAME, &nSize);
    bool bIcons = pGroup != nullptr && nSize >= 6 + 2 * 14 && ReadAt<WORD>(pGroup, 2) == 1 &&
                  ReadAt<WORD>(pGroup, 4) == 2;
    const int kSizes[] = {32, 16};
    for (size_t k = 0; bIcons && k < 2; ++k) {
        const size_t nEntry = 6 + 14 * k;
        bIcons = ReadAt<BYTE>(pGroup, nEntry) == kSizes[k] &&
                 ReadAt<BYTE>(pGroup, nEntry + 1) == kSizes[k] &&
                 ReadAt<BYTE>(pGroup, nEntry + 2) == 16 && ReadAt<WORD>(pGroup, nEntry + 6) == 4;
    }
    Check(bIcons, "icon group 128: 32 x 32 and 16 x 16, 16 colours");
    ::FreeLibrary(hModule);

    DWORD nHandle = 0;
    const DWORD nInfoSize = ::GetFileVersionInfoSizeW(strExe.c_str(), &nHandle);
    std::vector<uint8_t> info(nInfoSize);
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nFixed = 0;
    const bool bInfo =
        nInfoSize > 0 && ::GetFileVersionInfoW(strExe.c_str(), 0, nInfoSize, info.data()) &&
        ::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&pFixed), &nFixed) &&
        nFixed >= sizeof(VS_FIXEDFILEINFO);
    const DWORD nMs = MAKELONG(TAVRO_VERSION_MINOR, TAVRO_VERSION_MAJOR);
    const DWORD nLs = MAKELONG(TAVRO_VERSION_TWEAK, TAVRO_VERSION_PATCH);
    Check(bInfo && pFixed->dwFileVersionMS == nMs && pFixed->dwFileVersionLS == nLs &&
              pFixed->dwProductVersionMS == nMs && pFixed->dwProductVersionLS == nLs,
          std::string("file and product version ") + TAVRO_VERSION_STRING);
    for (const wchar_t* pszName : {L"FileVersion", L"ProductVersion"}) {
        wchar_t* pszValue = nullptr;
        UINT nChars = 0;
        const std::wstring strKey = std::wstring(L"\\StringFileInfo\\040504e2\\") + pszName;
        const bool bFound = bInfo && ::VerQueryValueW(info.data(), strKey.c_str(),
                                                      reinterpret_cast<void**>(&pszValue), &nChars);
        CheckText(bFound ? std::wstring(pszValue) : L"<none>", FromUtf8(TAVRO_VERSION_STRING),
                  "version string " + ToUtf8(pszName));
    }
}
