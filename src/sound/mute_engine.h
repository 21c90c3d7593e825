// Silencing the device and giving the sound back, and the mute state that goes with it.
#pragma once
#include <windows.h>

#include <string_view>

#include "sound/mute_state.h"
#include "sound/sound_journal.h"

// What the program does to the device's sound: saves it, silences it and gives it back, and
// reports what it did. Whether and when, and for how long, is decided by the mute policy
// (sound/mute_policy.h), which alone calls these; the engine reads no settings.

// What the owner's settings make of a silence and of the sound that comes back; the policy
// reads them and hands them over.
struct SoundStyle {
  bool toVibrate = false;                // the ringer goes to vibrate rather than off
  bool ownerMayRestore = false;          // a volume raised during the mute ends it
  DWORD audibleVolume = kAudibleVolume;  // what comes back in place of a saved volume of 0
  bool mutedClassesInaudible = false;    // a saved sound-class mask of 0 counts as inaudible
};

// Where the sound to come back to is read when a mute begins.
enum class SaveFrom {
  Live,        // the device sounds: its live values
  ShellSaved,  // the device is silent already: what the shell kept of the sound before
};

// Each change the engine makes is one line of the journal, telling `cause`.
// The program's own mute (a meeting, the settings window): saves the device state (when no mute
// runs yet) and silences; the mute lasts `length`.
void MuteNow(ChangeCause cause, const MuteLength& length, const SoundStyle& style,
             SaveFrom from = SaveFrom::Live);
// Takes over a silence the user made by hand; the values to come back to are the shell's. A new
// mute lasts `length`; a running one keeps its own.
void AdoptUserMute(ChangeCause cause, const MuteLength& length, const SoundStyle& style);
// A silence the user made by hand is to be given back rather than taken over: what the silence
// kept (or a lost mute's kept sound, where the silence is one) becomes the state to come back to.
void TakeSilenceToGiveBack();
// The running mute is, from now on, for `cause` (the settings window's choice), told as `reason`
// (an empty one keeps the reason told); a look it waited for no longer decides its end.
void NameRunningMute(ChangeCause cause, std::wstring_view reason = {});
// The running mute's time has come (`endCause`: the tick's time or the power button); it waits
// for a look at the calendar before it ends.
void HoldForLook(ChangeCause endCause);
// The running mute lasts `length` from now; nothing else changes.
void KeepMuteFor(const MuteLength& length);
// The running mute goes on for `cause` (a meeting in progress), lasting `length` from now, with
// no change to the sound; one line of the journal tells it.
void CarryOn(ChangeCause cause, const MuteLength& length, bool ownerMayRestore);

// What a restore did.
struct RestoreReport {
  bool gaveBack = false;   // a mute ended, or a silence was given back
  bool inaudible = false;  // what came back had to be made audible, or would be inaudible
};
// Gives back the saved state and ends the mute.
RestoreReport RestoreSound(ChangeCause cause, const SoundStyle& style);
// At start-up: no mute runs; whether an earlier run ended during a mute (see LostMutePending).
void ResetMuteState();
void RecallLostMute();
// Gives back what such a mute left silenced, once the device sounds and no mute runs.
void RepairAfterLostMute(const SoundStyle& style);

// True when the wave volume of device 0 is exactly 0; false also when it cannot be read.
bool VolumeIsZero();

// Saves the state (only when not muted yet) and writes the silenced values. With `takeOver`
// the state to come back to is read from the shell's saved values rather than the live ones.
void SilenceDevice(bool takeOver, const SoundStyle& style);
// Writes the saved state back; true when what it gives back would be inaudible.
bool RestoreDeviceSound(const SoundStyle& style);
