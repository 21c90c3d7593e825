// The handheld shell's dialog helpers, with the handheld's names and contracts as far as the
// program uses them. The device's shell library provides them; a test links its own.
#pragma once
#include <windows.h>

// ---- SHInitDialog ------------------------------------------------------------------------
#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008

struct SHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
};
using PSHINITDLGINFO = SHINITDLGINFO*;

// Sizes the dialog for the handheld's screen. SHIDIF_SIZEDLG fills the work area and
// SHIDIF_SIZEDLGFULLSCREEN the whole screen, in both cases below the shell's task bar while that
// is shown. SHIDIF_DONEBUTTON marks the dialog (property kDoneButtonProp) as one whose caption
// offers OK. FALSE for a null record, a record without SHIDIM_FLAGS, or a handle that is not a
// window.
BOOL SHInitDialog(PSHINITDLGINFO info);

// ---- SHFullScreen ------------------------------------------------------------------------
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

// Shows or hides the shell's task bar and its Start icon and input panel button. FALSE only
// when `requester` is not a window.
BOOL SHFullScreen(HWND requester, DWORD state);

// ---- SHCreateMenuBar ---------------------------------------------------------------------
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002

struct SHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;
};
using PSHMENUBARINFO = SHMENUBARINFO*;
#if !defined(_WIN64)
static_assert(sizeof(SHMENUBARINFO) == 32, "the handheld's record is 32 bytes");
#endif

// Creates a menu bar along the bottom of the screen, owned by hwndParent (so it dies with it),
// and returns it in hwndMB. An empty bar (SHCMBF_EMPTYBAR) is all the program asks for.
BOOL SHCreateMenuBar(PSHMENUBARINFO info);
