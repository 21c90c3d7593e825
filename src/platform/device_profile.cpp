#include "platform/device_profile.h"

#include <memory>
#include <string>
#include <type_traits>

#include "platform/handheld.h"
#include "platform/sound_keys.h"

namespace {

struct Profile {
  DeviceProfileRecord record;
  std::wstring keyNames[6];  // the loaded names; record.SoundKeys points into these
};
Profile g_profile;

// The string-table entry `id`, or null (and the slot emptied) when it is missing.
const wchar_t* LoadKeyName(HINSTANCE resources, UINT id, std::wstring& slot) {
  slot.clear();
  const wchar_t* text = nullptr;
  // With no buffer the call hands back the resource's text in place, which is not terminated.
  const int length = LoadStringW(resources, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) return nullptr;
  slot.assign(text, static_cast<size_t>(length));
  return slot.c_str();
}

}  // namespace

const DeviceProfileRecord& DeviceProfile = g_profile.record;

void ResetDeviceProfile() {
  g_profile.record = DeviceProfileRecord{};
  for (std::wstring& name : g_profile.keyNames) name.clear();
}

void DetectDeviceProfile(HINSTANCE resources) {
  ResetDeviceProfile();
  DeviceProfileRecord& profile = g_profile.record;
  DWORD major = 0;
  const bool haveVersion = GetOsMajorVersion(&major);
  wchar_t platformType[200] = {};  // 400 bytes
  GetPlatformType(platformType, 200);
  const bool pocketPc = wcscmp(platformType, L"PocketPC") == 0;
  profile.IsPocketPcV3 = haveVersion && major == 3 && pocketPc;
  profile.IsPocketPcV4 = haveVersion && major == 4 && pocketPc;

  // The layer below the program's own owners: the standard library's owner closes the key.
  HKEY ringTone{};
  profile.HasPhone =
      RegOpenKeyExW(HKEY_CURRENT_USER, kRingToneKeyPath, 0, KEY_READ, &ringTone) == ERROR_SUCCESS;
  const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)> ringToneOwner(
      profile.HasPhone ? ringTone : nullptr, &RegCloseKey);

  const SoundKeySet keys =
      SoundKeysOf(profile.IsPocketPcV3, profile.IsPocketPcV4, profile.HasPhone);
  SoundKeyNames& names = profile.SoundKeys;
  names.Volume = LoadKeyName(resources, IDS_KEY_VOLUME, g_profile.keyNames[0]);
  if (keys.volumeUnmuted) {
    names.VolumeUnmuted = LoadKeyName(resources, IDS_KEY_VOLUME_UNMUTED, g_profile.keyNames[1]);
  }
  if (keys.shellOverrides) {
    names.ShellOverrides = LoadKeyName(resources, IDS_KEY_SHELL_OVERRIDES, g_profile.keyNames[2]);
  }
  if (keys.ringTone)
    names.RingTone = LoadKeyName(resources, IDS_KEY_RING_TONE, g_profile.keyNames[3]);
  if (keys.ringCategory) {
    names.RingCategory = LoadKeyName(resources, IDS_KEY_RING_CATEGORY, g_profile.keyNames[4]);
  }
  if (keys.earCouple)
    names.EarCouple = LoadKeyName(resources, IDS_KEY_EAR_COUPLE, g_profile.keyNames[5]);
}
