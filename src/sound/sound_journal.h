// The journal's lines about the device's sound: what the mute engine, sound protection and the
// settings window changed, why, and the volume and ringer mode before and after, in the words the
// owner sees them in (platform/sound_words.h). Only a change writes; nothing here runs while
// nothing changes.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "sound/mute_state.h"
#include "sound/sound_state.h"

// The values a line shows: the live wave volume and, where the shell keeps one, its ringer mode.
struct JournalSound {
  bool waveRead = false;
  DWORD wave = 0;
  bool modeRead = false;
  DWORD mode = 0;
};
JournalSound ReadJournalSound();
// "volume 40%, ringer ring" for the sound now.
std::wstring DescribeSoundNow();

// A line for a change the mute engine has just made, `before` read before it: kJournalSilenced or
// kJournalTakenOver (a mute began: its reason and end are told, and returned for the engine to
// keep for the line that ends it), kJournalCarriedOn (as those, without the sound's values, which
// do not change), kJournalVolumeUndone, kJournalSoundBack (with the reason the
// running mute began for) or kJournalLostMuteUndone.
std::wstring JournalSoundChange(const wchar_t* kind, ChangeCause cause,
                                const JournalSound& before) noexcept;
// The settings window's choice: restore, cancel, exit, or a mute and its end.
void JournalWindowChoice(std::wstring_view choice) noexcept;
// Sound protection put the protected values of `live` back.
void JournalProtectedRepair(const SoundState& live) noexcept;

// How long a mute lasts: "until 10:45", "until 10:45, then to the next power-on" or "until the
// next power-on".
std::wstring JournalMuteEnd(const MuteLength& length);
// The meeting in progress: its subject and categories, cut to fit.
std::wstring JournalMeeting();

// A time of the device for a line: "10:45" today, "2026-12-08 10:45" on another day.
std::wstring JournalTimeOf(ULONGLONG utc);
