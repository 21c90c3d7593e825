#include "ui/page_controls.h"

#include <strsafe.h>

#include "ui/settings_window.h"

bool IsChecked(HWND page, int id) {
  return SendDlgItemMessageW(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND page, int id, bool checked) {
  SendDlgItemMessageW(page, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EnableControl(HWND page, int id, bool enabled) {
  if (const HWND control = GetDlgItem(page, id)) EnableWindow(control, enabled);
}

void EnableControls(HWND page, std::span<const int> ids, bool enabled) {
  for (int id : ids) EnableControl(page, id, enabled);
}

void FillList(HWND page, int id, std::span<const ListRow> rows, DWORD current) {
  const HWND list = GetDlgItem(page, id);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  int selected = 0;
  for (const ListRow& row : rows) {
    const LRESULT index = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text));
    if (index < 0) continue;
    SendMessageW(list, CB_SETITEMDATA, index, row.value);
    if (row.value == current) selected = static_cast<int>(index);
  }
  SendMessageW(list, CB_SETCURSEL, selected, 0);
}

std::optional<DWORD> SelectedValue(HWND page, int id) {
  const HWND list = GetDlgItem(page, id);
  const LRESULT row = SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (row == CB_ERR) return std::nullopt;
  return static_cast<DWORD>(SendMessageW(list, CB_GETITEMDATA, row, 0));
}

bool AddListEntry(HWND list, const std::wstring& text, bool selected) {
  const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index < 0) return false;
  if (selected) SendMessageW(list, LB_SETSEL, TRUE, index);
  return true;
}

std::wstring ListEntryText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length <= 0) return {};
  // The buffer is sized to the entry, so a name of any length is read whole and never overrun.
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  if (got < 0) return {};
  text.resize(wcsnlen(text.c_str(), static_cast<size_t>(length)));
  return text;
}

int ListEntryCount(HWND list) {
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

int SelectedEntryCount(HWND list) {
  const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

void DeselectAllEntries(HWND list) { SendMessageW(list, LB_SETSEL, FALSE, -1); }

std::optional<std::wstring> JoinSelectedEntries(HWND list, wchar_t separator) {
  const int selected = SelectedEntryCount(list);
  if (selected == 0) return std::nullopt;
  std::vector<int> indices(static_cast<size_t>(selected));
  const LRESULT got =
      SendMessageW(list, LB_GETSELITEMS, selected, reinterpret_cast<LPARAM>(indices.data()));
  if (got <= 0) return std::nullopt;
  indices.resize(static_cast<size_t>(got));
  std::wstring joined;
  for (int index : indices) {
    if (!joined.empty()) joined += separator;
    joined += ListEntryText(list, index);
  }
  return joined;
}

void ShowSelectionCount(HWND label, HWND list, const wchar_t* one, const wchar_t* many) {
  const int selected = SelectedEntryCount(list);
  if (selected == 1) {
    SetWindowTextW(label, one);
    return;
  }
  wchar_t text[64] = {};
  StringCchPrintfW(text, 64, many, selected);
  SetWindowTextW(label, text);
}

bool ClosePageOnCommand(HWND page, WORD command) {
  if (command != IDOK && command != IDCANCEL) return false;
  if (command == IDOK) SendMessageW(page, WM_PAGE_COMMIT, 0, 0);
  EndDialog(page, 0);
  return true;
}
