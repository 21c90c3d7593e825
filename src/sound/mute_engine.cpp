#include "sound/mute_engine.h"

#include <cwchar>
#include <string>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/program.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "common/tray_icon.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "meetings/meeting_watch.h"
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

// While a mute runs, the state to come back to is also kept in the settings key: a run of the
// program that ends without giving the sound back (killed, crashed) loses none of it, also not
// the values the shell keeps no copy of (a phone's ring volume and ear coupling).
const wchar_t* KeptStateKeyPath() {
  static const std::wstring path = std::wstring(kSettingsKeyPath) + L"\\SavedSound";
  return path.c_str();
}

struct KeptValue {
  const wchar_t* name;
  DWORD SoundState::*field;
};
constexpr KeptValue kKeptValues[] = {
    {L"Volume", &SoundState::Volume},      {L"Mute", &SoundState::Mute},
    {L"Screen", &SoundState::Screen},      {L"Key", &SoundState::Key},
    {L"Ringer", &SoundState::Ringer},      {L"InitVol", &SoundState::InitVol},
    {L"EarCouple", &SoundState::EarCouple}};

void KeepSavedState() {
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, KeptStateKeyPath(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  const SoundState& saved = MuteState.SavedSoundState;
  for (const KeptValue& v : kKeptValues) SetDwordValue(key.get(), v.name, saved.*v.field);
  if (MuteState.RingToneSaved) {
    SetStringValue(key.get(), L"SavedSound", saved.SavedSound);
  } else {
    RegDeleteValueW(key.get(), L"SavedSound");
  }
}

// The state a mute of an earlier run kept, into the saved state; false (and nothing changed)
// when there is none or it cannot be read whole.
bool RecallSavedState() {
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, KeptStateKeyPath(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  SoundState kept = MuteState.SavedSoundState;
  for (const KeptValue& v : kKeptValues) {
    if (ReadDwordValue(key.get(), v.name, &(kept.*v.field)) != ERROR_SUCCESS) return false;
  }
  const bool tone = ReadStringValue(key.get(), L"SavedSound", kept.SavedSound,
                                    kSoundTextChars - 1) == ERROR_SUCCESS;
  MuteState.SavedSoundState = kept;
  MuteState.RingToneSaved = tone && DeviceProfile.HasPhone;
  MuteState.SoundStateSaved = true;
  return true;
}

void ForgetSavedState() {
  RegDeleteKeyW(HKEY_CURRENT_USER, KeptStateKeyPath());
  MuteState.LostMutePending = false;
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

// What a mute that starts now comes back to: what the mute of a run that ended without giving
// the sound back kept (with what the user changed since), or else the device's state now.
void TakeStateToComeBackTo(bool takeOver) {
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
    // The filter holds muting off: the silence is given back, as the owner's own sound that the
    // silence kept (a lost mute's kept sound where the silence is one), never as a default.
    if (!MuteState.Muted) TakeStateToComeBackTo(true);
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
  ForgetSavedState();
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

void RecallLostMute() {
  RegKey key;
  MuteState.LostMutePending =
      RegOpenKeyExW(HKEY_CURRENT_USER, KeptStateKeyPath(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void RepairAfterLostMute() {
  if (!MuteState.LostMutePending || MuteState.Muted) return;
  // The device sounds again without this run having muted it: what the lost mute silenced and
  // nobody has changed since goes back, as a restore would have given it.
  if (RecallSavedState()) {
    // The wave volume sounds already, at a volume the owner chose since.
    DWORD wave = 0;
    if (GetWaveVolume(&wave) && wave != 0) MuteState.SavedSoundState.Volume = wave;
    RestoreDeviceSound();
    SetWaveVolume(MuteState.SavedSoundState.Volume);
    RefreshSoundSettings();
  }
  MuteState.SoundStateSaved = false;
  MuteState.RingToneSaved = false;
  ForgetSavedState();
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
  // The look runs on a thread of its own and reports to the main window; only when no thread
  // can be had is it taken here and now.
  if (Program.MainWindow && StartMeetingLook(Program.MainWindow, WM_MEETING_LOOK_DONE)) return;
  if (MeetingLookRunning()) return;
  if (QueryMeetingInProgress()) MuteForMeeting();
}

void OnMeetingLookDone() {
  const std::optional<bool> inMeeting = TakeFinishedMeetingLook();
  if (!inMeeting || !*inMeeting) return;
  // The look was started while no mute ran: a mute that began meanwhile stays as it is, and a
  // link switched off meanwhile mutes nothing.
  if (MuteState.Muted || !Settings.EnablePOLink) return;
  MuteForMeeting();
}
