#include "ui/history_view.h"

#include "common/journal.h"
#include "common/program.h"
#include "platform/aygshell.h"
#include "resources/resource.h"

namespace {

// The view's menu bar; one view is open at a time.
HWND g_menuBar = nullptr;

void DestroyMenuBar() {
  if (g_menuBar) DestroyWindow(g_menuBar);
  g_menuBar = nullptr;
}

void FillList(HWND list) {
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const HDC dc = GetDC(list);
  const HGDIOBJ oldFont =
      dc ? SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)))
         : nullptr;
  LONG widest = 0;
  for (const std::wstring& entry : HistoryEntries()) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SIZE size{};
    if (dc && GetTextExtentPoint32W(dc, entry.c_str(), static_cast<int>(entry.size()), &size)) {
      if (size.cx > widest) widest = size.cx;
    }
  }
  if (dc) {
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
  }
  // Lines wider than the screen scroll sideways.
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 6), 0);
}

void FitList(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  MoveWindow(GetDlgItem(dialog, IDC_HISTORY_LIST), 0, 0, client.right, client.bottom, TRUE);
}

BOOL OnInitDialog(HWND dialog) {
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog,
                     SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&info);
  SHMENUBARINFO bar{};
  bar.cbSize = sizeof bar;
  bar.hwndParent = dialog;
  bar.dwFlags = SHCMBF_EMPTYBAR;
  DestroyMenuBar();
  if (SHCreateMenuBar(&bar)) g_menuBar = bar.hwndMB;
  FitList(dialog);
  FillList(GetDlgItem(dialog, IDC_HISTORY_LIST));
  SetForegroundWindow(dialog);
  return TRUE;
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
  if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
  EndDialog(dialog, IDOK);
  DestroyMenuBar();
  return TRUE;
}

}  // namespace

std::vector<std::wstring> HistoryEntries() {
  std::vector<std::wstring> lines = ReadJournalLines();
  if (lines.empty()) return {kNoHistoryText};
  return {lines.rbegin(), lines.rend()};
}

INT_PTR CALLBACK HistoryViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_SIZE:
      FitList(dialog);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    case WM_DESTROY:
      DestroyMenuBar();
      return FALSE;
    default:
      return FALSE;
  }
}

void ShowHistory(HWND owner) {
  DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_HISTORY), owner, HistoryViewProc, 0);
}
