// The emulated handheld's own state, kept in the device's registry so that every process on the
// device (the program's core library, the driver, the shell, the device tool) sees the same.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "device/device_kinds.h"

// Below HKEY_LOCAL_MACHINE of the device.
inline constexpr wchar_t kDeviceKeyPath[] = L"Software\\EmulatedHandheld";
// Set by the power button; the driver waits on it.
inline constexpr wchar_t kPowerButtonEventName[] = L"EmulatedHandheld.PowerButton";

std::optional<DeviceKind> ReadDeviceKind();
void WriteDeviceKind(DeviceKind kind);

DWORD ReadDeviceWaveVolume();
void WriteDeviceWaveVolume(DWORD volume);

// The device clock: UTC file time. It runs `rate` times as fast as the host's clock from the
// moment it was last set.
ULONGLONG DeviceNowUtc();
void SetDeviceClock(ULONGLONG utc);
void AdvanceDeviceClock(LONGLONG delta);  // file-time units, may be negative
DWORD DeviceClockRate();
void SetDeviceClockRate(DWORD rate);

// Sound refreshes: the device takes up the ControlPanel values at each one and keeps the values
// it took up under "Applied".
DWORD DeviceRefreshCount();
void TakeUpSoundSettings();

// The power button: counts the presses and wakes the power-notification driver.
DWORD DevicePowerOnCount();
void PressPowerButton();

// Small helpers for the device key.
DWORD ReadDeviceDword(const wchar_t* name, DWORD fallback);
void WriteDeviceDword(const wchar_t* name, DWORD value);
ULONGLONG ReadDeviceQword(const wchar_t* name, ULONGLONG fallback);
void WriteDeviceQword(const wchar_t* name, ULONGLONG value);

ULONGLONG HostNowUtc();
// "YYYY-MM-DD HH:MM:SS": the device's wall time at `utc`, or with `local` false UTC itself with a
// "Z" after it.
std::wstring FormatFileTime(ULONGLONG utc, bool local);
