#include "sound/sound_protection.h"

#include "common/clock.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_state.h"

ULONGLONG LastProtected = 0;

namespace {

// The live volume key, kept open from the first check to the end of the program: a check with
// nothing to repair then only reads values. It is opened again for another key path, and when a
// read through it fails (the key was deleted, perhaps made anew, since it was opened).
class LiveVolumeKey {
 public:
  // Reads the values the check compares: "Mute" (older platform only), "Screen" and "Key".
  LONG ReadCompared(const wchar_t* path, SoundState& live) {
    if (path != path_) Drop();
    if (key_) {
      if (ReadFrom(key_.get(), live) == ERROR_SUCCESS) return ERROR_SUCCESS;
      Drop();
    }
    if (!path) return ERROR_FILE_NOT_FOUND;
    HKEY raw{};
    if (const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &raw);
        opened != ERROR_SUCCESS) {
      return opened;
    }
    key_.reset(raw);
    path_ = path;
    return ReadFrom(key_.get(), live);
  }
  void Drop() {
    key_.reset();
    path_ = nullptr;
  }

 private:
  static LONG ReadFrom(HKEY key, SoundState& live) {
    if (IsOlderPlatform()) {
      if (const LONG status = ReadDwordValue(key, L"Mute", &live.Mute); status != ERROR_SUCCESS) {
        return status;
      }
    }
    if (const LONG status = ReadDwordValue(key, L"Screen", &live.Screen); status != 0) {
      return status;
    }
    return ReadDwordValue(key, L"Key", &live.Key);
  }

  RegKey key_;
  const wchar_t* path_ = nullptr;
};

LiveVolumeKey g_liveVolumeKey;

// Puts `wanted` into `live` where it differs; true when it did.
bool Protect(DWORD& live, DWORD wanted) {
  if (live == wanted) return false;
  live = wanted;
  return true;
}

// Puts the protected values into `live`; true when any differed.
bool ProtectAll(SoundState& live) {
  bool changed = false;
  if (IsOlderPlatform()) changed |= Protect(live.Mute, Settings.SPMute);
  changed |= Protect(live.Key, Settings.SPKey);
  changed |= Protect(live.Screen, Settings.SPScreen);
  return changed;
}

}  // namespace

void ResetSoundProtectionState() {
  LastProtected = 0;
  g_liveVolumeKey.Drop();
}

void ProtectSoundSettings() {
  if (MuteState.Muted) return;
  const SoundProtectionFlags& mode = Settings.SoundProtection;
  if (!mode.Enabled || !mode.ProtectSettings) return;

  const wchar_t* volumeKey = DeviceProfile.SoundKeys.Volume;
  SoundState compared{};
  if (g_liveVolumeKey.ReadCompared(volumeKey, compared) != ERROR_SUCCESS) return;
  if (!ProtectAll(compared)) return;

  // Something to repair: the whole key is read afresh, and written only from a complete read.
  SoundState live{};
  if (ReadVolumeKey(volumeKey, live) != ERROR_SUCCESS) return;
  if (!ProtectAll(live)) return;

  const LONG written =
      IsOlderPlatform() ? WriteVolumeKey(volumeKey, live) : WriteVolumeKeyNoMute(volumeKey, live);
  if (written != ERROR_SUCCESS) return;
  RefreshSoundSettings();
  LastProtected = TimeFromNow(0);
  JournalProtectedRepair(live);
}

void SaveSoundProtection() { SaveSettingsGroup(SettingsGroup::SoundProtection); }
