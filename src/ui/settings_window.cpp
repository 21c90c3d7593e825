#include "ui/settings_window.h"

#include <commctrl.h>

#include <cstdlib>

#include "common/program.h"
#include "platform/aygshell.h"
#include "resources/resource.h"

int MuteChoice = 0;

const wchar_t* const kTabLabels[kTabCount] = {L"Mute",  L"Settings", L"Meetings",
                                              L"Apps",  L"Sound",    L"About"};

namespace {

void InsertTab(HWND tabs, int index, const wchar_t* label) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = const_cast<wchar_t*>(label);
  item.iImage = -1;
  SendMessageW(tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

// Shifts the tab control left and widens it by its display area's left margin, so that pages
// start at the window's left edge.
void FitTabs(HWND dialog, HWND tabs) {
  RECT host{};
  GetClientRect(dialog, &host);
  RECT display{};
  GetClientRect(tabs, &display);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  MoveWindow(tabs, host.left - display.left, host.top, std::abs(host.right - host.left) + display.left,
             std::abs(host.bottom - host.top), TRUE);
}

BOOL OnInitDialog(HWND dialog) {
  MuteChoice = 0;
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog,
                     SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&info);
  HWND tabs = GetDlgItem(dialog, IDC_TABS);
  SendMessageW(tabs, CCM_SETVERSION, 0x020C, 0);
  FitTabs(dialog, tabs);
  for (int i = 0; i < kTabCount; ++i) InsertTab(tabs, i, kTabLabels[i]);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  SetActiveWindow(dialog);
  SendMessageW(tabs, TCM_SETCURSEL, 0, 0);
  return TRUE;
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, MuteChoice);
      break;
    default:
      break;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    default:
      return FALSE;
  }
}

INT_PTR RunSettingsWindow(HWND owner) {
  return DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner,
                         SettingsWindowProc, 0);
}
