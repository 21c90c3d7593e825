#include "common/registry.h"

#include <cstring>
#include <vector>

LONG ReadDwordValue(HKEY key, const wchar_t* name, DWORD* out) {
  BYTE buffer[4] = {};
  DWORD size = sizeof buffer;
  const LONG status = RegQueryValueExW(key, name, nullptr, nullptr, buffer, &size);
  if (status != ERROR_SUCCESS) return status;
  DWORD value = 0;
  std::memcpy(&value, buffer, sizeof value);
  *out = value;
  return ERROR_SUCCESS;
}

LONG ReadStringValue(HKEY key, const wchar_t* name, wchar_t* buffer, size_t chars) {
  std::vector<wchar_t> scratch(chars + 1, L'\0');
  DWORD size = static_cast<DWORD>(chars * sizeof(wchar_t));
  const LONG status =
      RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(scratch.data()), &size);
  if (status != ERROR_SUCCESS) return status;
  // Unterminated data that fills the whole buffer leaves no room for the terminator.
  const size_t got = size / sizeof(wchar_t);
  size_t len = 0;
  while (len < got && scratch[len] != L'\0') ++len;
  if (len >= chars) return ERROR_MORE_DATA;
  std::memcpy(buffer, scratch.data(), len * sizeof(wchar_t));
  buffer[len] = L'\0';
  return ERROR_SUCCESS;
}

std::optional<std::wstring> ReadLongString(HKEY key, const wchar_t* name) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    DWORD got = size;
    const LONG status = RegQueryValueExW(key, name, nullptr, nullptr, data.data(), &got);
    if (status == ERROR_MORE_DATA) continue;  // grew between the two calls
    if (status != ERROR_SUCCESS) return std::nullopt;
    std::wstring text(got / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    if (const size_t end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
  }
  return std::nullopt;
}

LONG SetDwordValue(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

LONG SetStringValue(HKEY key, const wchar_t* name, const wchar_t* text) {
  const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(bytes));
}
