#include "calendar/category_database.h"

#include <cstring>
#include <new>

#include "calendar/calendar_store.h"

namespace {

bool IsObjectStore(const CEGUID* volume) {
  return !volume ||
         (volume->Data1 == 0 && volume->Data2 == 0 && volume->Data3 == 0 && volume->Data4 == 0);
}

// Object store names compare without case.
bool NamesCategoriesDatabase(const wchar_t* name) {
  return name && _wcsicmp(name, kCategoriesDatabaseName) == 0;
}

// Gives `*buffer` at least `size` bytes as the read's flags and heap allow.
bool Reserve(DWORD flags, HANDLE heap, BYTE** buffer, DWORD* bufferBytes, DWORD size) {
  const DWORD have = (*buffer && bufferBytes) ? *bufferBytes : 0;
  if (have >= size) return true;
  if (!(flags & CEDB_ALLOWREALLOC)) {
    if (bufferBytes) *bufferBytes = size;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  void* grown = nullptr;
  if (heap) {
    grown = *buffer ? HeapReAlloc(heap, 0, *buffer, size) : HeapAlloc(heap, 0, size);
  } else {
    grown = *buffer ? LocalReAlloc(*buffer, size, LMEM_MOVEABLE) : LocalAlloc(LMEM_FIXED, size);
  }
  if (!grown) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  *buffer = static_cast<BYTE*>(grown);
  if (bufferBytes) *bufferBytes = size;
  return true;
}

}  // namespace

std::unique_ptr<CategoryDatabase> CategoryDatabase::Open(const CEGUID* volume, CEOID* oid,
                                                         const wchar_t* name, DWORD flags,
                                                         const std::wstring& storePath) {
  const bool byName = !oid || *oid == 0;
  if (!IsObjectStore(volume) ||
      (byName ? !NamesCategoriesDatabase(name) : *oid != kCategoriesDatabaseOid)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  CalendarStore store;
  std::wstring error;
  if (!LoadCalendarStore(storePath, &store, &error)) {
    SetLastError(ERROR_FILE_CORRUPT);
    return nullptr;
  }
  if (oid) *oid = kCategoriesDatabaseOid;
  return std::unique_ptr<CategoryDatabase>(
      new (std::nothrow) CategoryDatabase(std::move(store.categories), flags & CEDB_AUTOINCREMENT));
}

CEOID CategoryDatabase::Read(DWORD flags, WORD* propCount, const CEPROPID* propIds, BYTE** buffer,
                             DWORD* bufferBytes, HANDLE heap) {
  if (!buffer || !propCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (next_ >= names_.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return 0;
  }
  const std::wstring& name = names_[next_];
  // No list of wanted properties asks for all of them: a record has only its name.
  const WORD count = propIds ? *propCount : 1;
  const size_t nameBytes = (name.size() + 1) * sizeof(wchar_t);
  bool wantsName = !propIds;
  for (WORD i = 0; propIds && i < count; ++i) wantsName |= propIds[i] == kCategoryNameProp;
  const size_t size = count * sizeof(CEPROPVAL) + (wantsName ? nameBytes : 0);
  if (size > MAXDWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  if (!Reserve(flags, heap, buffer, bufferBytes, static_cast<DWORD>(size))) return 0;

  auto* values = reinterpret_cast<CEPROPVAL*>(*buffer);
  auto* text = reinterpret_cast<wchar_t*>(*buffer + count * sizeof(CEPROPVAL));
  if (wantsName) std::memcpy(text, name.c_str(), nameBytes);
  for (WORD i = 0; i < count; ++i) {
    CEPROPVAL& value = values[i];
    value = CEPROPVAL{};
    value.propid = propIds ? propIds[i] : kCategoryNameProp;
    if (value.propid == kCategoryNameProp) {
      value.val.lpwstr = text;
    } else {
      value.wFlags = CEDB_PROPNOTFOUND;
    }
  }
  *propCount = count;
  const CEOID record = kFirstCategoryRecordOid + static_cast<CEOID>(next_);
  if (autoIncrement_) ++next_;
  return record;
}
