#include "ui/history_view.h"

#include "common/journal.h"
#include "common/program.h"
#include "resources/resource.h"
#include "ui/entry_list.h"

namespace {

// The view's menu bar is kept in the view.
void DestroyMenuBar(HWND dialog) {
  if (const auto menuBar = reinterpret_cast<HWND>(GetWindowLongPtrW(dialog, DWLP_USER))) {
    DestroyWindow(menuBar);
  }
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
}

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_HISTORY_LIST); }

void FitList(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  MoveWindow(List(dialog), 0, 0, client.right, client.bottom, TRUE);
}

BOOL OnInitDialog(HWND dialog) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(StartFullScreenView(dialog)));
  FitList(dialog);
  FillEntryList(List(dialog), HistoryEntries());
  SetForegroundWindow(dialog);
  return TRUE;
}

// The entries are as tall as their text at the list's width: a new size measures them anew.
BOOL OnSize(HWND dialog) {
  FitList(dialog);
  if (SendMessageW(List(dialog), LB_GETCOUNT, 0, 0) > 0) FillEntryList(List(dialog), HistoryEntries());
  return TRUE;
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
  if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
  EndDialog(dialog, IDOK);
  DestroyMenuBar(dialog);
  return TRUE;
}

}  // namespace

std::vector<std::wstring> HistoryEntries() {
  std::vector<std::wstring> lines = ReadJournalLines();
  if (lines.empty()) return {kNoHistoryText};
  return {lines.rbegin(), lines.rend()};
}

INT_PTR CALLBACK HistoryViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      return item->CtlID == IDC_HISTORY_LIST && MeasureEntry(List(dialog), item);
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      return item->CtlID == IDC_HISTORY_LIST && DrawEntry(item);
    }
    case WM_SIZE:
      return OnSize(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    case WM_DESTROY:
      DestroyMenuBar(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

void ShowHistory(HWND owner) {
  DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_HISTORY), owner, HistoryViewProc, 0);
}
