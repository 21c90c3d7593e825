#include "ui/history_view.h"

#include "common/journal.h"
#include "common/program.h"
#include "platform/aygshell.h"
#include "resources/resource.h"

namespace {

// Pixels around each entry's text; entries are wrapped to the list's width, as the handheld's
// screen is too narrow for a line of the journal.
constexpr int kMargin = 2;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
// A list box item is at most this many pixels high.
constexpr UINT kTallestEntry = 255;

// The view's menu bar; one view is open at a time.
HWND g_menuBar = nullptr;

void DestroyMenuBar() {
  if (g_menuBar) DestroyWindow(g_menuBar);
  g_menuBar = nullptr;
}

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_HISTORY_LIST); }

// Fills the list anew; each entry measures itself against the list's width as it is added.
void FillList(HWND list) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& entry : HistoryEntries()) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void FitList(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  MoveWindow(List(dialog), 0, 0, client.right, client.bottom, TRUE);
}

// The rectangle an entry's text takes in a list of `list`'s width, from `top`.
RECT TextRect(HWND list, int top) {
  // The scroll bar is always there (LBS_DISABLENOSCROLL): the width never changes with the
  // number of entries.
  RECT client{};
  GetClientRect(list, &client);
  return RECT{kMargin, top + kMargin, client.right - kMargin, top + kMargin};
}

BOOL OnMeasureItem(HWND dialog, MEASUREITEMSTRUCT* item) {
  if (item->CtlID != IDC_HISTORY_LIST) return FALSE;
  const HWND list = List(dialog);
  // With LBS_HASSTRINGS the entry being added is the text handed to LB_ADDSTRING.
  const auto* text = reinterpret_cast<const wchar_t*>(item->itemData);
  const HDC dc = GetDC(list);
  const HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  RECT area = TextRect(list, 0);
  DrawTextW(dc, text ? text : L"", -1, &area, kTextFormat | DT_CALCRECT);
  SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
  const UINT height = static_cast<UINT>(area.bottom - area.top) + 2 * kMargin + 1;
  item->itemHeight = height < kTallestEntry ? height : kTallestEntry;
  return TRUE;
}

BOOL OnDrawItem(const DRAWITEMSTRUCT* item) {
  if (item->CtlID != IDC_HISTORY_LIST || item->itemID == static_cast<UINT>(-1)) return FALSE;
  const HWND list = item->hwndItem;
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, item->itemID, 0);
  std::wstring text(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
  if (length > 0) {
    SendMessageW(list, LB_GETTEXT, item->itemID, reinterpret_cast<LPARAM>(text.data()));
  }
  const HDC dc = item->hDC;
  FillRect(dc, &item->rcItem, GetSysColorBrush(COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  RECT area = item->rcItem;
  area.left += kMargin;
  area.right -= kMargin;
  area.top += kMargin;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, kTextFormat);
  // A rule between entries.
  RECT rule = item->rcItem;
  rule.top = rule.bottom - 1;
  FillRect(dc, &rule, GetSysColorBrush(COLOR_BTNSHADOW));
  return TRUE;
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
  FillList(List(dialog));
  SetForegroundWindow(dialog);
  return TRUE;
}

// The entries are as tall as their text at the list's width: a new size measures them anew.
BOOL OnSize(HWND dialog) {
  FitList(dialog);
  if (SendMessageW(List(dialog), LB_GETCOUNT, 0, 0) > 0) FillList(List(dialog));
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

INT_PTR CALLBACK HistoryViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_MEASUREITEM:
      return OnMeasureItem(dialog, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_DRAWITEM:
      return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SIZE:
      return OnSize(dialog);
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
