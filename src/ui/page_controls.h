// Small helpers the settings pages share for their check boxes, radio buttons and lists.
#pragma once
#include <windows.h>

#include <optional>
#include <span>

// Checked means fully checked (BST_CHECKED); an indeterminate box is not.
bool IsChecked(HWND page, int id);
void SetChecked(HWND page, int id, bool checked);
void EnableControl(HWND page, int id, bool enabled);
void EnableControls(HWND page, std::span<const int> ids, bool enabled);

// One row of a drop-down list: its text and the value it stands for.
struct ListRow {
  const wchar_t* text;
  DWORD value;
};
// Empties the list, adds the rows with their values, and selects the row whose value is
// `current`; a value that no row carries selects row 0.
void FillList(HWND page, int id, std::span<const ListRow> rows, DWORD current);
// The value of the selected row; nothing when no row is selected.
std::optional<DWORD> SelectedValue(HWND page, int id);
