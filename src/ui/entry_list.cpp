#include "ui/entry_list.h"

#include "platform/aygshell.h"

namespace {

// Pixels around each entry's text; entries are wrapped to the list's width, as the handheld's
// screen is too narrow for most lines.
constexpr int kMargin = 2;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
// A list box item is at most this many pixels high.
constexpr UINT kTallestEntry = 255;

// The rectangle an entry's text takes in a list of `list`'s width, from `top`.
RECT TextRect(HWND list, int top) {
  // The scroll bar is always there (LBS_DISABLENOSCROLL): the width never changes with the
  // number of entries.
  RECT client{};
  GetClientRect(list, &client);
  return RECT{kMargin, top + kMargin, client.right - kMargin, top + kMargin};
}

}  // namespace

HWND StartFullScreenView(HWND dialog) {
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog,
                     SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&info);
  SHMENUBARINFO bar{};
  bar.cbSize = sizeof bar;
  bar.hwndParent = dialog;
  bar.dwFlags = SHCMBF_EMPTYBAR;
  return SHCreateMenuBar(&bar) ? bar.hwndMB : nullptr;
}

void FillEntryList(HWND list, const std::vector<std::wstring>& entries) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& entry : entries) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

BOOL MeasureEntry(HWND list, MEASUREITEMSTRUCT* item) {
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

BOOL DrawEntry(const DRAWITEMSTRUCT* item) {
  if (item->itemID == static_cast<UINT>(-1)) return FALSE;
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
