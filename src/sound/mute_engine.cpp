#include "sound/mute_engine.h"

#include <cwchar>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "common/tray_icon.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "settings/settings.h"

MuteStateRecord MuteState;

void ResetMuteState() { MuteState = MuteStateRecord{}; }
void SetMuteUntil(ULONGLONG utc) { MuteState.MuteUntil = utc; }
void SetExtendToPowerOn(bool extend) { MuteState.ExtendToPowerOn = extend; }

namespace {

constexpr DWORD kSilencedEarCouple = 4;
constexpr DWORD kRestoredEarCouple = 1;
constexpr DWORD kTakenOverRingVolume = 5;

const SoundKeyNames& Keys() { return DeviceProfile.SoundKeys; }

DWORD ProtectedOrAudibleVolume() {
  return Settings.SoundProtection.Enabled ? Settings.SPVolume : kAudibleVolume;
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

void SaveDeviceState(bool takeOver) {
  SoundState& saved = MuteState.SavedSoundState;
  DWORD wave = 0;
  const bool waveRead = !takeOver && GetWaveVolume(&wave);
  // A device that is silent already (silenced by hand, or left silent by a run of the program
  // that ended without giving the sound back) holds silenced live values: what to come back to
  // is what the silence saved, as for a user mute.
  if (waveRead && wave == 0) takeOver = true;
  if (takeOver) {
    if (IsOlderPlatform()) {
      ReadVolumeKey(Keys().VolumeUnmuted, saved);
    } else {
      ReadShellSaved(Keys().ShellOverrides, saved);
    }
  } else {
    ReadVolumeKey(Keys().Volume, saved);
    // The live wave volume wins over the registry's copy.
    if (waveRead) saved.Volume = wave;
  }

  MuteState.RingToneSaved = false;
  if (DeviceProfile.HasPhone) {
    bool soundRead = false;
    const LONG status = ReadRingTone(Keys().RingTone, saved, &soundRead);
    if (soundRead && !IsRingToneMarker(saved.Sound)) {
      wcscpy(saved.SavedSound, saved.Sound);
      MuteState.RingToneSaved = true;
    } else if (soundRead && status == ERROR_SUCCESS && saved.SavedSound[0] != L'\0') {
      // A marker never replaces the ring tone kept in SavedSound.
      MuteState.RingToneSaved = true;
    }
  }

  if (IsPocketPc2003Phone()) {
    ReadRingVolume(Keys().RingCategory, saved);
    if (takeOver && saved.InitVol == 0) saved.InitVol = kTakenOverRingVolume;
    ReadEarCouple(Keys().EarCouple, saved);
    if (saved.EarCouple == kSilencedEarCouple) saved.EarCouple = kRestoredEarCouple;
  }
  MuteState.SoundStateSaved = true;
}

// With nothing saved, only the volume comes back and the ringer is switched on; every other
// value stays as the user has it.
bool RestoreVolumeOnly() {
  MuteState.SavedSoundState.Volume = ProtectedOrAudibleVolume();
  if (IsOlderPlatform()) {
    WriteOneDword(Keys().VolumeUnmuted, L"Volume", MuteState.SavedSoundState.Volume);
  } else {
    WriteOneDword(Keys().ShellOverrides, L"Mode", kRingerModeRing);
  }
  WriteOneDword(Keys().Volume, L"Volume", MuteState.SavedSoundState.Volume);
  return true;
}

// A value the user changed during the mute no longer holds what the mute wrote: it is the user's
// new choice, and it becomes the value to come back to. Values that cannot be read count as
// unchanged. The wave volume keeps its own rules (a raised volume ends or is undone by the tick).
void KeepUserEdits(SoundState& saved) {
  SoundState live = MutedSoundState;
  ReadVolumeKey(Keys().Volume, live);
  const auto keep = [](DWORD& target, DWORD now, DWORD silenced) {
    if (now != silenced) target = now;
  };
  keep(saved.Screen, live.Screen, MutedSoundState.Screen);
  keep(saved.Key, live.Key, MutedSoundState.Key);
  if (IsOlderPlatform()) keep(saved.Mute, live.Mute, MutedSoundState.Mute);
  if (DeviceProfile.HasPhone && MuteState.RingToneSaved) {
    // A tone the user picks replaces the kept one; the shell's markers never do.
    bool soundRead = false;
    ReadRingTone(Keys().RingTone, live, &soundRead);
    if (soundRead && !IsRingToneMarker(live.Sound)) wcscpy(saved.SavedSound, live.Sound);
  }
  if (!IsPocketPc2003Phone()) return;
  keep(saved.Ringer, live.Ringer, MutedSoundState.Ringer);
  ReadRingVolume(Keys().RingCategory, live);
  keep(saved.InitVol, live.InitVol, MutedSoundState.InitVol);
  ReadEarCouple(Keys().EarCouple, live);
  keep(saved.EarCouple, live.EarCouple, MutedSoundState.EarCouple);
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
    SaveDeviceState(takeOver);
  }

  if (IsOlderPlatform()) {
    if (!takeOver) WriteVolumeKey(Keys().VolumeUnmuted, MuteState.SavedSoundState);
    WriteVolumeKey(Keys().Volume, MutedSoundState);
    return;
  }
  MuteState.SavedSoundState.Mode = Settings.MuteToVibrate ? kRingerModeVibrate : kRingerModeOff;
  if (IsPocketPc2003Phone()) {
    WriteRingVolume(Keys().RingCategory, MutedSoundState);
    WriteEarCouple(Keys().EarCouple, MutedSoundState);
  }
  WriteShellSaved(Keys().ShellOverrides, MuteState.SavedSoundState);
  WriteVolumeKeyNoMute(Keys().Volume, MutedSoundState);
}

bool RestoreDeviceSound() {
  if (!MuteState.SoundStateSaved) return RestoreVolumeOnly();

  SoundState& saved = MuteState.SavedSoundState;
  KeepUserEdits(saved);
  bool inaudible = false;
  if (saved.Volume == 0) {
    saved.Volume = ProtectedOrAudibleVolume();
    inaudible = true;
  }
  if (Settings.SoundProtection.Enabled && Settings.SoundProtection.WarnOnly && saved.Mute == 0) {
    inaudible = true;
  }
  if (IsOlderPlatform()) {
    WriteVolumeKey(Keys().VolumeUnmuted, saved);
    WriteVolumeKey(Keys().Volume, saved);
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
      WriteRingVolume(Keys().RingCategory, saved);
      WriteEarCouple(Keys().EarCouple, saved);
      if (saved.Ringer == 0) saved.Ringer = ProtectedOrAudibleVolume();
    }
  }
  WriteShellSaved(Keys().ShellOverrides, saved);
  WriteVolumeKeyNoMute(Keys().Volume, saved);
  return inaudible;
}

void MuteNow() {
  if (FilterState.FilterHold) {
    if (MuteState.Muted) {
      RestoreSound();
    } else {
      ShowStateIcon(IDI_FILTER_HOLD);
    }
    return;
  }
  SilenceDevice(false);
  SetWaveVolume(0);
  RefreshSoundSettings();
  MuteState.Muted = true;
  MuteState.UserRestoreAllowed = Settings.UserUnMute == 2;
  ShowMutedIcon();
}

void AdoptUserMute() {
  if (FilterState.FilterHold) {
    RestoreSound();
    return;
  }
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
}

void RestoreSound() {
  // An unreadable volume counts as audible: there is nothing to give back then.
  DWORD volume = 1;
  GetWaveVolume(&volume);
  if (!MuteState.Muted && volume != 0) {
    if (FilterState.FilterHold) ShowStateIcon(IDI_FILTER_HOLD);
    return;
  }
  MuteState.Muted = false;
  EndMeetingInProgress();
  MuteState.UserRestoreAllowed = false;

  const bool inaudible = RestoreDeviceSound();
  MuteState.SoundStateSaved = false;
  MuteState.RingToneSaved = false;
  SetWaveVolume(MuteState.SavedSoundState.Volume);
  RefreshSoundSettings();

  if (FilterState.FilterHold) {
    ShowStateIcon(IDI_FILTER_HOLD);
  } else {
    ForgetFilteredApp();
    ShowStateIcon(IDI_IDLE);
  }
  if (inaudible && Settings.SoundProtection.Enabled && Settings.SoundProtection.WarnOnly) {
    WarnInaudibleRestore();
  }
}

void CheckMuteExpiry() {
  if (FilterState.FilterHold) {
    RestoreSound();
    return;
  }
  if (TimeFromNow(0) < MuteState.MuteUntil) return;
  if (MeetingState.InMeeting && MuteState.MuteUntil < MeetingState.MeetingEnd) {
    // Ends before the meeting in progress: no new mute for that same meeting.
    RestoreSound();
    return;
  }
  RestoreSound();
  CheckForMeeting();
}

void MuteForMeeting() {
  MuteState.ExtendToPowerOn = Settings.ExtendMuteDefault;
  MuteState.MuteUntil = MeetingState.MeetingEnd;
  MuteNow();
}

void CheckForMeeting() {
  if (!Settings.EnablePOLink) return;
  if (TimeFromNow(0) < MeetingState.NextMeetingCheck) return;
  if (QueryMeetingInProgress()) MuteForMeeting();
}
