#include "device/device_state.h"

#include <cstdio>

#include "device/device_registry.h"
#include "device/local_time.h"

namespace {

RegKey OpenDeviceKey(REGSAM access) {
  return CreateRegKey(HKEY_LOCAL_MACHINE, kDeviceKeyPath, access);
}

}  // namespace

DWORD ReadDeviceDword(const wchar_t* name, DWORD fallback) {
  const RegKey key = OpenDeviceKey(KEY_READ);
  return key ? GetRegDword(key.get(), name, fallback) : fallback;
}

void WriteDeviceDword(const wchar_t* name, DWORD value) {
  const RegKey key = OpenDeviceKey(KEY_WRITE);
  if (!key) return;
  RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
}

ULONGLONG ReadDeviceQword(const wchar_t* name, ULONGLONG fallback) {
  const RegKey key = OpenDeviceKey(KEY_READ);
  return key ? GetRegQword(key.get(), name, fallback) : fallback;
}

void WriteDeviceQword(const wchar_t* name, ULONGLONG value) {
  const RegKey key = OpenDeviceKey(KEY_WRITE);
  if (!key) return;
  RegSetValueExW(key.get(), name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
}

std::optional<DeviceKind> ReadDeviceKind() {
  const RegKey key = OpenDeviceKey(KEY_READ);
  if (!key) return std::nullopt;
  wchar_t name[32] = {};
  DWORD size = sizeof name - sizeof(wchar_t), type = 0;
  const LONG status =
      RegQueryValueExW(key.get(), L"Kind", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return KindFromName(name);
}

void WriteDeviceKind(DeviceKind kind) {
  const RegKey key = OpenDeviceKey(KEY_WRITE);
  if (key) PutRegText(key.get(), L"Kind", KindInfo(kind).name);
}

DWORD ReadDeviceWaveVolume() { return ReadDeviceDword(L"WaveVolume", kFreshWaveVolume); }
void WriteDeviceWaveVolume(DWORD volume) { WriteDeviceDword(L"WaveVolume", volume); }

ULONGLONG HostNowUtc() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

ULONGLONG DeviceNowUtc() {
  const ULONGLONG host = HostNowUtc();
  const ULONGLONG baseHost = ReadDeviceQword(L"ClockBaseHost", 0);
  if (baseHost == 0) return host;
  const ULONGLONG baseDevice = ReadDeviceQword(L"ClockBaseDevice", host);
  const DWORD rate = DeviceClockRate();
  const ULONGLONG elapsed = host > baseHost ? host - baseHost : 0;
  return baseDevice + elapsed * rate;
}

void SetDeviceClock(ULONGLONG utc) {
  WriteDeviceQword(L"ClockBaseDevice", utc);
  WriteDeviceQword(L"ClockBaseHost", HostNowUtc());
}

void AdvanceDeviceClock(LONGLONG delta) {
  SetDeviceClock(DeviceNowUtc() + static_cast<ULONGLONG>(delta));
}

DWORD DeviceClockRate() {
  const DWORD rate = ReadDeviceDword(L"ClockRate", 1);
  return rate == 0 ? 1 : rate;
}

void SetDeviceClockRate(DWORD rate) {
  const ULONGLONG now = DeviceNowUtc();
  WriteDeviceDword(L"ClockRate", rate == 0 ? 1 : rate);
  SetDeviceClock(now);
}

DWORD DeviceRefreshCount() { return ReadDeviceDword(L"RefreshCount", 0); }

void TakeUpSoundSettings() {
  WriteDeviceDword(L"RefreshCount", DeviceRefreshCount() + 1);
  const std::wstring applied = std::wstring(kDeviceKeyPath) + L"\\Applied";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, applied.c_str());
  for (const wchar_t* path : kSoundKeyPaths) {
    const RegKey source = OpenRegKey(HKEY_CURRENT_USER, path, KEY_READ);
    if (!source) continue;
    const std::wstring targetPath = applied + L"\\" + path;
    const RegKey target = CreateRegKey(HKEY_LOCAL_MACHINE, targetPath.c_str(), KEY_ALL_ACCESS);
    if (target) RegCopyTreeW(source.get(), nullptr, target.get());
  }
}

DWORD DevicePowerOnCount() { return ReadDeviceDword(L"PowerOnCount", 0); }

void PressPowerButton() {
  WriteDeviceDword(L"PowerOnCount", DevicePowerOnCount() + 1);
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, kPowerButtonEventName);
  if (!event) return;  // no driver is listening
  SetEvent(event);
  CloseHandle(event);
}

std::wstring FormatFileTime(ULONGLONG utc, bool local) {
  const FILETIME ft{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
  SYSTEMTIME st{};
  if (local) {
    st = DeviceLocalTime(utc);
  } else {
    FileTimeToSystemTime(&ft, &st);
  }
  wchar_t text[64];
  swprintf(text, 64, L"%04u-%02u-%02u %02u:%02u:%02u%ls", st.wYear, st.wMonth, st.wDay, st.wHour,
           st.wMinute, st.wSecond, local ? L"" : L"Z");
  return text;
}
