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

  SetDword(userRoot, kVolumeKeyPath, kVolumeValue, kFreshWaveVolume);
  SetDword(userRoot, kVolumeKeyPath, kMuteValue, 7);
  SetDword(userRoot, kVolumeKeyPath, kScreenValue, 1);
  SetDword(userRoot, kVolumeKeyPath, kKeyValue, 0x00010002);
  if (keys.volumeUnmuted) {
    SetDword(userRoot, kVolumeUnmutedKeyPath, kVolumeValue, kFreshWaveVolume);
    SetDword(userRoot, kVolumeUnmutedKeyPath, kMuteValue, 7);
    SetDword(userRoot, kVolumeUnmutedKeyPath, kScreenValue, 1);
    SetDword(userRoot, kVolumeUnmutedKeyPath, kKeyValue, 0x00010002);
  }
  if (keys.shellOverrides) {
    SetDword(userRoot, kShellOverridesKeyPath, kSavedVolumeValue, kFreshWaveVolume);
    SetDword(userRoot, kShellOverridesKeyPath, kModeValue, kRingerModeRing);
    SetDword(userRoot, kShellOverridesKeyPath, kSavedScreenValue, 1);
    SetDword(userRoot, kShellOverridesKeyPath, kSavedKeyValue, 0x00010002);
  }
  if (keys.ringTone) {
    SetText(userRoot, kRingToneKeyPath, kSoundValue, L"\\Windows\\Ring-Classic.wav");
    SetText(userRoot, kRingToneKeyPath, kSavedSoundValue, L"\\Windows\\Ring-Classic.wav");
  }
  if (keys.ringCategory) {
    // The ring volume lives beside the wave volume on this kind.
    SetDword(userRoot, kVolumeKeyPath, kRingerValue, 0xCCCCCCCC);
    SetDword(userRoot, kShellOverridesKeyPath, kSavedRingerVolumeValue, 0xCCCCCCCC);
    SetDword(userRoot, kRingCategoryKeyPath, kInitVolValue, 3);
  }
  if (keys.earCouple) SetDword(userRoot, kEarCoupleKeyPath, kEarCoupleValue, 1);
}
