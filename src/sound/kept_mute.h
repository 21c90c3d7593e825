// The copy of a running mute kept in the settings key: what the mute comes back to, so that a
// run of the program that ends without giving the sound back (killed, crashed) loses none of it,
// also not the values the shell keeps no copy of (a phone's ring volume and ear coupling).
#pragma once
#include <windows.h>

#include "sound/sound_state.h"

// What a mute comes back to: the owner's values (`fields`; a value the mute could not read is not
// the owner's) and, when it was read, the ring tone in SavedSound.
struct KeptMute {
  SoundState state;
  SoundFields fields = 0;
  bool ringTone = false;
};

// Writes the copy of the running mute.
void KeepMuteCopy(const KeptMute& mute);
// Reads the copy an earlier run kept into `mute` (fields that are not kept stay as they are);
// false, and `mute` unchanged, when there is none or it cannot be read whole.
bool ReadKeptMute(KeptMute& mute);
// A copy is kept: the run that kept it ended during its mute, unless this run kept it.
bool KeptMuteExists();
void ForgetKeptMute();
