// The handheld's property databases, as far as the program reads them: one opened by name on the
// object store and read a record at a time, and the categories database it finds there. The
// device's core library and the program share these declarations, so the record layout below is
// the contract between them.
#pragma once
#include <windows.h>

using CEOID = DWORD;
// A property's identifier in the high half and its value type in the low half.
using CEPROPID = DWORD;

// Names a database volume; all zero is the object store.
struct CEGUID {
  DWORD Data1;
  DWORD Data2;
  DWORD Data3;
  DWORD Data4;
};

union CEVALUNION {
  LONG lVal;
  ULONG ulVal;
  FILETIME filetime;
  LPWSTR lpwstr;
};

// One property of a record read. A string value points into the buffer the read filled.
struct CEPROPVAL {
  CEPROPID propid;
  WORD wLenData;
  WORD wFlags;
  CEVALUNION val;
};

// Opaque: the program never asks to be told of changes.
struct CENOTIFYREQUEST;

inline constexpr WORD CEVT_LPWSTR = 31;
inline constexpr DWORD CEDB_AUTOINCREMENT = 1;     // open: each read moves to the next record
inline constexpr DWORD CEDB_ALLOWREALLOC = 1;      // read: the call may (re)allocate the buffer
inline constexpr WORD CEDB_PROPNOTFOUND = 0x0100;  // wFlags: the record lacks this property

constexpr CEPROPID MakePropId(WORD id, WORD type) { return (DWORD{id} << 16) | type; }

// The device's category names: one record per category, the name a string property.
inline constexpr wchar_t kCategoriesDatabaseName[] = L"\\Categories Database";
inline constexpr CEPROPID kCategoryNameProp = MakePropId(0x4001, CEVT_LPWSTR);  // 0x4001001F
