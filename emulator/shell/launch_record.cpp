#include "shell/launch_record.h"

#include <algorithm>
#include <cwchar>

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
  const std::wstring kept = text.substr(0, kMaxText);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(kept.c_str()),
                 static_cast<DWORD>((kept.size() + 1) * sizeof(wchar_t)));
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

DWORD GetDword(HKEY key, const wchar_t* name) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return 0;
  }
  return value;
}

ULONGLONG GetQword(HKEY key, const wchar_t* name) {
  ULONGLONG value = 0;
  DWORD size = sizeof value, type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_QWORD || size != sizeof value) {
    return 0;
  }
  return value;
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
  HKEY key{};
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLaunchesKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    number = GetDword(key, L"Count") + 1;
    HKEY entry{};
    if (RegCreateKeyExW(key, EntryName(number).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &entry, nullptr) == ERROR_SUCCESS) {
      PutText(entry, L"Program", program);
      PutText(entry, L"Arguments", ArgumentsOf(commandLine, program));
      PutText(entry, L"CommandLine", commandLine);
      const ULONGLONG now = DeviceNowUtc();
      RegSetValueExW(entry, L"Time", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now),
                     sizeof now);
      RegCloseKey(entry);
      RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof number);
    } else {
      number = 0;
    }
    RegCloseKey(key);
  }
  if (mutex) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
  return number;
}

std::vector<LaunchRecord> ReadLaunches() {
  std::vector<LaunchRecord> launches;
  HKEY key{};
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLaunchesKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return launches;
  }
  // Entries in the order of their numbers, whatever else the key holds.
  std::vector<std::pair<unsigned long, std::wstring>> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD chars = 256;
    if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    wchar_t* end = nullptr;
    const unsigned long number = wcstoul(name, &end, 10);
    if (end != name && *end == L'\0') names.emplace_back(number, name);
  }
  std::sort(names.begin(), names.end());
  for (const auto& [number, entryName] : names) {
    HKEY entry{};
    if (RegOpenKeyExW(key, entryName.c_str(), 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
    launches.push_back({GetText(entry, L"Program"), GetText(entry, L"Arguments"),
                        GetText(entry, L"CommandLine"), GetQword(entry, L"Time")});
    RegCloseKey(entry);
  }
  RegCloseKey(key);
  return launches;
}

void ClearLaunches() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLaunchesKeyPath); }
