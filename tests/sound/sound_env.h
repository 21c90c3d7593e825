// A device of a given kind, set up as start-up would, with the mute state at its start values.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "device/device_kinds.h"
#include "support/scratch_registry.h"

namespace soundtest {

inline constexpr wchar_t kFreshTone[] = L"\\Windows\\Ring-Classic.wav";
inline constexpr DWORD kAbsent = 0xABADCAFE;

// Fresh device of `kind` in `hkcu`: its sound keys, the fake handheld's version and platform
// type, the platform flags and key names loaded from the program's string table, default
// settings, and no mute, hold or meeting.
void SetUpDevice(const ScratchHkcu& hkcu, DeviceKind kind);

// One registry value a test expects: a DWORD, kAbsent for "no such value".
struct Expected {
  const wchar_t* key;
  const wchar_t* name;
  DWORD value;
};
void ExpectValues(HKEY root, const std::vector<Expected>& values, const std::string& when);

std::string KindName(DeviceKind kind);

}  // namespace soundtest
