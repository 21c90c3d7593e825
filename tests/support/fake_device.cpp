#include "support/fake_device.h"

#include <map>

#include "aygshell/shell_helpers.h"
#include "platform/handheld.h"
#include "platform/power_driver.h"

namespace fake {
namespace {
Device g_device;
std::map<HICON, int> g_icons;
constexpr SYSTEMTIME kDefaultClock = {2026, 12, 1, 7, 15, 0, 0, 0};
}  // namespace

Device& device() { return g_device; }

void ResetDevice() {
  g_device = Device{};
  SetClock(kDefaultClock);
}

ULONGLONG Seconds(ULONGLONG s) { return s * 10'000'000ULL; }

void SetClock(const SYSTEMTIME& utc) {
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  g_device.utcNow = (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

void AdvanceClock(ULONGLONG seconds) { g_device.utcNow += Seconds(seconds); }

void RememberIcon(HICON icon, int resourceId) { g_icons[icon] = resourceId; }

int CurrentIconId() {
  for (auto it = g_device.iconCalls.rbegin(); it != g_device.iconCalls.rend(); ++it) {
    if (it->message == NIM_ADD || it->message == NIM_MODIFY) return it->resourceId;
    if (it->message == NIM_DELETE) return -1;
  }
  return -1;
}

}  // namespace fake

using fake::g_device;

bool GetOsMajorVersion(DWORD* major) {
  if (!g_device.versionAvailable) return false;
  *major = g_device.osMajor;
  return true;
}

bool GetPlatformType(wchar_t* buffer, size_t chars) {
  if (chars == 0) return false;
  buffer[0] = L'\0';
  if (g_device.platformType.empty()) return false;
  wcsncpy(buffer, g_device.platformType.c_str(), chars - 1);
  buffer[chars - 1] = L'\0';
  return true;
}

bool GetWaveVolume(DWORD* volume) {
  ++g_device.volumeReads;
  if (g_device.onVolumeRead) g_device.onVolumeRead();
  if (!g_device.volumeReadable) return false;
  *volume = g_device.waveVolume;
  return true;
}

bool SetWaveVolume(DWORD volume) {
  ++g_device.volumeWrites;
  g_device.waveVolume = volume;
  return true;
}

void RefreshSoundSettings() {
  ++g_device.refreshes;
  if (g_device.onRefresh) g_device.onRefresh();
}

bool PlaySystemSound(const wchar_t* name, UINT) {
  g_device.soundsPlayed.push_back({name ? name : L"", g_device.waveVolume});
  return true;
}

void GetDeviceSystemTime(SYSTEMTIME* utc) {
  FILETIME ft{static_cast<DWORD>(g_device.utcNow), static_cast<DWORD>(g_device.utcNow >> 32)};
  FileTimeToSystemTime(&ft, utc);
}

void GetDeviceLocalTime(SYSTEMTIME* local) {
  SYSTEMTIME utc{};
  GetDeviceSystemTime(&utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, local);
}

namespace {
HANDLE const kDriverHandle = reinterpret_cast<HANDLE>(0x5A5A);
HANDLE const kDriverFile = reinterpret_cast<HANDLE>(0x7B7B);
}  // namespace

HANDLE RegisterDevice(const wchar_t*, DWORD, const wchar_t*, DWORD) {
  if (!g_device.driverRegisters) return nullptr;
  ++g_device.driverRegistrations;
  return kDriverHandle;
}

BOOL DeregisterDevice(HANDLE device) {
  if (device != kDriverHandle) return FALSE;
  ++g_device.driverDeregistrations;
  return TRUE;
}

HANDLE OpenStreamDevice(const wchar_t* name) {
  if (!g_device.driverOpens || wcscmp(name, kPowerDriverFile) != 0) return INVALID_HANDLE_VALUE;
  ++g_device.driverOpenFiles;
  return kDriverFile;
}

BOOL StreamDeviceIoControl(HANDLE file, DWORD code, const void* in, DWORD inSize) {
  if (file != kDriverFile) return FALSE;
  DWORD window = 0;
  if (in && inSize >= sizeof window) memcpy(&window, in, sizeof window);
  g_device.ioctls.emplace_back(code, window);
  return TRUE;
}

void CloseStreamDevice(HANDLE file) {
  if (file == kDriverFile) --g_device.driverOpenFiles;
}

namespace {
struct FakeDatabase {
  size_t next = 0;
};
FakeDatabase g_database;
HANDLE const kDatabaseHandle = reinterpret_cast<HANDLE>(&g_database);
}  // namespace

HANDLE CeOpenDatabaseEx(CEGUID*, CEOID* oid, const wchar_t* name, CEPROPID, DWORD,
                        CENOTIFYREQUEST*) {
  if (!g_device.categoriesDatabase || !name || wcscmp(name, kCategoriesDatabaseName) != 0 ||
      (oid && *oid != 0)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  ++g_device.openDatabases;
  g_database.next = 0;
  return kDatabaseHandle;
}

// Each read moves to the next record; a buffer the caller has is always replaced by a new one.
CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* propIds,
                          BYTE** buffer, DWORD* bufferBytes, HANDLE heap) {
  if (database != kDatabaseHandle || heap || !(flags & CEDB_ALLOWREALLOC) || !propCount ||
      *propCount != 1 || !propIds || !buffer || *buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (g_database.next >= g_device.categoryRecords.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return 0;
  }
  const std::optional<std::wstring>& name = g_device.categoryRecords[g_database.next++];
  const size_t textBytes = name ? (name->size() + 1) * sizeof(wchar_t) : 0;
  const size_t size = sizeof(CEPROPVAL) + textBytes;
  *buffer = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size));
  if (bufferBytes) *bufferBytes = static_cast<DWORD>(size);
  auto* value = reinterpret_cast<CEPROPVAL*>(*buffer);
  *value = CEPROPVAL{};
  value->propid = propIds[0];
  if (name && propIds[0] == kCategoryNameProp) {
    value->val.lpwstr = reinterpret_cast<wchar_t*>(*buffer + sizeof(CEPROPVAL));
    memcpy(value->val.lpwstr, name->c_str(), textBytes);
  } else {
    value->wFlags = CEDB_PROPNOTFOUND;
  }
  return static_cast<CEOID>(g_database.next);
}

BOOL CloseDatabase(HANDLE database) {
  if (database != kDatabaseHandle) return FALSE;
  --g_device.openDatabases;
  return TRUE;
}

HMODULE LoadToolhelp() {
  // The stand-in is a module that is always loaded, so freeing it does no harm.
  return g_device.toolhelpPresent ? LoadLibraryW(L"kernel32.dll") : nullptr;
}

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  fake::MessageBoxCall call{owner, text ? text : L"", caption ? caption : L"", type};
  g_device.messageBoxes.push_back(call);
  return g_device.answerMessageBox ? g_device.answerMessageBox(call) : IDOK;
}

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  int id = -1;
  if (auto it = fake::g_icons.find(data->hIcon); it != fake::g_icons.end()) id = it->second;
  g_device.iconCalls.push_back({message, data->cbSize, data->hWnd, data->uID, data->uFlags,
                                data->uCallbackMessage, data->hIcon, id});
  return g_device.notifyIconSucceeds ? TRUE : FALSE;
}

const wchar_t* DialogClassName() { return L"#32770"; }

BOOL LaunchProgram(const wchar_t* module, const wchar_t* commandLine) {
  g_device.launches.push_back({module ? module : L"", commandLine ? commandLine : L"", L""});
  return TRUE;
}

BOOL ShellExecuteProgram(const wchar_t* file, const wchar_t* verb, const wchar_t* parameters) {
  g_device.launches.push_back(
      {file ? file : L"", parameters ? parameters : L"", verb ? verb : L""});
  return TRUE;
}

// The shell's dialog helpers behave as the emulated device's shell library does.
BOOL SHInitDialog(PSHINITDLGINFO info) { return devshell::InitDialog(info); }
BOOL SHFullScreen(HWND requester, DWORD state) { return devshell::FullScreen(requester, state); }
BOOL SHCreateMenuBar(PSHMENUBARINFO info) {
  if (g_device.menuBarFails) return FALSE;
  return devshell::CreateMenuBar(info);
}
