#include "device/device_kinds.h"

#include <string_view>

#include "device/device_registry.h"

namespace {

const DeviceKindInfo kKinds[] = {
    {DeviceKind::OlderCe, L"wince", L"older Windows CE device", 3, L"HPC", false},
    {DeviceKind::PocketPc2002, L"ppc2002", L"Pocket PC 2002", 3, L"PocketPC", false},
    {DeviceKind::PocketPc2003, L"ppc2003", L"Pocket PC 2003", 4, L"PocketPC", false},
    {DeviceKind::PocketPc2003Phone, L"ppc2003phone", L"Pocket PC 2003 phone", 4, L"PocketPC", true},
};

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
  const RegKey key = CreateRegKey(root, path, KEY_ALL_ACCESS);
  if (key) {
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
  }
}

void SetText(HKEY root, const wchar_t* path, const wchar_t* name, const wchar_t* text) {
  const RegKey key = CreateRegKey(root, path, KEY_ALL_ACCESS);
  if (key) PutRegText(key.get(), name, text);
}

}  // namespace

const DeviceKindInfo& KindInfo(DeviceKind kind) {
  for (const auto& info : kKinds) {
    if (info.kind == kind) return info;
  }
  return kKinds[0];
}

std::optional<DeviceKind> KindFromName(const std::wstring& name) {
  for (const auto& info : kKinds) {
    if (name == info.name) return info.kind;
  }
  return std::nullopt;
}

SoundKeySet SoundKeysOfKind(DeviceKind kind) {
  const DeviceKindInfo& info = KindInfo(kind);
  const bool pocketPc = wcscmp(info.platformType, L"PocketPC") == 0;
  return SoundKeysOf(pocketPc && info.osMajor == 3, pocketPc && info.osMajor == 4, info.phone);
}

void PopulateSoundKeys(HKEY userRoot, DeviceKind kind) {
  for (const wchar_t* path : kSoundKeyPaths) RegDeleteTreeW(userRoot, path);
  const SoundKeySet keys = SoundKeysOfKind(kind);

  SetDword(userRoot, kVolumeKeyPath, L"Volume", kFreshWaveVolume);
  SetDword(userRoot, kVolumeKeyPath, L"Mute", 7);
  SetDword(userRoot, kVolumeKeyPath, L"Screen", 1);
  SetDword(userRoot, kVolumeKeyPath, L"Key", 0x00010002);
  if (keys.volumeUnmuted) {
    SetDword(userRoot, kVolumeUnmutedKeyPath, L"Volume", kFreshWaveVolume);
    SetDword(userRoot, kVolumeUnmutedKeyPath, L"Mute", 7);
    SetDword(userRoot, kVolumeUnmutedKeyPath, L"Screen", 1);
    SetDword(userRoot, kVolumeUnmutedKeyPath, L"Key", 0x00010002);
  }
  if (keys.shellOverrides) {
    SetDword(userRoot, kShellOverridesKeyPath, L"SavedVolume", kFreshWaveVolume);
    SetDword(userRoot, kShellOverridesKeyPath, L"Mode", 0);
    SetDword(userRoot, kShellOverridesKeyPath, L"SavedScreen", 1);
    SetDword(userRoot, kShellOverridesKeyPath, L"SavedKey", 0x00010002);
  }
  if (keys.ringTone) {
    SetText(userRoot, kRingToneKeyPath, L"Sound", L"\\Windows\\Ring-Classic.wav");
    SetText(userRoot, kRingToneKeyPath, L"SavedSound", L"\\Windows\\Ring-Classic.wav");
  }
  if (keys.ringCategory) {
    // The ring volume lives beside the wave volume on this kind.
    SetDword(userRoot, kVolumeKeyPath, L"Ringer", 0xCCCCCCCC);
    SetDword(userRoot, kShellOverridesKeyPath, L"SavedRingerVolume", 0xCCCCCCCC);
    SetDword(userRoot, kRingCategoryKeyPath, L"InitVol", 3);
  }
  if (keys.earCouple) SetDword(userRoot, kEarCoupleKeyPath, L"EarCouple", 1);
}
