// The device's categories database: the property database "\Categories Database" of the object
// store, with one record for each category name the calendar holds, read as the handheld's
// database calls read it.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/property_db.h"

// The database's object id, and the id of its first record (the others follow in order).
inline constexpr CEOID kCategoriesDatabaseOid = 0x00CA7000;
inline constexpr CEOID kFirstCategoryRecordOid = 0x00CA7001;

// One open handle on the database: a snapshot of the names taken when it was opened, and the
// record the next read returns.
class CategoryDatabase {
 public:
  // Opens the database by name (`oid` null or pointing to 0) or by its object id, on the object
  // store (`volume` null or all zero), from the calendar file at `storePath`. Null with the last
  // error set when there is no such database there or the calendar file is damaged.
  static std::unique_ptr<CategoryDatabase> Open(const CEGUID* volume, CEOID* oid,
                                                const wchar_t* name, DWORD flags,
                                                const std::wstring& storePath);

  // CeReadRecordPropsEx on this handle: the record's id, or 0 with the last error set.
  CEOID Read(DWORD flags, WORD* propCount, const CEPROPID* propIds, BYTE** buffer,
             DWORD* bufferBytes, HANDLE heap);

 private:
  CategoryDatabase(std::vector<std::wstring> names, bool autoIncrement)
      : names_(std::move(names)), autoIncrement_(autoIncrement) {}
  std::vector<std::wstring> names_;
  size_t next_ = 0;
  bool autoIncrement_;
};
