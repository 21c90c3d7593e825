#include "device/device_kinds.h"

#include <string_view>

namespace {

const DeviceKindInfo kKinds[] = {
    {DeviceKind::OlderCe, L"wince", L"older Windows CE device", 3, L"HPC"},
    {DeviceKind::PocketPc2002, L"ppc2002", L"Pocket PC 2002", 3, L"PocketPC"},
    {DeviceKind::PocketPc2003, L"ppc2003", L"Pocket PC 2003", 4, L"PocketPC"},
    {DeviceKind::PocketPc2003Phone, L"ppc2003phone", L"Pocket PC 2003 phone", 4, L"PocketPC"},
};

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
  HKEY key{};
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0) return;
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void SetText(HKEY root, const wchar_t* path, const wchar_t* name, std::wstring_view text) {
  HKEY key{};
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0) return;
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

constexpr const wchar_t* kVolume = kVolumeKeyPath;
constexpr const wchar_t* kVolumeUnmuted = kVolumeUnmutedKeyPath;
constexpr const wchar_t* kShellOverrides = kShellOverridesKeyPath;
constexpr const wchar_t* kRingTone = kRingToneKeyPath;
constexpr const wchar_t* kRingCategory = kRingCategoryKeyPath;
constexpr const wchar_t* kEarCouple = kEarCoupleKeyPath;

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

void PopulateSoundKeys(HKEY userRoot, DeviceKind kind) {
  for (const wchar_t* path : kSoundKeyPaths) RegDeleteTreeW(userRoot, path);
  const bool pocketPc = kind != DeviceKind::OlderCe;
  const bool phone = kind == DeviceKind::PocketPc2003Phone;

  SetDword(userRoot, kVolume, L"Volume", kFreshWaveVolume);
  SetDword(userRoot, kVolume, L"Mute", 7);
  SetDword(userRoot, kVolume, L"Screen", 1);
  SetDword(userRoot, kVolume, L"Key", 0x00010002);
  if (!pocketPc) {
    SetDword(userRoot, kVolumeUnmuted, L"Volume", kFreshWaveVolume);
    SetDword(userRoot, kVolumeUnmuted, L"Mute", 7);
    SetDword(userRoot, kVolumeUnmuted, L"Screen", 1);
    SetDword(userRoot, kVolumeUnmuted, L"Key", 0x00010002);
    return;
  }
  SetDword(userRoot, kShellOverrides, L"SavedVolume", kFreshWaveVolume);
  SetDword(userRoot, kShellOverrides, L"Mode", 0);
  SetDword(userRoot, kShellOverrides, L"SavedScreen", 1);
  SetDword(userRoot, kShellOverrides, L"SavedKey", 0x00010002);
  if (!phone) return;
  SetDword(userRoot, kVolume, L"Ringer", 0xCCCCCCCC);
  SetDword(userRoot, kShellOverrides, L"SavedRingerVolume", 0xCCCCCCCC);
  SetText(userRoot, kRingTone, L"Sound", L"\\Windows\\Ring-Classic.wav");
  SetText(userRoot, kRingTone, L"SavedSound", L"\\Windows\\Ring-Classic.wav");
  SetDword(userRoot, kRingCategory, L"InitVol", 3);
  SetDword(userRoot, kEarCouple, L"EarCouple", 1);
}
