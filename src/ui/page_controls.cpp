#include "ui/page_controls.h"

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
