// What the shell program, the device tool and the tests agree on about the running shell.
#pragma once
#include <windows.h>

#include "device/device_kinds.h"

// Held by the running shell program.
inline constexpr wchar_t kShellMutexName[] = L"EmulatedHandheld.Shell";
// The shell program's file in the device's \Windows folder.
inline constexpr wchar_t kShellProgramFile[] = L"devshell.exe";
// Device value (under the device key) with the volume icon's point, packed x | y << 16.
inline constexpr wchar_t kIconPointValue[] = L"VolumeIconPoint";
// The device kind whose volume pop-up has no "Vibrate" button.
inline constexpr DeviceKind kNoVibrateKind = DeviceKind::PocketPc2002;
