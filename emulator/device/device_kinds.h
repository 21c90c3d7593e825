// The kinds of handheld the emulator can be, and the sound settings each keeps in its registry.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "platform/sound_keys.h"

enum class DeviceKind { OlderCe, PocketPc2002, PocketPc2003, PocketPc2003Phone };

struct DeviceKindInfo {
  DeviceKind kind;
  const wchar_t* name;         // as the device tool names it
  const wchar_t* description;
  DWORD osMajor;
  const wchar_t* platformType;
  bool phone;
};

const DeviceKindInfo& KindInfo(DeviceKind kind);
std::optional<DeviceKind> KindFromName(const std::wstring& name);
// The kinds in a fixed order, for tables and help texts.
inline constexpr DeviceKind kAllKinds[] = {DeviceKind::OlderCe, DeviceKind::PocketPc2002,
                                           DeviceKind::PocketPc2003,
                                           DeviceKind::PocketPc2003Phone};

// The sound keys a device of this kind keeps.
SoundKeySet SoundKeysOfKind(DeviceKind kind);

// Writes the ControlPanel sound keys that a fresh device of this kind holds under `userRoot`
// (HKEY_CURRENT_USER of the device, or a scratch key in tests). Keys of other kinds are removed.
void PopulateSoundKeys(HKEY userRoot, DeviceKind kind);

// Audible wave volume of a fresh device.
inline constexpr DWORD kFreshWaveVolume = 0x99999999;
