#include "shell/ringer_switch.h"

#include <optional>

#include "device/device_kinds.h"
#include "device/device_registry.h"
#include "device/device_state.h"
#include "platform/sound_keys.h"

namespace {

// A value under the volume key and the name the shell keeps it under while silent. The wave
// volume is kept from the device itself, not from the registry's copy.
struct KeptValue {
  const wchar_t* live;
  const wchar_t* saved;
  bool ringVolume;  // only where the device keeps a ring volume
};
constexpr KeptValue kKeptValues[] = {{kScreenValue, kSavedScreenValue, false},
                                     {kKeyValue, kSavedKeyValue, false},
                                     {kRingerValue, kSavedRingerVolumeValue, true}};

bool IsSilent(std::optional<DWORD> mode) {
  return mode == static_cast<DWORD>(RingerMode::Vibrate) ||
         mode == static_cast<DWORD>(RingerMode::Off);
}

void PutMode(HKEY overrides, RingerMode mode) {
  PutRegDword(overrides, kModeValue, static_cast<DWORD>(mode));
}

// A program that watches the wave volume reads the saved values as soon as it is 0, so the wave
// volume goes last.
void SaveAndSilence(HKEY live, HKEY overrides, bool ringVolume, RingerMode mode) {
  PutRegDword(overrides, kSavedVolumeValue, ReadDeviceWaveVolume());
  for (const KeptValue& kept : kKeptValues) {
    if (kept.ringVolume && !ringVolume) continue;
    if (const auto value = live ? FindRegDword(live, kept.live) : std::nullopt) {
      PutRegDword(overrides, kept.saved, *value);
    }
  }
  PutMode(overrides, mode);
  if (live) {
    if (FindRegDword(live, kVolumeValue)) PutRegDword(live, kVolumeValue, 0);
    for (const KeptValue& kept : kKeptValues) {
      if (kept.ringVolume && !ringVolume) continue;
      if (FindRegDword(live, kept.live)) PutRegDword(live, kept.live, 0);
    }
  }
  WriteDeviceWaveVolume(0);
}

void BringBack(HKEY live, HKEY overrides, bool ringVolume) {
  // Nothing saved to come back to: the device's own volume rather than a silent "On".
  const DWORD volume = FindRegDword(overrides, kSavedVolumeValue).value_or(kFreshWaveVolume);
  if (live) {
    PutRegDword(live, kVolumeValue, volume);
    for (const KeptValue& kept : kKeptValues) {
      if (kept.ringVolume && !ringVolume) continue;
      if (const auto value = FindRegDword(overrides, kept.saved)) {
        PutRegDword(live, kept.live, *value);
      }
    }
  }
  PutMode(overrides, RingerMode::Ring);
  WriteDeviceWaveVolume(volume);
}

}  // namespace

bool SwitchRinger(RingerMode mode) {
  const SoundKeySet keys = SoundKeysOfKind(ReadDeviceKind().value_or(DeviceKind::PocketPc2003));
  if (!keys.shellOverrides) return false;
  const RegKey overrides =
      CreateRegKey(HKEY_CURRENT_USER, kShellOverridesKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!overrides) return false;
  const std::optional<DWORD> current = FindRegDword(overrides.get(), kModeValue);
  if (current == static_cast<DWORD>(mode)) return false;

  const RegKey live =
      OpenRegKey(HKEY_CURRENT_USER, kVolumeKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE);
  const bool silent = mode != RingerMode::Ring;
  if (silent && !IsSilent(current)) {
    SaveAndSilence(live.get(), overrides.get(), keys.ringCategory, mode);
  } else if (!silent && IsSilent(current)) {
    BringBack(live.get(), overrides.get(), keys.ringCategory);
  } else {
    PutMode(overrides.get(), mode);
  }
  TakeUpSoundSettings();
  return true;
}
