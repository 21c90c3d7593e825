#include "sound/mute_engine.h"

#include <cwchar>
#include <string>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/journal.h"
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
  SoundFields bit;
};
constexpr KeptValue kKeptValues[] = {{L"Volume", &SoundState::Volume, kSoundVolume},
                                     {L"Mute", &SoundState::Mute, kSoundMute},
                                     {L"Screen", &SoundState::Screen, kSoundScreen},
                                     {L"Key", &SoundState::Key, kSoundKey},
                                     {L"Ringer", &SoundState::Ringer, kSoundRinger},
                                     {L"InitVol", &SoundState::InitVol, kSoundInitVol},
                                     {L"EarCouple", &SoundState::EarCouple, kSoundEarCouple}};

// Only the owner's values are kept; a value the mute could not read is not there.
void KeepSavedState() {
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, KeptStateKeyPath(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  const SoundState& saved = MuteState.SavedSoundState;
  for (const KeptValue& v : kKeptValues) {
    if (MuteState.SavedFields & v.bit) {
      SetDwordValue(key.get(), v.name, saved.*v.field);
    } else {
      RegDeleteValueW(key.get(), v.name);
    }
  }
  if (MuteState.RingToneSaved) {
    SetStringValue(key.get(), L"SavedSound", saved.SavedSound);
  } else {
    RegDeleteValueW(key.get(), L"SavedSound");
  }
}

// The state a mute of an earlier run kept, into the saved state; false (and nothing changed)
// when there is none or it cannot be read whole. A value that is not there was not the owner's.
bool RecallSavedState() {
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, KeptStateKeyPath(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  SoundState kept = MuteState.SavedSoundState;
  SoundFields fields = 0;
  for (const KeptValue& v : kKeptValues) {
    const LONG status = ReadDwordValue(key.get(), v.name, &(kept.*v.field));
    if (status == ERROR_SUCCESS) {
      fields |= v.bit;
    } else if (status != ERROR_FILE_NOT_FOUND) {
      return false;
    }
  }
  const bool tone = ReadStringValue(key.get(), L"SavedSound", kept.SavedSound,
                                    kSoundTextChars - 1) == ERROR_SUCCESS;
  MuteState.SavedSoundState = kept;
  MuteState.SavedFields = fields;
  MuteState.RingToneSaved = tone && DeviceProfile.HasPhone;
  MuteState.SoundStateSaved = true;
  return true;
}

void ForgetSavedState() {
  RegDeleteKeyW(HKEY_CURRENT_USER, KeptStateKeyPath());
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
    WriteOneDword(Keys().VolumeUnmuted, L"Volume", MuteState.SavedSoundState.Volume);
  } else {
    WriteOneDword(Keys().ShellOverrides, L"Mode", kRingerModeRing);
  }
  WriteOneDword(Keys().Volume, L"Volume", MuteState.SavedSoundState.Volume);
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
  if (FilterState.FilterHold) {
    if (MuteState.Muted) {
      RestoreSound(ChangeCause::FilteredApp);
    } else {
      ShowStateIcon(IDI_FILTER_HOLD);
    }
    return;
  }
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

void AdoptUserMute(ChangeCause cause) {
  if (FilterState.FilterHold) {
    // The filter holds muting off: the silence is given back, as the owner's own sound that the
    // silence kept (a lost mute's kept sound where the silence is one), never as a default.
    if (!MuteState.Muted) TakeStateToComeBackTo(true);
    RestoreSound(ChangeCause::FilteredApp);
    return;
  }
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

void RestoreSound(ChangeCause cause) {
  // An unreadable volume counts as audible: there is nothing to give back then.
  DWORD volume = 1;
  GetWaveVolume(&volume);
  if (!MuteState.Muted && volume != 0) {
    if (FilterState.FilterHold) ShowStateIcon(IDI_FILTER_HOLD);
    return;
  }
  const JournalSound before = ReadJournalSound();
  MuteState.Muted = false;
  EndMeetingInProgress();
  MuteState.UserRestoreAllowed = false;

  const bool inaudible = RestoreDeviceSound();
  ForgetSavedState();
  MuteState.SoundStateSaved = false;
  MuteState.RingToneSaved = false;
  MuteState.SavedFields = 0;
  SetWaveVolume(MuteState.SavedSoundState.Volume);
  RefreshSoundSettings();

  if (FilterState.FilterHold) {
    ShowStateIcon(IDI_FILTER_HOLD);
  } else {
    ForgetFilteredApp();
    ShowStateIcon(IDI_IDLE);
  }
  JournalSoundChange(kJournalSoundBack, cause, before);
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

void CheckMuteExpiry(ChangeCause cause) {
  if (FilterState.FilterHold) {
    RestoreSound(ChangeCause::FilteredApp);
    return;
  }
  if (TimeFromNow(0) < MuteState.MuteUntil) return;
  if (MeetingState.InMeeting && MuteState.MuteUntil < MeetingState.MeetingEnd) {
    // Ends before the meeting in progress: no new mute for that same meeting.
    RestoreSound(cause);
    return;
  }
  RestoreSound(cause);
  CheckForMeeting();
}

void MuteForMeeting() {
  MuteState.ExtendToPowerOn = Settings.ExtendMuteDefault;
  MuteState.MuteUntil = MeetingState.MeetingEnd;
  MuteNow(ChangeCause::Meeting);
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
