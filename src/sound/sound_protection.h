// Sound protection: puts the user's protected screen-tap, button and (on an older platform)
// sound-class settings back when they change, and stores the protection settings.
#pragma once
#include <windows.h>

struct SoundProtectionStateRecord {
  // UTC file time of the last time the check put values back; 0 until then. Not stored.
  ULONGLONG LastProtected = 0;
};
// Read-only. Written only by sound protection's check.
extern const SoundProtectionStateRecord& SoundProtectionState;
// Also lets go of the volume key that the check keeps open between ticks.
void ResetSoundProtectionState();

// One run of the periodic check (once per check tick). Does nothing while the program holds the
// device silent, or unless protection is on in "Protect my settings" mode. The sound-class mask
// is protected only on an older platform; a Pocket PC's mask belongs to its shell and is neither
// compared nor written. Acts only on a complete read of the live values, so a key it cannot read
// whole is never written from guesses; the volume and ring volume go back as they were read.
// The volume key stays open from one check to the next (opened again when a read through it
// fails), so a check with nothing to repair opens no key.
void ProtectSoundSettings();
