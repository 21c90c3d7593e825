#include "device/device_registry.h"

RegKey OpenRegKey(HKEY root, const wchar_t* path, REGSAM access) {
  RegKey key;
  if (RegOpenKeyExW(root, path, 0, access, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

RegKey CreateRegKey(HKEY root, const wchar_t* path, REGSAM access) {
  RegKey key;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

LONG PutRegText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG PutRegDword(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

std::optional<DWORD> FindRegDword(HKEY key, const wchar_t* name) {
  DWORD value = 0, size = sizeof value, type = 0;
  const LONG status =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
  return value;
}

DWORD GetRegDword(HKEY key, const wchar_t* name, DWORD fallback) {
  return FindRegDword(key, name).value_or(fallback);
}

ULONGLONG GetRegQword(HKEY key, const wchar_t* name, ULONGLONG fallback) {
  ULONGLONG value = 0;
  DWORD size = sizeof value, type = 0;
  const LONG status =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  return status == ERROR_SUCCESS && type == REG_QWORD && size == sizeof value ? value : fallback;
}
