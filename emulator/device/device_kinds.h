// The kinds of handheld the emulator can be, and the sound settings each keeps in its registry.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

enum class DeviceKind { OlderCe, PocketPc2002, PocketPc2003, PocketPc2003Phone };

struct DeviceKindInfo {
  DeviceKind kind;
  const wchar_t* name;         // as the device tool names it
  const wchar_t* description;
  DWORD osMajor;
  const wchar_t* platformType;
};

const DeviceKindInfo& KindInfo(DeviceKind kind);
std::optional<DeviceKind> KindFromName(const std::wstring& name);
// The kinds in a fixed order, for tables and help texts.
inline constexpr DeviceKind kAllKinds[] = {DeviceKind::OlderCe, DeviceKind::PocketPc2002,
                                           DeviceKind::PocketPc2003,
                                           DeviceKind::PocketPc2003Phone};

// The device's sound keys below its HKEY_CURRENT_USER, in a fixed order.
inline constexpr const wchar_t* kVolumeKeyPath = L"ControlPanel\\Volume";
inline constexpr const wchar_t* kVolumeUnmutedKeyPath = L"ControlPanel\\VolumeUnmuted";
inline constexpr const wchar_t* kShellOverridesKeyPath = L"ControlPanel\\Notifications\\ShellOverrides";
inline constexpr const wchar_t* kRingToneKeyPath = L"ControlPanel\\Sounds\\RingTone0";
inline constexpr const wchar_t* kRingCategoryKeyPath = L"ControlPanel\\SoundCategories\\Ring";
inline constexpr const wchar_t* kEarCoupleKeyPath = L"ControlPanel\\EarCouple";
inline constexpr const wchar_t* kSoundKeyPaths[] = {kVolumeKeyPath,        kVolumeUnmutedKeyPath,
                                                    kShellOverridesKeyPath, kRingToneKeyPath,
                                                    kRingCategoryKeyPath,  kEarCoupleKeyPath};

// Writes the ControlPanel sound keys that a fresh device of this kind holds under `userRoot`
// (HKEY_CURRENT_USER of the device, or a scratch key in tests). Keys of other kinds are removed.
void PopulateSoundKeys(HKEY userRoot, DeviceKind kind);

// Audible wave volume of a fresh device.
inline constexpr DWORD kFreshWaveVolume = 0x99999999;
