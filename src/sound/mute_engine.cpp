#include "sound/mute_engine.h"

#include <cwchar>
#include <string>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/journal.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "common/tray_icon.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "sound/kept_mute.h"

MuteStateRecord MuteState;

void ResetMuteState() {
  MuteState = MuteStateRecord{};
  ResetSoundJournal();
}
void SetMuteUntil(ULONGLONG utc) { MuteState.MuteUntil = utc; }
void SetExtendToPowerOn(bool extend) { MuteState.ExtendToPowerOn = extend; }

namespace {

constexpr DWORD kSilencedEarCouple = 4;
constexpr DWORD kRestoredEarCouple = 1;
constexpr DWORD kTakenOverRingVolume = 5;

const SoundKeyNames& Keys() { return DeviceProfile.SoundKeys; }

// A protected volume of 0 gives nothing audible back (the Sound page never stores one; a damaged
// setting may hold it): the audible default stands in for it.
DWORD ProtectedOrAudibleVolume() {
  if (Settings.SoundProtection.Enabled && Settings.SPVolume != 0) return Settings.SPVolume;
  return kAudibleVolume;
}

void ShowStateIcon(int iconId) { SetTrayIcon(TrayOperation::Modify, iconId); }

void ShowMutedIcon() {
  ShowStateIcon(MuteState.UserRestoreAllowed ? IDI_MUTED_USER_RESTORE : IDI_MUTED);
}

// A single value in an existing key; a missing key or value is left alone.
void WriteOneDword(const wchar_t* keyPath, const wchar_t* name, DWORD value) {
  if (!keyPath) return;
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_WRITE, key.put()) != ERROR_SUCCESS) return;
  SetDwordValue(key.get(), name, value);
}

// The state a mute of an earlier run kept, into the saved state; false (and nothing changed)
// when there is none or it cannot be read whole. A value that is not there was not the owner's.
bool RecallSavedState() {
  KeptMute kept{MuteState.SavedSoundState, MuteState.SavedFields, MuteState.RingToneSaved};
  if (!ReadKeptMute(kept)) return false;
  MuteState.SavedSoundState = kept.state;
  MuteState.SavedFields = kept.fields;
  MuteState.RingToneSaved = kept.ringTone && DeviceProfile.HasPhone;
  MuteState.SoundStateSaved = true;
  return true;
}

void KeepSavedState() {
  KeepMuteCopy({MuteState.SavedSoundState, MuteState.SavedFields, MuteState.RingToneSaved});
}

void ForgetSavedState() {
  ForgetKeptMute();
  MuteState.LostMutePending = false;
}

// A ring tone the owner chose: not one of the shell's markers, and not empty, which names no
// tone at all. Only such a tone becomes the one to come back to.
bool NamesATone(const wchar_t* tone) { return tone[0] != L'\0' && !IsRingToneMarker(tone); }

void SaveDeviceState(bool takeOver) {
  SoundState& saved = MuteState.SavedSoundState;
  SoundFields& read = MuteState.SavedFields;
  read = 0;
  DWORD wave = 0;
  const bool waveRead = !takeOver && GetWaveVolume(&wave);
  // A device that is silent already (silenced by hand, or left silent by a run of the program
  // that ended without giving the sound back) holds silenced live values: what to come back to
  // is what the silence saved, as for a user mute.
  if (waveRead && wave == 0) takeOver = true;
  if (takeOver) {
    if (IsOlderPlatform()) {
      ReadVolumeKey(Keys().VolumeUnmuted, saved, &read);
    } else {
      ReadShellSaved(Keys().ShellOverrides, saved, &read);
    }
  } else {
    ReadVolumeKey(Keys().Volume, saved, &read);
    // The live wave volume wins over the registry's copy.
    if (waveRead) {
      saved.Volume = wave;
      read |= kSoundVolume;
    }
  }

  MuteState.RingToneSaved = false;
  if (DeviceProfile.HasPhone) {
    bool soundRead = false;
    const LONG status = ReadRingTone(Keys().RingTone, saved, &soundRead);
    if (soundRead && NamesATone(saved.Sound)) {
      wcscpy(saved.SavedSound, saved.Sound);
      MuteState.RingToneSaved = true;
    } else if (soundRead && status == ERROR_SUCCESS && saved.SavedSound[0] != L'\0') {
      // A marker or an empty text never replaces the ring tone kept in SavedSound.
      MuteState.RingToneSaved = true;
    }
  }

  if (IsPocketPc2003Phone()) {
    ReadRingVolume(Keys().RingCategory, saved, &read);
    if (takeOver && saved.InitVol == 0) saved.InitVol = kTakenOverRingVolume;
    ReadEarCouple(Keys().EarCouple, saved, &read);
    if (saved.EarCouple == kSilencedEarCouple) saved.EarCouple = kRestoredEarCouple;
  }
  MuteState.SoundStateSaved = true;
}

// With nothing saved, only the volume comes back and the ringer is switched on; every other
// value stays as the user has it.
bool RestoreVolumeOnly() {
  MuteState.SavedSoundState.Volume = ProtectedOrAudibleVolume();
  if (IsOlderPlatform()) {
    WriteOneDword(Keys().VolumeUnmuted, kVolumeValue, MuteState.SavedSoundState.Volume);
  } else {
    WriteOneDword(Keys().ShellOverrides, kModeValue, kRingerModeRing);
  }
  WriteOneDword(Keys().Volume, kVolumeValue, MuteState.SavedSoundState.Volume);
  return true;
}

// What the shell gives back with its ringer's "On" (the older platform: its unmuted key).
void ReadShellCopy(SoundState& shell, SoundFields* read) {
  if (IsOlderPlatform()) {
    ReadVolumeKey(Keys().VolumeUnmuted, shell, read);
  } else {
    ReadShellSaved(Keys().ShellOverrides, shell, read);
  }
}

// A value the user changed during the mute no longer holds what the mute wrote: it is the user's
// new choice, and it becomes the value to come back to. Values that cannot be read count as
// unchanged, and so do values the mute left alone. The wave volume keeps its own rules (a raised
// volume ends or is undone by the tick).
void KeepUserEdits(SoundState& saved) {
  SoundState live = MutedSoundState;
  ReadVolumeKey(Keys().Volume, live);
  const auto keep = [](DWORD& target, DWORD now, DWORD silenced, SoundFields field) {
    if ((MuteState.SavedFields & field) && now != silenced) target = now;
  };
  // The shell keeps a copy of what it gives back (the older platform: its unmuted key), which
  // this mute wrote or took over; one that holds something else now was kept by the shell for
  // the user: an edit made while the sound was back, silenced again by hand since.
  SoundState shell = saved;
  SoundFields shellRead = 0;
  ReadShellCopy(shell, &shellRead);
  const auto keepShell = [&](DWORD& target, DWORD kept, DWORD silenced, SoundFields field) {
    if ((shellRead & field) && kept != silenced) keep(target, kept, silenced, field);
  };
  keepShell(saved.Screen, shell.Screen, MutedSoundState.Screen, kSoundScreen);
  keepShell(saved.Key, shell.Key, MutedSoundState.Key, kSoundKey);
  if (IsOlderPlatform()) keepShell(saved.Mute, shell.Mute, MutedSoundState.Mute, kSoundMute);
  if (IsPocketPc2003Phone()) {
    keepShell(saved.Ringer, shell.Ringer, MutedSoundState.Ringer, kSoundRinger);
  }
  keep(saved.Screen, live.Screen, MutedSoundState.Screen, kSoundScreen);
  keep(saved.Key, live.Key, MutedSoundState.Key, kSoundKey);
  if (IsOlderPlatform()) keep(saved.Mute, live.Mute, MutedSoundState.Mute, kSoundMute);
  if (DeviceProfile.HasPhone && MuteState.RingToneSaved) {
    // A tone the user picks replaces the kept one; the shell's markers and an empty text never
    // do.
    bool soundRead = false;
    ReadRingTone(Keys().RingTone, live, &soundRead);
    if (soundRead && NamesATone(live.Sound)) wcscpy(saved.SavedSound, live.Sound);
  }
  if (!IsPocketPc2003Phone()) return;
  keep(saved.Ringer, live.Ringer, MutedSoundState.Ringer, kSoundRinger);
  ReadRingVolume(Keys().RingCategory, live);
  keep(saved.InitVol, live.InitVol, MutedSoundState.InitVol, kSoundInitVol);
  ReadEarCouple(Keys().EarCouple, live);
  keep(saved.EarCouple, live.EarCouple, MutedSoundState.EarCouple, kSoundEarCouple);
}

// What a mute that starts now comes back to: what the mute of a run that ended without giving
// the sound back kept (with what the user changed since), or else the device's state now.
void TakeStateToComeBackTo(bool takeOver) {
  // A device that sounds again has ended that mute: what it silenced goes back first, as the
  // tick would have given it, and this mute starts from the device as it is then.
  DWORD wave = 0;
  if (MuteState.LostMutePending && !takeOver && GetWaveVolume(&wave) && wave != 0) {
    RepairAfterLostMute();
  }
  if (MuteState.LostMutePending && RecallSavedState()) {
    MuteState.LostMutePending = false;
    KeepUserEdits(MuteState.SavedSoundState);
    return;
  }
  SaveDeviceState(takeOver);
}

void WarnInaudibleRestore() {
  ShowMessageBox(nullptr, kInaudibleRestoreText, kInaudibleRestoreCaption,
                 MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
  ShellExecuteProgram(kSoundAppletProgram, L"open", kSoundAppletParameters);
}

}  // namespace

bool VolumeIsZero() {
  DWORD volume = 0;
  return GetWaveVolume(&volume) && volume == 0;
}

void SilenceDevice(bool takeOver) {
  if (MuteState.Muted) {
    // Silenced again: what the user changed in between is kept to come back to.
    if (MuteState.SoundStateSaved) KeepUserEdits(MuteState.SavedSoundState);
  } else {
    // A silence that is the mute of a run that ended without giving the sound back carries on
    // with what that mute kept.
    TakeStateToComeBackTo(takeOver);
  }
  KeepSavedState();

  // Only values holding the owner's sound are silenced: one that could not be read has nothing
  // to come back to. The live volume follows the wave volume, and the ringer mode is the
  // program's own switch.
  const SoundFields owners = MuteState.SavedFields;
  if (IsOlderPlatform()) {
    // The shell's unmuted key holds what the shell gives back; it is kept equal to what this
    // mute comes back to (a taken-over silence's key may be behind it: the mute of a run that
    // ended without giving the sound back, and what the owner changed since, came back to).
    WriteVolumeKey(Keys().VolumeUnmuted, MuteState.SavedSoundState, owners);
    WriteVolumeKey(Keys().Volume, MutedSoundState, owners | kSoundVolume);
    return;
  }
  MuteState.SavedSoundState.Mode = Settings.MuteToVibrate ? kRingerModeVibrate : kRingerModeOff;
  if (IsPocketPc2003Phone()) {
    WriteRingVolume(Keys().RingCategory, MutedSoundState, owners);
    WriteEarCouple(Keys().EarCouple, MutedSoundState, owners);
  }
  WriteShellSaved(Keys().ShellOverrides, MuteState.SavedSoundState, owners | kSoundMode);
  WriteVolumeKeyNoMute(Keys().Volume, MutedSoundState, owners | kSoundVolume);
}

bool RestoreDeviceSound() {
  if (!MuteState.SoundStateSaved) return RestoreVolumeOnly();

  SoundState& saved = MuteState.SavedSoundState;
  KeepUserEdits(saved);
  // What could not be read at the start of the mute is not given back: the values are left as
  // they are, and the volume, which must come back, comes back audible.
  const SoundFields owners = MuteState.SavedFields;
  bool inaudible = false;
  if (!(owners & kSoundVolume)) {
    saved.Volume = ProtectedOrAudibleVolume();
  } else if (saved.Volume == 0) {
    saved.Volume = ProtectedOrAudibleVolume();
    inaudible = true;
  }
  if (Settings.SoundProtection.Enabled && Settings.SoundProtection.WarnOnly &&
      (owners & kSoundMute) && saved.Mute == 0) {
    inaudible = true;
  }
  if (IsOlderPlatform()) {
    WriteVolumeKey(Keys().VolumeUnmuted, saved, owners);
    WriteVolumeKey(Keys().Volume, saved, owners | kSoundVolume);
    return inaudible;
  }
  saved.Mode = kRingerModeRing;
  if (DeviceProfile.HasPhone) {
    // A ring tone that was never read is not written: it would wipe the user's.
    if (MuteState.RingToneSaved) {
      wcscpy(saved.Sound, saved.SavedSound);
      WriteRingTone(Keys().RingTone, saved);
    }
    if (DeviceProfile.IsPocketPcV4) {
      WriteRingVolume(Keys().RingCategory, saved, owners);
      WriteEarCouple(Keys().EarCouple, saved, owners);
      if (saved.Ringer == 0) saved.Ringer = ProtectedOrAudibleVolume();
    }
  }
  WriteShellSaved(Keys().ShellOverrides, saved, owners | kSoundMode);
  WriteVolumeKeyNoMute(Keys().Volume, saved, owners | kSoundVolume);
  return inaudible;
}

void MuteNow(ChangeCause cause) {
  const bool wasMuted = MuteState.Muted;
  const JournalSound before = ReadJournalSound();
  SilenceDevice(false);
  SetWaveVolume(0);
  RefreshSoundSettings();
  MuteState.Muted = true;
  MuteState.UserRestoreAllowed = Settings.UserUnMute == 2;
  ShowMutedIcon();
  if (!wasMuted) {
    JournalSoundChange(kJournalSilenced, cause, before);
  } else if (before.waveRead && before.wave != 0) {
    JournalSoundChange(kJournalVolumeUndone, cause, before);
  }
}

void TakeSilenceToGiveBack() {
  if (!MuteState.Muted) TakeStateToComeBackTo(true);
}

void AdoptUserMute(ChangeCause cause) {
  const bool wasMuted = MuteState.Muted;
  const JournalSound before = ReadJournalSound();
  SilenceDevice(true);
  if (!MuteState.Muted) {
    MuteState.MuteUntil = TimeFromNow(Settings.UserMuteTime);
    MuteState.ExtendToPowerOn = Settings.UserMuteTime == 0 ? true : Settings.ExtendMuteDefault;
  }
  SetWaveVolume(0);
  RefreshSoundSettings();
  MuteState.Muted = true;
  MuteState.UserRestoreAllowed = Settings.UserUnMute != 0;
  ShowMutedIcon();
  if (!wasMuted) {
    JournalSoundChange(kJournalTakenOver, cause, before);
  } else if (before.waveRead && before.wave != 0) {
    JournalSoundChange(kJournalVolumeUndone, cause, before);
  }
}

void RestoreSound(ChangeCause cause, RestoreOptions options) {
  // An unreadable volume counts as audible: there is nothing to give back then.
  DWORD volume = 1;
  GetWaveVolume(&volume);
  if (!MuteState.Muted && volume != 0) {
    if (options.filterHolds) ShowStateIcon(IDI_FILTER_HOLD);
    return;
  }
  const JournalSound before = ReadJournalSound();
  MuteState.Muted = false;
  if (!options.forTestTone) EndMeetingInProgress();
  MuteState.UserRestoreAllowed = false;

  const bool inaudible = RestoreDeviceSound();
  ForgetSavedState();
  MuteState.SoundStateSaved = false;
  MuteState.RingToneSaved = false;
  MuteState.SavedFields = 0;
  SetWaveVolume(MuteState.SavedSoundState.Volume);
  RefreshSoundSettings();

  if (options.filterHolds) {
    ShowStateIcon(IDI_FILTER_HOLD);
  } else {
    ForgetFilteredApp();
    ShowStateIcon(IDI_IDLE);
  }
  JournalSoundChange(kJournalSoundBack, cause, before);
  if (inaudible && !options.forTestTone && Settings.SoundProtection.Enabled &&
      Settings.SoundProtection.WarnOnly) {
    WarnInaudibleRestore();
  }
}

void RecallLostMute() { MuteState.LostMutePending = KeptMuteExists(); }

void RepairAfterLostMute() {
  if (!MuteState.LostMutePending || MuteState.Muted) return;
  // The device sounds again without this run having muted it: what the lost mute silenced and
  // nobody has changed since goes back, as a restore would have given it.
  if (RecallSavedState()) {
    const JournalSound before = ReadJournalSound();
    // A wave volume the owner has raised since stays.
    DWORD wave = 0;
    if (GetWaveVolume(&wave) && wave != 0) {
      MuteState.SavedSoundState.Volume = wave;
      MuteState.SavedFields |= kSoundVolume;
    }
    RestoreDeviceSound();
    SetWaveVolume(MuteState.SavedSoundState.Volume);
    RefreshSoundSettings();
    JournalSoundChange(kJournalLostMuteUndone, ChangeCause::Unstated, before);
  }
  MuteState.SoundStateSaved = false;
  MuteState.RingToneSaved = false;
  MuteState.SavedFields = 0;
  ForgetSavedState();
}
