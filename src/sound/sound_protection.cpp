#include "sound/sound_protection.h"

#include "app/startup.h"
#include "common/registry.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_state.h"

ULONGLONG LastProtected = 0;

namespace {

// Puts `wanted` into `live` where it differs; true when it did.
bool Protect(DWORD& live, DWORD wanted) {
  if (live == wanted) return false;
  live = wanted;
  return true;
}

}  // namespace

void ProtectSoundSettings() {
  if (Muted) return;
  const SoundProtectionFlags& mode = Settings.SoundProtection;
  if (!mode.Enabled || !mode.ProtectSettings) return;

  SoundState live{};
  if (ReadVolumeKey(SoundKeys.Volume, live) != ERROR_SUCCESS) return;

  bool changed = false;
  if (IsOlderPlatform()) changed |= Protect(live.Mute, Settings.SPMute);
  changed |= Protect(live.Key, Settings.SPKey);
  changed |= Protect(live.Screen, Settings.SPScreen);
  if (!changed) return;

  const LONG written = IsOlderPlatform() ? WriteVolumeKey(SoundKeys.Volume, live)
                                         : WriteVolumeKeyNoMute(SoundKeys.Volume, live);
  if (written != ERROR_SUCCESS) return;
  RefreshSoundSettings();
  LastProtected = TimeFromNow(0);
}

void SaveSoundProtection() {
  RegKey key = OpenSettingsKey();
  if (!key) return;
  SetDwordValue(key.get(), L"SoundProtection", PackSoundProtection(Settings.SoundProtection));
  SetDwordValue(key.get(), L"SPVolume", Settings.SPVolume);
  SetDwordValue(key.get(), L"SPMute", Settings.SPMute);
  SetDwordValue(key.get(), L"SPScreen", Settings.SPScreen);
  SetDwordValue(key.get(), L"SPKey", Settings.SPKey);
}
