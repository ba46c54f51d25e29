// The part of the Windows API that the dialog's sources use, for the Qt
// layer: the same names and values, implemented on Qt where they mean
// anything there.
#pragma once

#include <cstdint>

class QWidget;

using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using WORD = uint16_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPCWSTR = const wchar_t*;

// Window handles are the widgets themselves.
using HWND = QWidget*;
// Icons, device contexts and modules are opaque handles owned by the layer.
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HDC__;
using HDC = HDC__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
using LPRECT = RECT*;

struct PAINTSTRUCT {
    HDC hdc;
};

// The fields of the open-file dialog's record that the dialog sets.
struct OPENFILENAMEW {
    DWORD Flags;
    LPCWSTR lpstrInitialDir;
};

#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEW
#define RT_GROUP_ICON MAKEINTRESOURCE(14)

inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_ICONERASEBKGND = 0x0027;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr WPARAM ICON_SMALL = 0;
inline constexpr WPARAM ICON_BIG = 1;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;
inline constexpr DWORD OFN_ENABLESIZING = 0x00800000;

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
#define LoadIcon LoadIconW
int GetSystemMetrics(int nIndex);
