#include "sound/mute_engine.h"

#include <cwchar>
#include <string>

#include "common/clock.h"
#include "common/journal.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "sound/kept_mute.h"

namespace {
MuteStateRecord g_mute;
}  // namespace
const MuteStateRecord& MuteState = g_mute;

void ResetMuteState() { g_mute = MuteStateRecord{}; }

namespace {

constexpr DWORD kSilencedEarCouple = 4;
constexpr DWORD kRestoredEarCouple = 1;
constexpr DWORD kTakenOverRingVolume = 5;

const SoundKeyNames& Keys() { return DeviceProfile.SoundKeys; }

// A volume of 0 given as the audible one would give nothing audible back.
DWORD AudibleVolume(const SoundStyle& style) {
  return style.audibleVolume != 0 ? style.audibleVolume : kAudibleVolume;
}

void KeepReason(std::wstring_view reason) {
  const size_t n = reason.size() < kMuteReasonChars - 1 ? reason.size() : kMuteReasonChars - 1;
  reason.copy(g_mute.Reason, n);
  g_mute.Reason[n] = L'\0';
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
  KeptMute kept{g_mute.SavedSoundState, g_mute.SavedFields, g_mute.RingToneSaved};
  if (!ReadKeptMute(kept)) return false;
  g_mute.SavedSoundState = kept.state;
  g_mute.SavedFields = kept.fields;
  g_mute.RingToneSaved = kept.ringTone && DeviceProfile.HasPhone;
  g_mute.SoundStateSaved = true;
  return true;
}

void KeepSavedState() {
  KeepMuteCopy({g_mute.SavedSoundState, g_mute.SavedFields, g_mute.RingToneSaved});
}

void ForgetSavedState() {
  ForgetKeptMute();
  g_mute.LostMutePending = false;
}

// A ring tone the owner chose: not one of the shell's markers, and not empty, which names no
// tone at all. Only such a tone becomes the one to come back to.
bool NamesATone(const wchar_t* tone) { return tone[0] != L'\0' && !IsRingToneMarker(tone); }

void SaveDeviceState(bool takeOver) {
  SoundState& saved = g_mute.SavedSoundState;
  SoundFields& read = g_mute.SavedFields;
  read = 0;
  DWORD wave = 0;
  const bool waveRead = !takeOver && GetWaveVolume(&wave);
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

  g_mute.RingToneSaved = false;
  if (DeviceProfile.HasPhone) {
    bool soundRead = false;
    const LONG status = ReadRingTone(Keys().RingTone, saved, &soundRead);
    if (soundRead && NamesATone(saved.Sound)) {
      wcscpy(saved.SavedSound, saved.Sound);
      g_mute.RingToneSaved = true;
    } else if (soundRead && status == ERROR_SUCCESS && saved.SavedSound[0] != L'\0') {
      // A marker or an empty text never replaces the ring tone kept in SavedSound.
      g_mute.RingToneSaved = true;
    }
  }

  if (IsPocketPc2003Phone()) {
    ReadRingVolume(Keys().RingCategory, saved, &read);
    if (takeOver && saved.InitVol == 0) saved.InitVol = kTakenOverRingVolume;
    ReadEarCouple(Keys().EarCouple, saved, &read);
    if (saved.EarCouple == kSilencedEarCouple) saved.EarCouple = kRestoredEarCouple;
  }
  g_mute.SoundStateSaved = true;
}

// With nothing saved, only the volume comes back and the ringer is switched on; every other
// value stays as the user has it.
bool RestoreVolumeOnly(const SoundStyle& style) {
  g_mute.SavedSoundState.Volume = AudibleVolume(style);
  if (IsOlderPlatform()) {
    WriteOneDword(Keys().VolumeUnmuted, kVolumeValue, g_mute.SavedSoundState.Volume);
  } else {
    WriteOneDword(Keys().ShellOverrides, kModeValue, kRingerModeRing);
  }
  WriteOneDword(Keys().Volume, kVolumeValue, g_mute.SavedSoundState.Volume);
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
    if ((g_mute.SavedFields & field) && now != silenced) target = now;
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
  if (DeviceProfile.HasPhone && g_mute.RingToneSaved) {
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
  if (g_mute.LostMutePending && RecallSavedState()) {
    g_mute.LostMutePending = false;
    KeepUserEdits(g_mute.SavedSoundState);
    return;
  }
  SaveDeviceState(takeOver);
}

}  // namespace

bool VolumeIsZero() {
  DWORD volume = 0;
  return GetWaveVolume(&volume) && volume == 0;
}

void SilenceDevice(bool takeOver, const SoundStyle& style) {
  if (g_mute.Muted) {
    // Silenced again: what the user changed in between is kept to come back to.
    if (g_mute.SoundStateSaved) KeepUserEdits(g_mute.SavedSoundState);
  } else {
    // A silence that is the mute of a run that ended without giving the sound back carries on
    // with what that mute kept.
    TakeStateToComeBackTo(takeOver);
  }
  KeepSavedState();

  // Only values holding the owner's sound are silenced: one that could not be read has nothing
  // to come back to. The live volume follows the wave volume, and the ringer mode is the
  // program's own switch.
  const SoundFields owners = g_mute.SavedFields;
  if (IsOlderPlatform()) {
    // The shell's unmuted key holds what the shell gives back; it is kept equal to what this
    // mute comes back to (a taken-over silence's key may be behind it: the mute of a run that
    // ended without giving the sound back, and what the owner changed since, came back to).
    WriteVolumeKey(Keys().VolumeUnmuted, g_mute.SavedSoundState, owners);
    WriteVolumeKey(Keys().Volume, MutedSoundState, owners | kSoundVolume);
    return;
  }
  g_mute.SavedSoundState.Mode = style.toVibrate ? kRingerModeVibrate : kRingerModeOff;
  if (IsPocketPc2003Phone()) {
    WriteRingVolume(Keys().RingCategory, MutedSoundState, owners);
    WriteEarCouple(Keys().EarCouple, MutedSoundState, owners);
  }
  WriteShellSaved(Keys().ShellOverrides, g_mute.SavedSoundState, owners | kSoundMode);
  WriteVolumeKeyNoMute(Keys().Volume, MutedSoundState, owners | kSoundVolume);
}

bool RestoreDeviceSound(const SoundStyle& style) {
  if (!g_mute.SoundStateSaved) return RestoreVolumeOnly(style);

  SoundState& saved = g_mute.SavedSoundState;
  KeepUserEdits(saved);
  // What could not be read at the start of the mute is not given back: the values are left as
  // they are, and the volume, which must come back, comes back audible.
  const SoundFields owners = g_mute.SavedFields;
  bool inaudible = false;
  if (!(owners & kSoundVolume)) {
    saved.Volume = AudibleVolume(style);
  } else if (saved.Volume == 0) {
    saved.Volume = AudibleVolume(style);
    inaudible = true;
  }
  if (style.mutedClassesInaudible && (owners & kSoundMute) && saved.Mute == 0) inaudible = true;
  if (IsOlderPlatform()) {
    WriteVolumeKey(Keys().VolumeUnmuted, saved, owners);
    WriteVolumeKey(Keys().Volume, saved, owners | kSoundVolume);
    return inaudible;
  }
  saved.Mode = kRingerModeRing;
  if (DeviceProfile.HasPhone) {
    // A ring tone that was never read is not written: it would wipe the user's.
    if (g_mute.RingToneSaved) {
      wcscpy(saved.Sound, saved.SavedSound);
      WriteRingTone(Keys().RingTone, saved);
    }
    if (DeviceProfile.IsPocketPcV4) {
      WriteRingVolume(Keys().RingCategory, saved, owners);
      WriteEarCouple(Keys().EarCouple, saved, owners);
      if (saved.Ringer == 0) saved.Ringer = AudibleVolume(style);
    }
  }
  WriteShellSaved(Keys().ShellOverrides, saved, owners | kSoundMode);
  WriteVolumeKeyNoMute(Keys().Volume, saved, owners | kSoundVolume);
  return inaudible;
}

namespace {

// Silences for a mute that begins, or again for the running one; journals what changed.
void Silence(const wchar_t* kind, ChangeCause cause, bool takeOver, const SoundStyle& style,
             const MuteLength* length) {
  const bool wasMuted = g_mute.Muted;
  const JournalSound before = ReadJournalSound();
  SilenceDevice(takeOver, style);
  if (length) {
    g_mute.MuteUntil = length->until;
    g_mute.ExtendToPowerOn = length->toPowerOn;
  }
  SetWaveVolume(0);
  RefreshSoundSettings();
  g_mute.Muted = true;
  g_mute.UserRestoreAllowed = style.ownerMayRestore;
  if (!wasMuted) {
    g_mute.BegunFor = cause;
    g_mute.EndAwaitsLook = false;
    const std::wstring reason = JournalSoundChange(kind, cause, before);
    // The test tone's moment of sound leaves the mute's reason as it was.
    if (cause != ChangeCause::TestTone) KeepReason(reason);
  } else if (before.waveRead && before.wave != 0) {
    JournalSoundChange(kJournalVolumeUndone, cause, before);
  }
}

}  // namespace

void MuteNow(ChangeCause cause, const MuteLength& length, const SoundStyle& style, SaveFrom from) {
  Silence(kJournalSilenced, cause, from == SaveFrom::ShellSaved, style, &length);
}

void AdoptUserMute(ChangeCause cause, const MuteLength& length, const SoundStyle& style) {
  // A repeated call on a running mute keeps its end.
  Silence(kJournalTakenOver, cause, true, style, g_mute.Muted ? nullptr : &length);
}

void TakeSilenceToGiveBack() {
  if (!g_mute.Muted) TakeStateToComeBackTo(true);
}

void NameRunningMute(ChangeCause cause, std::wstring_view reason) {
  g_mute.BegunFor = cause;
  g_mute.EndAwaitsLook = false;
  if (!reason.empty()) KeepReason(reason);
}

void HoldForLook(ChangeCause endCause) {
  g_mute.EndAwaitsLook = true;
  g_mute.EndCause = endCause;
}

void KeepMuteFor(const MuteLength& length) {
  g_mute.MuteUntil = length.until;
  g_mute.ExtendToPowerOn = length.toPowerOn;
}

void CarryOn(ChangeCause cause, const MuteLength& length, bool ownerMayRestore) {
  g_mute.MuteUntil = length.until;
  g_mute.ExtendToPowerOn = length.toPowerOn;
  g_mute.UserRestoreAllowed = ownerMayRestore;
  g_mute.EndAwaitsLook = false;
  g_mute.BegunFor = cause;
  KeepReason(JournalSoundChange(kJournalCarriedOn, cause, ReadJournalSound()));
}

RestoreReport RestoreSound(ChangeCause cause, const SoundStyle& style) {
  // An unreadable volume counts as audible: there is nothing to give back then.
  DWORD volume = 1;
  GetWaveVolume(&volume);
  if (!g_mute.Muted && volume != 0) return {};
  const JournalSound before = ReadJournalSound();
  g_mute.Muted = false;
  g_mute.UserRestoreAllowed = false;
  g_mute.EndAwaitsLook = false;

  const bool inaudible = RestoreDeviceSound(style);
  ForgetSavedState();
  g_mute.SoundStateSaved = false;
  g_mute.RingToneSaved = false;
  g_mute.SavedFields = 0;
  SetWaveVolume(g_mute.SavedSoundState.Volume);
  RefreshSoundSettings();
  JournalSoundChange(kJournalSoundBack, cause, before);
  // The test tone's moment of sound leaves the mute's reason as it was.
  if (cause != ChangeCause::TestTone) g_mute.Reason[0] = L'\0';
  return {true, inaudible};
}

void RecallLostMute() { g_mute.LostMutePending = KeptMuteExists(); }

void RepairAfterLostMute(const SoundStyle& style) {
  if (!g_mute.LostMutePending || g_mute.Muted) return;
  // The device sounds again without this run having muted it: what the lost mute silenced and
  // nobody has changed since goes back, as a restore would have given it.
  if (RecallSavedState()) {
    const JournalSound before = ReadJournalSound();
    // A wave volume the owner has raised since stays.
    DWORD wave = 0;
    if (GetWaveVolume(&wave) && wave != 0) {
      g_mute.SavedSoundState.Volume = wave;
      g_mute.SavedFields |= kSoundVolume;
    }
    RestoreDeviceSound(style);
    SetWaveVolume(g_mute.SavedSoundState.Volume);
    RefreshSoundSettings();
    JournalSoundChange(kJournalLostMuteUndone, ChangeCause::Unstated, before);
  }
  g_mute.SoundStateSaved = false;
  g_mute.RingToneSaved = false;
  g_mute.SavedFields = 0;
  ForgetSavedState();
}
