// The category picker of the Meetings page: the categories of the device's categories database
// in a list box, the ones POCategory names selected, a count of the selection, and the selection
// turned back into POCategory, the list the meeting query reads.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// POCategory joins the chosen names with this, with nothing after the last. The meeting query
// splits it there and takes no account of blanks around a name.
inline constexpr wchar_t kCategorySeparator = L',';

// The names the device's categories database holds, in its order; none when it is missing or
// cannot be opened.
std::vector<std::wstring> ReadCategoryDatabase();
// Whether POCategory can hold the name and keep its meaning: a name that holds the separator
// would be read back as two, and a blank one as none. A quote is kept as it is (the meeting query
// leaves such a list out of its restriction text and tests the names itself).
bool IsStorableCategory(std::wstring_view name);

// Empties the list and adds the categories of the database that POCategory can hold.
void FillCategoryList(HWND list);
// Selects the entries that POCategory names, comparing whole names as the meeting query does. A
// stored name that the list lacks (gone from the database, or no database) is added, selected, so
// that it stays in view and is dropped only by the user. Returns the number selected.
int SelectSavedCategories(HWND list);
// "1 Category selected", or "%i Categories selected".
void UpdateCategoryCountLabel(HWND label, HWND list);
// The selected entries joined with the separator; absent when none is selected.
std::optional<std::wstring> SelectedCategories(HWND list);
