// Opening the device's registry keys, with owners that close them.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "common/scoped.h"

// An existing key, or a null owner.
RegKey OpenRegKey(HKEY root, const wchar_t* path, REGSAM access);
// The key, created when missing; a null owner when it cannot be had.
RegKey CreateRegKey(HKEY root, const wchar_t* path, REGSAM access);

// A REG_SZ of the text and its terminator.
LONG PutRegText(HKEY key, const wchar_t* name, const std::wstring& text);
LONG PutRegDword(HKEY key, const wchar_t* name, DWORD value);
// A REG_DWORD / REG_QWORD of exactly its size, or `fallback`.
std::optional<DWORD> FindRegDword(HKEY key, const wchar_t* name);
DWORD GetRegDword(HKEY key, const wchar_t* name, DWORD fallback);
ULONGLONG GetRegQword(HKEY key, const wchar_t* name, ULONGLONG fallback);
