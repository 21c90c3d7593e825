#include "sound/mute_engine.h"

#include <cwchar>

#include "app/startup.h"
#include "app/tray_icon.h"
#include "appfilter/app_filter.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/handheld.h"
#include "settings/settings.h"

bool Muted = false;
bool ExtendToPowerOn = false;
bool UserRestoreAllowed = false;
ULONGLONG MuteUntil = 0;
SoundState SavedSoundState;
bool SoundStateSaved = false;
bool RingToneSaved = false;

namespace {

constexpr DWORD kSilencedEarCouple = 4;
constexpr DWORD kRestoredEarCouple = 1;
constexpr DWORD kTakenOverRingVolume = 5;

DWORD ProtectedOrAudibleVolume() {
  return Settings.SoundProtection.Enabled ? Settings.SPVolume : kAudibleVolume;
}

void ShowStateIcon(int iconId) { SetTrayIcon(TrayOperation::Modify, iconId); }

void ShowMutedIcon() { ShowStateIcon(UserRestoreAllowed ? IDI_MUTED_USER_RESTORE : IDI_MUTED); }

// A single value in an existing key; a missing key or value is left alone.
void WriteOneDword(const wchar_t* keyPath, const wchar_t* name, DWORD value) {
  if (!keyPath) return;
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_WRITE, key.put()) != ERROR_SUCCESS) return;
  SetDwordValue(key.get(), name, value);
}

void SaveDeviceState(bool takeOver) {
  SoundState& saved = SavedSoundState;
  DWORD wave = 0;
  const bool waveRead = !takeOver && GetWaveVolume(&wave);
  // A device that is silent already (silenced by hand, or left silent by a run of the program
  // that ended without giving the sound back) holds silenced live values: what to come back to
  // is what the silence saved, as for a user mute.
  if (waveRead && wave == 0) takeOver = true;
  if (takeOver) {
    if (IsOlderPlatform()) {
      ReadVolumeKey(SoundKeys.VolumeUnmuted, saved);
    } else {
      ReadShellSaved(SoundKeys.ShellOverrides, saved);
    }
  } else {
    ReadVolumeKey(SoundKeys.Volume, saved);
    // The live wave volume wins over the registry's copy.
    if (waveRead) saved.Volume = wave;
  }

  RingToneSaved = false;
  if (HasPhone) {
    bool soundRead = false;
    const LONG status = ReadRingTone(SoundKeys.RingTone, saved, &soundRead);
    if (soundRead && !IsRingToneMarker(saved.Sound)) {
      wcscpy(saved.SavedSound, saved.Sound);
      RingToneSaved = true;
    } else if (soundRead && status == ERROR_SUCCESS && saved.SavedSound[0] != L'\0') {
      // A marker never replaces the ring tone kept in SavedSound.
      RingToneSaved = true;
    }
  }

  if (IsPocketPc2003Phone()) {
    ReadRingVolume(SoundKeys.RingCategory, saved);
    if (takeOver && saved.InitVol == 0) saved.InitVol = kTakenOverRingVolume;
    ReadEarCouple(SoundKeys.EarCouple, saved);
    if (saved.EarCouple == kSilencedEarCouple) saved.EarCouple = kRestoredEarCouple;
  }
  SoundStateSaved = true;
}

// With nothing saved, only the volume comes back and the ringer is switched on; every other
// value stays as the user has it.
bool RestoreVolumeOnly() {
  SavedSoundState.Volume = ProtectedOrAudibleVolume();
  if (IsOlderPlatform()) {
    WriteOneDword(SoundKeys.VolumeUnmuted, L"Volume", SavedSoundState.Volume);
  } else {
    WriteOneDword(SoundKeys.ShellOverrides, L"Mode", kRingerModeRing);
  }
  WriteOneDword(SoundKeys.Volume, L"Volume", SavedSoundState.Volume);
  return true;
}

void WarnInaudibleRestore() {
  ShowMessageBox(nullptr, kInaudibleRestoreText, kInaudibleRestoreCaption,
                 MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
  ShellExecuteProgram(kSoundAppletProgram, L"open", kSoundAppletParameters);
}

}  // namespace

ULONGLONG TimeFromNow(DWORD seconds) {
  SYSTEMTIME utc{};
  GetDeviceSystemTime(&utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  const ULONGLONG now = (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
  return now + ULONGLONG{seconds} * 10'000'000ULL;
}

bool VolumeIsZero() {
  DWORD volume = 0;
  return GetWaveVolume(&volume) && volume == 0;
}

void SilenceDevice(bool takeOver) {
  if (!Muted) SaveDeviceState(takeOver);

  if (IsOlderPlatform()) {
    if (!takeOver) WriteVolumeKey(SoundKeys.VolumeUnmuted, SavedSoundState);
    WriteVolumeKey(SoundKeys.Volume, MutedSoundState);
    return;
  }
  SavedSoundState.Mode = Settings.MuteToVibrate ? kRingerModeVibrate : kRingerModeOff;
  if (IsPocketPc2003Phone()) {
    WriteRingVolume(SoundKeys.RingCategory, MutedSoundState);
    WriteEarCouple(SoundKeys.EarCouple, MutedSoundState);
  }
  WriteShellSaved(SoundKeys.ShellOverrides, SavedSoundState);
  WriteVolumeKeyNoMute(SoundKeys.Volume, MutedSoundState);
}

bool RestoreDeviceSound() {
  if (!SoundStateSaved) return RestoreVolumeOnly();

  SoundState& saved = SavedSoundState;
  bool inaudible = false;
  if (saved.Volume == 0) {
    saved.Volume = ProtectedOrAudibleVolume();
    inaudible = true;
  }
  if (Settings.SoundProtection.Enabled && Settings.SoundProtection.WarnOnly && saved.Mute == 0) {
    inaudible = true;
  }
  if (IsOlderPlatform()) {
    WriteVolumeKey(SoundKeys.VolumeUnmuted, saved);
    WriteVolumeKey(SoundKeys.Volume, saved);
    return inaudible;
  }
  saved.Mode = kRingerModeRing;
  if (HasPhone) {
    // A ring tone that was never read is not written: it would wipe the user's.
    if (RingToneSaved) {
      wcscpy(saved.Sound, saved.SavedSound);
      WriteRingTone(SoundKeys.RingTone, saved);
    }
    if (IsPocketPcV4) {
      WriteRingVolume(SoundKeys.RingCategory, saved);
      WriteEarCouple(SoundKeys.EarCouple, saved);
      if (saved.Ringer == 0) saved.Ringer = ProtectedOrAudibleVolume();
    }
  }
  WriteShellSaved(SoundKeys.ShellOverrides, saved);
  WriteVolumeKeyNoMute(SoundKeys.Volume, saved);
  return inaudible;
}

void MuteNow() {
  if (FilterHold) {
    if (Muted) {
      RestoreSound();
    } else {
      ShowStateIcon(IDI_FILTER_HOLD);
    }
    return;
  }
  SilenceDevice(false);
  SetWaveVolume(0);
  RefreshSoundSettings();
  Muted = true;
  UserRestoreAllowed = Settings.UserUnMute == 2;
  ShowMutedIcon();
}

void AdoptUserMute() {
  if (FilterHold) {
    RestoreSound();
    return;
  }
  SilenceDevice(true);
  if (!Muted) {
    MuteUntil = TimeFromNow(Settings.UserMuteTime);
    ExtendToPowerOn = Settings.UserMuteTime == 0 ? true : Settings.ExtendMuteDefault;
  }
  SetWaveVolume(0);
  RefreshSoundSettings();
  Muted = true;
  UserRestoreAllowed = Settings.UserUnMute != 0;
  ShowMutedIcon();
}

void RestoreSound() {
  // An unreadable volume counts as audible: there is nothing to give back then.
  DWORD volume = 1;
  GetWaveVolume(&volume);
  if (!Muted && volume != 0) {
    if (FilterHold) ShowStateIcon(IDI_FILTER_HOLD);
    return;
  }
  Muted = false;
  MeetingState.InMeeting = false;
  UserRestoreAllowed = false;

  const bool inaudible = RestoreDeviceSound();
  SoundStateSaved = false;
  RingToneSaved = false;
  SetWaveVolume(SavedSoundState.Volume);
  RefreshSoundSettings();

  if (FilterHold) {
    ShowStateIcon(IDI_FILTER_HOLD);
  } else {
    FilteredAppRunning = false;
    ShowStateIcon(IDI_IDLE);
  }
  if (inaudible && Settings.SoundProtection.Enabled && Settings.SoundProtection.WarnOnly) {
    WarnInaudibleRestore();
  }
}

void CheckMuteExpiry() {
  if (FilterHold) {
    RestoreSound();
    return;
  }
  if (TimeFromNow(0) < MuteUntil) return;
  if (MeetingState.InMeeting && MuteUntil < MeetingState.MeetingEnd) {
    // Ends before the meeting in progress: no new mute for that same meeting.
    RestoreSound();
    return;
  }
  RestoreSound();
  CheckForMeeting();
}

void MuteForMeeting() {
  ExtendToPowerOn = Settings.ExtendMuteDefault;
  MuteUntil = MeetingState.MeetingEnd;
  MuteNow();
}

void CheckForMeeting() {
  if (!Settings.EnablePOLink) return;
  if (TimeFromNow(0) < MeetingState.NextMeetingCheck) return;
  if (QueryMeetingInProgress()) MuteForMeeting();
}
