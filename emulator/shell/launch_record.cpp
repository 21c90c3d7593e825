#include "shell/launch_record.h"

#include <algorithm>
#include <cwchar>

#include "device/device_registry.h"
#include "device/device_state.h"

namespace {

constexpr wchar_t kLaunchesMutexName[] = L"EmulatedHandheld.Launches";
// Longest text kept per field; a longer command line is cut, never refused.
constexpr size_t kMaxText = 4096;

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring EntryName(DWORD number) {
  wchar_t name[16];
  swprintf(name, 16, L"%04lu", static_cast<unsigned long>(number));
  return name;
}

void PutText(HKEY key, const wchar_t* name, const std::wstring& text) {
  PutRegText(key, name, text.substr(0, kMaxText));
}

std::wstring GetText(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return L"";
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                       &size) != ERROR_SUCCESS) {
    return L"";
  }
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

}  // namespace

std::wstring ArgumentsOf(const std::wstring& commandLine, const std::wstring& programFile) {
  size_t start = commandLine.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return L"";
  size_t end;
  std::wstring token;
  if (commandLine[start] == L'"') {
    end = commandLine.find(L'"', start + 1);
    token = commandLine.substr(start + 1, end == std::wstring::npos ? std::wstring::npos
                                                                    : end - start - 1);
    end = end == std::wstring::npos ? commandLine.size() : end + 1;
  } else {
    end = commandLine.find_first_of(L" \t", start);
    if (end == std::wstring::npos) end = commandLine.size();
    token = commandLine.substr(start, end - start);
  }
  const std::wstring name = Lower(FileNameOf(token));
  const std::wstring own = Lower(programFile);
  const std::wstring ownStem = own.size() > 4 && own.ends_with(L".exe")
                                   ? own.substr(0, own.size() - 4)
                                   : own;
  if (name != own && name != ownStem) return commandLine;
  const size_t rest = commandLine.find_first_not_of(L" \t", end);
  return rest == std::wstring::npos ? L"" : commandLine.substr(rest);
}

DWORD RecordLaunch(const std::wstring& program, const std::wstring& commandLine) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kLaunchesMutexName);
  if (mutex) WaitForSingleObject(mutex, 5000);
  DWORD number = 0;
  if (const RegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, kLaunchesKeyPath, KEY_ALL_ACCESS)) {
    number = GetRegDword(key.get(), L"Count", 0) + 1;
    if (const RegKey entry = CreateRegKey(key.get(), EntryName(number).c_str(), KEY_ALL_ACCESS)) {
      PutText(entry.get(), L"Program", program);
      PutText(entry.get(), L"Arguments", ArgumentsOf(commandLine, program));
      PutText(entry.get(), L"CommandLine", commandLine);
      const ULONGLONG now = DeviceNowUtc();
      RegSetValueExW(entry.get(), L"Time", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now),
                     sizeof now);
      RegSetValueExW(key.get(), L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof number);
    } else {
      number = 0;
    }
  }
  if (mutex) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
  return number;
}

std::vector<LaunchRecord> ReadLaunches() {
  std::vector<LaunchRecord> launches;
  const RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, kLaunchesKeyPath, KEY_READ);
  if (!key) return launches;
  // Entries in the order of their numbers, whatever else the key holds.
  std::vector<std::pair<unsigned long, std::wstring>> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD chars = 256;
    if (RegEnumKeyExW(key.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    wchar_t* end = nullptr;
    const unsigned long number = wcstoul(name, &end, 10);
    if (end != name && *end == L'\0') names.emplace_back(number, name);
  }
  std::sort(names.begin(), names.end());
  for (const auto& [number, entryName] : names) {
    const RegKey entry = OpenRegKey(key.get(), entryName.c_str(), KEY_READ);
    if (!entry) continue;
    launches.push_back({GetText(entry.get(), L"Program"), GetText(entry.get(), L"Arguments"),
                        GetText(entry.get(), L"CommandLine"),
                        GetRegQword(entry.get(), L"Time", 0)});
  }
  return launches;
}

void ClearLaunches() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLaunchesKeyPath); }
