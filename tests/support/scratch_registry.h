// Gives the code under test a scratch HKEY_CURRENT_USER, deleted again afterwards.
#pragma once
#include <windows.h>

#include <string>

class ScratchHkcu {
 public:
  ScratchHkcu();
  ~ScratchHkcu();
  ScratchHkcu(const ScratchHkcu&) = delete;
  ScratchHkcu& operator=(const ScratchHkcu&) = delete;

  HKEY root() const { return root_; }
  const std::wstring& path() const { return path_; }  // below the real HKEY_CURRENT_USER

 private:
  std::wstring path_;
  HKEY root_{};
};

// Gives the code under test a scratch HKEY_LOCAL_MACHINE, a key below a scratch
// HKEY_CURRENT_USER that goes with it: the emulated device's own state, for a test that runs
// parts of the device in its process.
class ScratchHklm {
 public:
  explicit ScratchHklm(const ScratchHkcu& hkcu);
  ~ScratchHklm();
  ScratchHklm(const ScratchHklm&) = delete;
  ScratchHklm& operator=(const ScratchHklm&) = delete;

 private:
  HKEY root_{};
};

// Small readers and writers for assertions, relative to a root key.
bool RegValueExists(HKEY root, const wchar_t* path, const wchar_t* name);
DWORD RegDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD fallback = 0xDEADBEEF);
std::wstring RegText(HKEY root, const wchar_t* path, const wchar_t* name,
                     const std::wstring& fallback = L"<missing>");
DWORD RegType(HKEY root, const wchar_t* path, const wchar_t* name);
DWORD RegSize(HKEY root, const wchar_t* path, const wchar_t* name);
void RegPutDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value);
void RegPutText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value);
void RegPutRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
               DWORD size);
void RegDeleteValueAt(HKEY root, const wchar_t* path, const wchar_t* name);
