// The mute state: whether the program holds the device silent, until when, and the sound to come
// back to.
#pragma once
#include <windows.h>

#include "sound/sound_state.h"

// Why the mute engine changes the sound.
enum class ChangeCause {
  Unstated,
  Meeting,         // a meeting in progress (its subject and categories are told)
  SettingsWindow,  // the settings window opened, or closed giving the sound back
  WindowChoice,    // the settings window closed with a mute
  TestTone,        // the Sound page's test tone
  HandSilence,     // the owner silenced the device by hand
  LostMute,        // the silence a run that ended during a mute left
  RaisedVolume,    // the owner raised the volume during the mute
  MuteTime,        // the mute's end time came
  PowerButton,     // the power button, after the mute's end time
  FilteredApp,     // a listed application holds muting off (its name is told)
  ProgramEnd,      // the program ends
  QuietHours,      // the owner's quiet hours
  MeetingGone,     // the meeting silenced for is no longer in the calendar as it was
};

// How long a mute lasts: what the mute policy decides and hands to the engine when a mute begins.
struct MuteLength {
  ULONGLONG until = 0;     // UTC file time at which it is due to end
  bool toPowerOn = false;  // the check tick leaves it running past `until`, to the next power-on
};

inline constexpr size_t kMuteReasonChars = 200;

struct MuteStateRecord {
  bool Muted = false;               // the device is silenced by this program
  bool ExtendToPowerOn = false;     // the check tick leaves the mute running past MuteUntil
  bool UserRestoreAllowed = false;  // a raised volume ends the mute instead of being undone
  ULONGLONG MuteUntil = 0;          // UTC file time at which the mute is due to end
  // The device state to come back to, filled when a mute starts.
  SoundState SavedSoundState;
  // SavedSoundState holds a state read at the start of the mute not yet given back.
  bool SoundStateSaved = false;
  // The ring tone in SavedSoundState.SavedSound was read at the start of that mute.
  bool RingToneSaved = false;
  // An earlier run ended during a mute and left values the shell does not keep silenced; they
  // go back once the device sounds again without a mute.
  bool LostMutePending = false;
  // The number fields of SavedSoundState that hold the owner's values: read at the start of the
  // mute, or changed by the user during it. Only these are silenced and given back; a value that
  // could not be read is left as it is.
  SoundFields SavedFields = 0;
  // What the running mute is for: what began it, or what carries it on since (a meeting, the
  // settings window's choice).
  ChangeCause BegunFor = ChangeCause::Unstated;
  // What the running mute began for, as the journal told it; empty when unknown.
  wchar_t Reason[kMuteReasonChars] = {};
  // The mute's time has come (EndCause: the tick's time or the power button), and it ends unless
  // a look at the calendar finds a meeting in progress that carries it on.
  bool EndAwaitsLook = false;
  ChangeCause EndCause = ChangeCause::Unstated;

  MuteLength Length() const { return {MuteUntil, ExtendToPowerOn}; }
};

// Read-only. Written only by the mute engine (sound/mute_engine.h), on the mute policy's word.
extern const MuteStateRecord& MuteState;
