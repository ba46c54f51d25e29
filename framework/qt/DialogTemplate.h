// Dialog templates for the Qt layer: the control tables of the program's
// dialog scripts (*.dlg), turned into C++ tables at build time by
// tavro-dlgc. Positions and sizes are in dialog units, as in the script.
#pragma once

#include <span>

#include "WinApiSubset.h"

// Window styles that dialog scripts use, with the window system's values, so
// that the style expressions of a script compile unchanged.
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;  // on a dialog
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;  // on a dialog
inline constexpr DWORD WS_GROUP = 0x00020000;        // on a control
inline constexpr DWORD WS_TABSTOP = 0x00010000;      // on a control
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
inline constexpr DWORD DS_SETFONT = 0x00000040;
inline constexpr DWORD DS_MODALFRAME = 0x00000080;
inline constexpr DWORD BS_PUSHBUTTON = 0x00000000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
inline constexpr DWORD BS_TYPEMASK = 0x0000000F;
inline constexpr DWORD SS_LEFT = 0x00000000;
inline constexpr DWORD SS_CENTER = 0x00000001;
inline constexpr DWORD SS_RIGHT = 0x00000002;
inline constexpr DWORD SS_TYPEMASK = 0x0000001F;

// A rectangle in dialog units: position and size.
struct CDialogUnitRect {
    int x;
    int y;
    int cx;
    int cy;
};

// One control of a dialog, in template order (which is the tab order).
struct CDialogItemTemplate {
    const char* szText;  // UTF-8, '&' marks the mnemonic
    int nID;
    const char* szIDName;  // the identifier as the script writes it
    const char* szClass;   // window class: "Button", "Static"
    DWORD dwStyle;
    CDialogUnitRect rect;
};

struct CDialogTemplate {
    UINT nID;
    const char* szIDName;
    DWORD dwStyle;
    DWORD dwExStyle;
    const char* szCaption;  // UTF-8
    int nPointSize;         // of the dialog's font
    const char* szFaceName;
    CDialogUnitRect rect;
    std::span<const CDialogItemTemplate> items;
};

// Every dialog template of the program (generated).
std::span<const CDialogTemplate> GetDialogTemplates();

// The template nID, or null when the program has none of that number.
const CDialogTemplate* FindDialogTemplate(UINT nID);
