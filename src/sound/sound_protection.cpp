#include "sound/sound_protection.h"

#include "common/clock.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "platform/sound_keys.h"
#include "settings/settings.h"
#include "sound/mute_state.h"
#include "sound/sound_journal.h"
#include "sound/sound_state.h"

namespace {

// The live volume key, kept open from the first check to the end of the program, and watched
// for changes: a check with nothing changed reads nothing and compares the values it read last.
// Two watches tell of a change: one on the key's values, one on the names of every key of the
// user's hive (a key deleted, or made anew, which the first watch does not see). The key is
// opened again for another key path, and when a read through it fails (the key was deleted,
// perhaps made anew, since it was opened). The values are read again at least every
// `kReadAtLeastEvery` checks, whatever the watches say, and on every check where they cannot
// watch.
class LiveVolumeKey {
 public:
  // Reads the values the check compares: kMuteValue (older platform only), kScreenValue and
  // kKeyValue.
  LONG ReadCompared(const wchar_t* path, SoundState& live) {
    if (path != path_) Drop();
    if (key_) {
      if (!MayHaveChanged() || ReadAgain() == ERROR_SUCCESS) {
        last_.CopyTo(live);
        return ERROR_SUCCESS;
      }
      Drop();
    }
    if (!path) return ERROR_FILE_NOT_FOUND;
    HKEY raw{};
    if (const LONG opened =
            RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE | KEY_NOTIFY, &raw);
        opened != ERROR_SUCCESS) {
      return opened;
    }
    key_.reset(raw);
    path_ = path;
    const LONG status = ReadAgain();
    last_.CopyTo(live);
    return status;
  }
  void Drop() {
    key_.reset();
    path_ = nullptr;
    valid_ = false;
    watching_[kValues] = false;
  }
  // Drops the key and both watches (a new user hive, in tests).
  void Forget() {
    Drop();
    hive_.reset();
    watching_[kNames] = false;
  }

 private:
  static constexpr int kReadAtLeastEvery = 64;

  enum Watch { kValues, kNames, kWatches };

  bool MayHaveChanged() {
    if (!valid_ || !watching_[kValues] || !watching_[kNames] || olderRead_ != IsOlderPlatform()) {
      return true;
    }
    const HANDLE events[kWatches] = {changed_[kValues].get(), changed_[kNames].get()};
    const DWORD signalled = WaitForMultipleObjects(kWatches, events, FALSE, 0);
    if (signalled < WAIT_OBJECT_0 + kWatches) {
      watching_[signalled - WAIT_OBJECT_0] = false;
      return true;
    }
    if (signalled != WAIT_TIMEOUT) return true;
    return ++checksSinceRead_ >= kReadAtLeastEvery;
  }

  // A watch that is not set is set again before the read, so that a change made during the
  // read is seen at the next check.
  void SetWatch(Watch watch, HKEY key, BOOL subtree, DWORD filter) {
    if (watching_[watch]) return;
    UniqueKernelHandle& changed = changed_[watch];
    if (!changed) changed.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    watching_[watch] =
        changed && key &&
        RegNotifyChangeKeyValue(key, subtree, filter, changed.get(), TRUE) == ERROR_SUCCESS;
  }

  LONG ReadAgain() {
    SetWatch(kValues, key_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET);
    if (!hive_) RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_NOTIFY, hive_.put());
    SetWatch(kNames, hive_.get(), TRUE, REG_NOTIFY_CHANGE_NAME);
    checksSinceRead_ = 0;
    last_ = Compared{};
    olderRead_ = IsOlderPlatform();
    const LONG status = ReadFrom(key_.get(), last_);
    valid_ = status == ERROR_SUCCESS;
    return status;
  }

  // The values compared, as last read.
  struct Compared {
    DWORD Mute = 0, Screen = 0, Key = 0;
    void CopyTo(SoundState& live) const {
      live.Mute = Mute;
      live.Screen = Screen;
      live.Key = Key;
    }
  };

  static LONG ReadFrom(HKEY key, Compared& live) {
    if (IsOlderPlatform()) {
      if (const LONG status = ReadDwordValue(key, kMuteValue, &live.Mute);
          status != ERROR_SUCCESS) {
        return status;
      }
    }
    if (const LONG status = ReadDwordValue(key, kScreenValue, &live.Screen); status != 0) {
      return status;
    }
    return ReadDwordValue(key, kKeyValue, &live.Key);
  }

  RegKey key_;
  const wchar_t* path_ = nullptr;
  RegKey hive_;                           // the user's hive, watched for keys deleted or made
  UniqueKernelHandle changed_[kWatches];  // set by the system when a watch sees a change
  bool watching_[kWatches] = {};
  bool valid_ = false;  // `last_` holds a complete read
  bool olderRead_ = false;
  int checksSinceRead_ = 0;
  Compared last_;
};

// What the check keeps from one run to the next.
struct Protection {
  SoundProtectionStateRecord state;
  LiveVolumeKey liveVolumeKey;
};
Protection g_protection;

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

const SoundProtectionStateRecord& SoundProtectionState = g_protection.state;

void ResetSoundProtectionState() {
  g_protection.state = SoundProtectionStateRecord{};
  g_protection.liveVolumeKey.Forget();
}

void ProtectSoundSettings() {
  if (MuteState.Muted) return;
  const SoundProtectionFlags& mode = Settings.SoundProtection;
  if (!mode.Enabled || !mode.ProtectSettings) return;

  const wchar_t* volumeKey = DeviceProfile.SoundKeys.Volume;
  SoundState compared{};
  if (g_protection.liveVolumeKey.ReadCompared(volumeKey, compared) != ERROR_SUCCESS) return;
  if (!ProtectAll(compared)) return;

  // Something to repair: the whole key is read afresh, and written only from a complete read.
  SoundState live{};
  if (ReadVolumeKey(volumeKey, live) != ERROR_SUCCESS) return;
  if (!ProtectAll(live)) return;

  const LONG written =
      IsOlderPlatform() ? WriteVolumeKey(volumeKey, live) : WriteVolumeKeyNoMute(volumeKey, live);
  if (written != ERROR_SUCCESS) return;
  RefreshSoundSettings();
  g_protection.state.LastProtected = TimeFromNow(0);
  JournalProtectedRepair(live);
}
