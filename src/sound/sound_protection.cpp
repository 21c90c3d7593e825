#include "sound/sound_protection.h"

#include "common/clock.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_state.h"

ULONGLONG LastProtected = 0;

void ResetSoundProtectionState() { LastProtected = 0; }

namespace {

// Puts `wanted` into `live` where it differs; true when it did.
bool Protect(DWORD& live, DWORD wanted) {
  if (live == wanted) return false;
  live = wanted;
  return true;
}

}  // namespace

void ProtectSoundSettings() {
  if (MuteState.Muted) return;
  const SoundProtectionFlags& mode = Settings.SoundProtection;
  if (!mode.Enabled || !mode.ProtectSettings) return;

  const wchar_t* volumeKey = DeviceProfile.SoundKeys.Volume;
  SoundState live{};
  if (ReadVolumeKey(volumeKey, live) != ERROR_SUCCESS) return;

  bool changed = false;
  if (IsOlderPlatform()) changed |= Protect(live.Mute, Settings.SPMute);
  changed |= Protect(live.Key, Settings.SPKey);
  changed |= Protect(live.Screen, Settings.SPScreen);
  if (!changed) return;

  const LONG written =
      IsOlderPlatform() ? WriteVolumeKey(volumeKey, live) : WriteVolumeKeyNoMute(volumeKey, live);
  if (written != ERROR_SUCCESS) return;
  RefreshSoundSettings();
  LastProtected = TimeFromNow(0);
}

void SaveSoundProtection() { SaveSettingsGroup(SettingsGroup::SoundProtection); }
