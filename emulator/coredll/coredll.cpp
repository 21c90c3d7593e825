// The emulated handheld's core library: the calls of the device's own that desktop Win32 lacks
// (device kind, wave volume, clock, sound refresh and playback, stream drivers, property
// databases), answered from the device's state. Exported under the device's names by coredll.def.
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "calendar/calendar_store.h"
#include "calendar/category_database.h"
#include "device/device_registry.h"
#include "device/device_state.h"
#include "device/local_time.h"

namespace {

constexpr UINT kSpiGetPlatformType = 257;

// A registered stream driver and the files opened on it.
struct Driver {
  std::wstring prefix;
  DWORD index = 0;
  HMODULE library = nullptr;
  DWORD context = 0;
  DWORD(WINAPI* deinit)(DWORD) = nullptr;
  DWORD(WINAPI* open)(DWORD, DWORD, DWORD) = nullptr;
  BOOL(WINAPI* close)(DWORD) = nullptr;
  BOOL(WINAPI* ioControl)(DWORD, DWORD, BYTE*, DWORD, BYTE*, DWORD, DWORD*) = nullptr;
};
struct StreamFile {
  Driver* driver;
  DWORD context;
};

std::mutex g_lock;
std::map<Driver*, std::unique_ptr<Driver>> g_drivers;
std::map<StreamFile*, std::unique_ptr<StreamFile>> g_files;
std::map<CategoryDatabase*, std::unique_ptr<CategoryDatabase>> g_databases;

template <typename F>
F Proc(HMODULE module, const std::wstring& prefix, const char* suffix) {
  std::string name(prefix.begin(), prefix.end());
  name += suffix;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
}

StreamFile* FindFile(HANDLE handle) {
  auto it = g_files.find(static_cast<StreamFile*>(handle));
  return it == g_files.end() ? nullptr : it->second.get();
}

DeviceKind Kind() { return ReadDeviceKind().value_or(DeviceKind::PocketPc2003Phone); }

void ToSystemTime(ULONGLONG utc, SYSTEMTIME* out, bool local) {
  // The zone's rules for the device's date, which need not be the host's.
  if (local) {
    *out = DeviceLocalTime(utc);
    return;
  }
  const FILETIME ft{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
  FileTimeToSystemTime(&ft, out);
}

// Which icon resource of the calling program a shared icon handle is (0 when unknown): programs
// load their notification pictures shared at 16x16, which hands back one handle per resource.
DWORD IconResourceId(HICON icon) {
  if (!icon) return 0;
  struct Search {
    HICON icon;
    DWORD found;
  } search{icon, 0};
  HMODULE program = GetModuleHandleW(nullptr);
  EnumResourceNamesW(
      program, RT_GROUP_ICON,
      [](HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (!IS_INTRESOURCE(name)) return TRUE;
        HANDLE candidate = LoadImageW(module, name, IMAGE_ICON, 16, 16, LR_SHARED);
        if (candidate != s->icon) return TRUE;
        s->found = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(name));
        return FALSE;
      },
      reinterpret_cast<LONG_PTR>(&search));
  return search.found;
}

}  // namespace

extern "C" {

BOOL WINAPI Core_GetVersionExW(OSVERSIONINFOW* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DeviceKindInfo& kind = KindInfo(Kind());
  info->dwMajorVersion = kind.osMajor;
  info->dwMinorVersion = kind.osMajor == 4 ? 21 : 0;
  info->dwBuildNumber = kind.osMajor == 4 ? 1088 : 126;
  info->dwPlatformId = 3;  // VER_PLATFORM_WIN32_CE
  info->szCSDVersion[0] = L'\0';
  return TRUE;
}

BOOL WINAPI Core_SystemParametersInfoW(UINT action, UINT param, void* data, UINT winIni) {
  if (action != kSpiGetPlatformType) return SystemParametersInfoW(action, param, data, winIni);
  const std::wstring type = KindInfo(Kind()).platformType;
  const size_t needed = (type.size() + 1) * sizeof(wchar_t);
  if (!data || param < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(data, type.c_str(), needed);
  return TRUE;
}

MMRESULT WINAPI Core_waveOutGetVolume(HWAVEOUT device, DWORD* volume) {
  if (device != nullptr) return MMSYSERR_BADDEVICEID;
  if (!volume) return MMSYSERR_INVALPARAM;
  *volume = ReadDeviceWaveVolume();
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Core_waveOutSetVolume(HWAVEOUT device, DWORD volume) {
  if (device != nullptr) return MMSYSERR_BADDEVICEID;
  WriteDeviceWaveVolume(volume);
  return MMSYSERR_NOERROR;
}

void WINAPI Core_RefreshSoundSettings(int, int, int, int) { TakeUpSoundSettings(); }

// The device plays at once what it is asked to; it records what it played, and at which wave
// volume, for the device tool.
BOOL WINAPI Core_sndPlaySoundW(const wchar_t* name, UINT) {
  WriteDeviceDword(L"SoundsPlayed", ReadDeviceDword(L"SoundsPlayed", 0) + 1);
  WriteDeviceDword(L"LastSoundVolume", ReadDeviceWaveVolume());
  const std::wstring last = name ? name : L"";
  if (const RegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, kDeviceKeyPath, KEY_WRITE)) {
    PutRegText(key.get(), L"LastSound", last);
  }
  return TRUE;
}

void WINAPI Core_GetSystemTime(SYSTEMTIME* utc) { ToSystemTime(DeviceNowUtc(), utc, false); }
void WINAPI Core_GetLocalTime(SYSTEMTIME* local) { ToSystemTime(DeviceNowUtc(), local, true); }

HANDLE WINAPI Core_RegisterDevice(const wchar_t* prefix, DWORD index, const wchar_t* library,
                                  DWORD context) {
  if (!prefix || wcslen(prefix) != 3 || index > 9 || !library) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto driver = std::make_unique<Driver>();
  driver->prefix = prefix;
  driver->index = index;
  driver->library = LoadLibraryW(library);
  if (!driver->library) return nullptr;
  const auto init = Proc<DWORD(WINAPI*)(DWORD)>(driver->library, prefix, "_Init");
  driver->deinit = Proc<DWORD(WINAPI*)(DWORD)>(driver->library, prefix, "_Deinit");
  driver->open = Proc<DWORD(WINAPI*)(DWORD, DWORD, DWORD)>(driver->library, prefix, "_Open");
  driver->close = Proc<BOOL(WINAPI*)(DWORD)>(driver->library, prefix, "_Close");
  driver->ioControl = Proc<BOOL(WINAPI*)(DWORD, DWORD, BYTE*, DWORD, BYTE*, DWORD, DWORD*)>(
      driver->library, prefix, "_IOControl");
  if (!init || !driver->open || !driver->ioControl) {
    FreeLibrary(driver->library);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  driver->context = init(context);
  if (driver->context == 0) {
    FreeLibrary(driver->library);
    return nullptr;
  }
  std::lock_guard guard(g_lock);
  Driver* handle = driver.get();
  g_drivers[handle] = std::move(driver);
  return handle;
}

BOOL WINAPI Core_DeregisterDevice(HANDLE device) {
  std::unique_ptr<Driver> driver;
  {
    std::lock_guard guard(g_lock);
    auto it = g_drivers.find(static_cast<Driver*>(device));
    if (it == g_drivers.end()) return FALSE;
    driver = std::move(it->second);
    g_drivers.erase(it);
  }
  if (driver->deinit) driver->deinit(driver->context);
  FreeLibrary(driver->library);
  return TRUE;
}

HANDLE WINAPI Core_CreateFileW(const wchar_t* name, DWORD access, DWORD share,
                               SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                               HANDLE templ) {
  // Stream devices are named by prefix, index and a colon: "WKD1:".
  if (name && wcslen(name) == 5 && name[4] == L':') {
    std::lock_guard guard(g_lock);
    for (auto& [handle, driver] : g_drivers) {
      if (_wcsnicmp(name, driver->prefix.c_str(), 3) != 0 ||
          name[3] != static_cast<wchar_t>(L'0' + driver->index)) {
        continue;
      }
      const DWORD context = driver->open(driver->context, access, share);
      if (context == 0) break;
      auto file = std::make_unique<StreamFile>(StreamFile{driver.get(), context});
      StreamFile* h = file.get();
      g_files[h] = std::move(file);
      return h;
    }
    SetLastError(ERROR_DEV_NOT_EXIST);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(name, access, share, security, disposition, flags, templ);
}

BOOL WINAPI Core_DeviceIoControl(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out,
                                 DWORD outSize, DWORD* returned, OVERLAPPED* overlapped) {
  StreamFile* file = nullptr;
  {
    std::lock_guard guard(g_lock);
    file = FindFile(handle);
  }
  if (!file) {
    return DeviceIoControl(handle, code, in, inSize, out, outSize, returned, overlapped);
  }
  DWORD got = 0;
  const BOOL ok = file->driver->ioControl(file->context, code, static_cast<BYTE*>(in), inSize,
                                          static_cast<BYTE*>(out), outSize, &got);
  if (returned) *returned = got;
  return ok;
}

// The object store holds one database, the categories database of the calendar.
HANDLE WINAPI Core_CeOpenDatabaseEx(CEGUID* volume, CEOID* oid, const wchar_t* name, CEPROPID,
                                    DWORD flags, CENOTIFYREQUEST*) {
  auto database = CategoryDatabase::Open(volume, oid, name, flags, CalendarStorePath());
  if (!database) return INVALID_HANDLE_VALUE;
  std::lock_guard guard(g_lock);
  CategoryDatabase* handle = database.get();
  g_databases[handle] = std::move(database);
  return handle;
}

CEOID WINAPI Core_CeReadRecordPropsEx(HANDLE handle, DWORD flags, WORD* propCount,
                                      CEPROPID* propIds, BYTE** buffer, DWORD* bufferBytes,
                                      HANDLE heap) {
  std::lock_guard guard(g_lock);
  auto it = g_databases.find(static_cast<CategoryDatabase*>(handle));
  if (it == g_databases.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return it->second->Read(flags, propCount, propIds, buffer, bufferBytes, heap);
}

BOOL WINAPI Core_CloseHandle(HANDLE handle) {
  std::unique_ptr<StreamFile> file;
  {
    std::lock_guard guard(g_lock);
    auto it = g_files.find(static_cast<StreamFile*>(handle));
    if (it != g_files.end()) {
      file = std::move(it->second);
      g_files.erase(it);
    }
    if (g_databases.erase(static_cast<CategoryDatabase*>(handle)) != 0) return TRUE;
  }
  if (!file) return CloseHandle(handle);
  if (file->driver->close) file->driver->close(file->context);
  return TRUE;
}

// The device's notification area: the shell keeps the icon; the device state records what it
// shows so that the device tool can tell (and tap it). With a display, the icon is also handed to
// the host's own notification area.
BOOL WINAPI Core_Shell_NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  if (!data || data->cbSize < NOTIFYICONDATAW_V1_SIZE || !IsWindow(data->hWnd)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool shown = ReadDeviceDword(L"TrayIconShown", 0) != 0;
  if ((message == NIM_MODIFY || message == NIM_DELETE) && !shown) return FALSE;
  if (message == NIM_DELETE) {
    WriteDeviceDword(L"TrayIconShown", 0);
  } else if (message == NIM_ADD || message == NIM_MODIFY) {
    WriteDeviceDword(L"TrayIconShown", 1);
    WriteDeviceDword(L"TrayIconOwner", static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(data->hWnd)));
    WriteDeviceDword(L"TrayIconId", data->uID);
    if (data->uFlags & NIF_MESSAGE) WriteDeviceDword(L"TrayIconCallback", data->uCallbackMessage);
    if (data->uFlags & NIF_ICON) WriteDeviceDword(L"TrayIconPicture", IconResourceId(data->hIcon));
  } else {
    return FALSE;
  }
  Shell_NotifyIconW(message, data);
  return TRUE;
}

}  // extern "C"
