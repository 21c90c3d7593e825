#include "ui/category_list.h"

#include <cstdint>
#include <cwchar>

#include "common/scoped.h"
#include "common/text.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "ui/page_controls.h"

namespace {

// A database that never reports its last record cannot hold the page up for longer than this.
constexpr size_t kMaxCategoryRecords = 4096;

struct DatabaseTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseDatabase(h); }
};
struct LocalMemoryTraits {
  using Handle = BYTE*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { LocalFree(h); }
};
using UniqueDatabase = UniqueHandle<DatabaseTraits>;
using UniqueLocalBuffer = UniqueHandle<LocalMemoryTraits>;

// The names of a stored list, without the blanks around them; empty names are no names.
std::vector<std::wstring> StoredNames(std::wstring_view list) {
  std::vector<std::wstring> names;
  AnyName(list, kCategorySeparator, true, [&](std::wstring_view name) {
    names.emplace_back(name);
    return false;
  });
  return names;
}

// The name in one record read, when the record has it; the text is taken only from within the
// buffer the read filled.
bool NameOfRecord(const BYTE* buffer, DWORD bytes, WORD count, std::wstring* name) {
  if (!buffer || count == 0 || bytes < sizeof(CEPROPVAL)) return false;
  CEPROPVAL value;
  memcpy(&value, buffer, sizeof value);
  if ((value.wFlags & CEDB_PROPNOTFOUND) || value.propid != kCategoryNameProp) return false;
  const auto first = reinterpret_cast<uintptr_t>(buffer);
  const auto text = reinterpret_cast<uintptr_t>(value.val.lpwstr);
  if (text < first + sizeof value || text >= first + bytes) return false;
  const size_t chars = (first + bytes - text) / sizeof(wchar_t);
  name->assign(value.val.lpwstr, wcsnlen(value.val.lpwstr, chars));
  return true;
}

}  // namespace

std::vector<std::wstring> ReadCategoryDatabase() {
  std::vector<std::wstring> names;
  CEGUID objectStore{};
  CEOID byName = 0;
  const UniqueDatabase database(CeOpenDatabaseEx(&objectStore, &byName, kCategoriesDatabaseName, 0,
                                                 CEDB_AUTOINCREMENT, nullptr));
  if (!database) return names;
  for (size_t i = 0; i < kMaxCategoryRecords; ++i) {
    WORD count = 1;
    CEPROPID wanted = kCategoryNameProp;
    BYTE* filled = nullptr;
    DWORD bytes = 0;
    const CEOID record = CeReadRecordPropsEx(database.get(), CEDB_ALLOWREALLOC, &count, &wanted,
                                             &filled, &bytes, nullptr);
    const UniqueLocalBuffer buffer(filled);
    if (record == 0) break;
    std::wstring name;
    if (NameOfRecord(buffer.get(), bytes, count, &name)) names.push_back(std::move(name));
  }
  return names;
}

bool IsStorableCategory(std::wstring_view name) {
  return name.find(kCategorySeparator) == std::wstring_view::npos && !TrimBlanks(name).empty();
}

void FillCategoryList(HWND list) {
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& name : ReadCategoryDatabase()) {
    if (IsStorableCategory(name)) AddListEntry(list, name, false);
  }
}

int SelectSavedCategories(HWND list) {
  DeselectAllEntries(list);
  if (!Settings.POCategory) return 0;
  const std::vector<std::wstring> names = StoredNames(*Settings.POCategory);
  std::vector<bool> shown(names.size(), false);
  int selected = 0;
  const int count = ListEntryCount(list);
  for (int i = 0; i < count; ++i) {
    const std::wstring entry = ListEntryText(list, i);
    bool named = false;
    for (size_t n = 0; n < names.size(); ++n) {
      if (names[n] != TrimBlanks(entry)) continue;
      shown[n] = true;
      named = true;
    }
    if (!named) continue;
    SendMessageW(list, LB_SETSEL, TRUE, i);
    ++selected;
  }
  // Added last: the list sorts, so an addition moves the entries after it.
  for (size_t n = 0; n < names.size(); ++n) {
    if (shown[n]) continue;
    if (AddListEntry(list, names[n], true)) ++selected;
    for (size_t same = n; same < names.size(); ++same) {
      if (names[same] == names[n]) shown[same] = true;
    }
  }
  return selected;
}

void UpdateCategoryCountLabel(HWND label, HWND list) {
  ShowSelectionCount(label, list, L"1 Category selected", L"%i Categories selected");
}

std::optional<std::wstring> SelectedCategories(HWND list) {
  return JoinSelectedEntries(list, kCategorySeparator);
}
