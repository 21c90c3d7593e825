#include "support/scratch_registry.h"

#include <atomic>
#include <vector>

namespace {
std::atomic<int> g_counter{0};

HKEY Open(HKEY root, const wchar_t* path) {
  HKEY key{};
  if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}
HKEY Create(HKEY root, const wchar_t* path) {
  HKEY key{};
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0) {
    return nullptr;
  }
  return key;
}
}  // namespace

ScratchHkcu::ScratchHkcu() {
  path_ = L"Software\\QuietMinderTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++g_counter);
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  root_ = Create(HKEY_CURRENT_USER, path_.c_str());
  RegOverridePredefKey(HKEY_CURRENT_USER, root_);
}

ScratchHkcu::~ScratchHkcu() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(root_);
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

ScratchHklm::ScratchHklm(const ScratchHkcu& hkcu) : root_(Create(hkcu.root(), L"Machine")) {
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_);
}

ScratchHklm::~ScratchHklm() {
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(root_);
}

bool RegValueExists(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key = Open(root, path);
  if (!key) return false;
  const bool exists = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == 0;
  RegCloseKey(key);
  return exists;
}

DWORD RegDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD fallback) {
  HKEY key = Open(root, path);
  if (!key) return fallback;
  DWORD value = 0, size = sizeof value;
  const LONG status =
      RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == 0 && size == sizeof value ? value : fallback;
}

std::wstring RegText(HKEY root, const wchar_t* path, const wchar_t* name,
                     const std::wstring& fallback) {
  HKEY key = Open(root, path);
  if (!key) return fallback;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != 0) {
    RegCloseKey(key);
    return fallback;
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
  RegCloseKey(key);
  return std::wstring(buffer.data());
}

DWORD RegType(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key = Open(root, path);
  if (!key) return REG_NONE;
  DWORD type = REG_NONE;
  RegQueryValueExW(key, name, nullptr, &type, nullptr, nullptr);
  RegCloseKey(key);
  return type;
}

DWORD RegSize(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key = Open(root, path);
  if (!key) return 0;
  DWORD size = 0;
  RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size);
  RegCloseKey(key);
  return size;
}

void RegPutRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
               DWORD size) {
  HKEY key = Create(root, path);
  if (!key) return;
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void RegPutDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
  RegPutRaw(root, path, name, REG_DWORD, &value, sizeof value);
}

void RegPutText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value) {
  RegPutRaw(root, path, name, REG_SZ, value.c_str(),
            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegDeleteValueAt(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key = Open(root, path);
  if (!key) return;
  RegDeleteValueW(key, name);
  RegCloseKey(key);
}
