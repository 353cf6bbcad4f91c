// The window and drawing vocabulary (user32, gdi32) for builds without the
// Windows SDK: the names, layouts and values the custom controls and the
// property sheet use, as the platform defines them.
#pragma once

#include "platform/host/win_base.h"

using ATOM = WORD;
using COLORREF = DWORD;
using INT_PTR = std::intptr_t;

struct HDC__;
struct HGDIOBJ__;
struct HCURSOR__;
struct HICON__;
struct HBRUSH__;
struct HMENU__;
struct HRGN__;
using HDC = HDC__*;
using HGDIOBJ = HGDIOBJ__*;
// Pens and brushes are GDI objects: one handle type serves SelectObject and
// DeleteObject for both, as on Windows where they convert to HGDIOBJ.
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HCURSOR = HCURSOR__*;
using HICON = HICON__*;
using HMENU = HMENU__*;
using HRGN = HRGN__*;

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
    LONG x;
    LONG y;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

#define RGB(r, g, b)                                                                                         \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) |           \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>(static_cast<WORD>(rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))

// Class styles, system colours, cursors.
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_BTNFACE 15
#define IDC_ARROW MAKEINTRESOURCEA(32512)

// Window messages.
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_SIZE 0x0005u
#define WM_PAINT 0x000Fu
#define WM_ERASEBKGND 0x0014u

// Window data and redrawing.
#define GWL_USERDATA (-21)
#define GWLP_USERDATA (-21)
#define RDW_INVALIDATE 0x0001u
#define RDW_ERASE 0x0004u
#define RDW_VALIDATE 0x0008u
#define RDW_NOERASE 0x0020u
#define RDW_UPDATENOW 0x0100u

// Drawing.
#define PS_SOLID 0
#define TRANSPARENT 1
#define OPAQUE 2
#define CLR_INVALID 0xFFFFFFFFu
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define ALTERNATE 1
#define WINDING 2

// Dialogs and property-sheet pages.
#define WM_NOTIFY 0x004Eu
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_TIMER 0x0113u
#define BN_CLICKED 0
// The dialog's own user word: DWL_USER on 32-bit Windows, DWLP_USER where
// pointers are wider (it follows the message result and the procedure).
#define DWLP_USER (static_cast<int>(sizeof(LRESULT) + sizeof(DLGPROC)))
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFFu))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFFu))
#define MAKEWPARAM(l, h)                                                                                     \
    (static_cast<WPARAM>(                                                                                    \
        static_cast<DWORD>(static_cast<WORD>(l) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))
#define IDI_WINLOGO MAKEINTRESOURCEA(32517)

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;

#define PSN_FIRST (0u - 200u)
#define PSN_SETACTIVE (PSN_FIRST - 0u)
#define PSN_KILLACTIVE (PSN_FIRST - 1u)

struct PROPSHEETPAGEA;
using LPFNPSPCALLBACKA = UINT(CALLBACK*)(HWND, UINT, PROPSHEETPAGEA*);

// The page record the property sheet passes to a page's WM_INITDIALOG.
struct PROPSHEETPAGEA {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCSTR pszTemplate;
        const void* pResource;
    };
    union {
        HICON hIcon;
        LPCSTR pszIcon;
    };
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
};
using LPPROPSHEETPAGEA = PROPSHEETPAGEA*;
using LPCPROPSHEETPAGEA = const PROPSHEETPAGEA*;

// Local memory and text conversion.
using HLOCAL = HANDLE;
#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define CP_ACP 0u
#define MB_PRECOMPOSED 0x00000001u
