// Registry reads that check size and terminate strings themselves.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

// Reads a value of at most 4 bytes, whatever its registry type. A shorter value fills the low
// bytes and the rest is zero. Fails (out untouched) when the value is missing or longer.
LONG ReadDwordValue(HKEY key, const wchar_t* name, DWORD* out);

// Reads a string value into a buffer of `chars` wide characters (terminator included). Fails
// (buffer untouched) when the value is missing or needs more than `chars` * 2 bytes. The result
// is always terminated, also when the stored data is not.
LONG ReadStringValue(HKEY key, const wchar_t* name, wchar_t* buffer, size_t chars);

// Reads a string value of any length. An odd trailing byte is dropped and the text ends at the
// first terminator. nullopt when the value is missing or unreadable.
std::optional<std::wstring> ReadLongString(HKEY key, const wchar_t* name);

LONG SetDwordValue(HKEY key, const wchar_t* name, DWORD value);
// REG_SZ of (length + 1) * 2 bytes, terminator included.
LONG SetStringValue(HKEY key, const wchar_t* name, const wchar_t* text);
