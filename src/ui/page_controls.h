// Small helpers the settings pages share for their check boxes, radio buttons and lists.
#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// Multiple-selection list boxes (sorted, with strings).
// Adds an entry, selected or not; false when the list refuses it.
bool AddListEntry(HWND list, const std::wstring& text, bool selected);
// The text of one entry, whole, whatever its length; empty when there is no such entry.
std::wstring ListEntryText(HWND list, int index);
int ListEntryCount(HWND list);
int SelectedEntryCount(HWND list);
// Leaves no entry selected.
void DeselectAllEntries(HWND list);
// The texts of the selected entries in list order, joined with `separator`; nothing when no
// entry is selected.
std::optional<std::wstring> JoinSelectedEntries(HWND list, wchar_t separator);
// Sets `label` to `one` when exactly one entry of `list` is selected, else to `many` with the
// number put for its "%i".
void ShowSelectionCount(HWND label, HWND list, const wchar_t* one, const wchar_t* many);

// OK and Cancel that the settings window forwards to a page: OK stores what the page shows,
// either ends it. True when `command` was one of them.
bool ClosePageOnCommand(HWND page, WORD command);
