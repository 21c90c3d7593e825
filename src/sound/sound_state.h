// One complete set of the device's sound values, and the registry operations that move it to and
// from the ControlPanel keys under HKEY_CURRENT_USER.
#pragma once
#include <windows.h>

#include <cstddef>

#include "platform/sound_words.h"  // the ring tone's markers

inline constexpr size_t kSoundTextChars = 261;  // 260 characters and the terminator

// Field names are the registry value names they are stored under.
struct SoundState {
  DWORD Volume = 0;     // volume word: left channel low 16 bits, right channel high 16 bits
  DWORD Mute = 0;       // enabled sound classes: 4 events, 2 programs, 1 notifications
  DWORD Screen = 0;     // screen-tap sound: 0 off, 1 soft, 0x00010002 loud
  DWORD Key = 0;        // hardware-button sound, same encoding as Screen
  DWORD Mode = 0;       // shell ringer mode: 0 ring, 1 vibrate, 2 off
  DWORD Ringer = 0;     // ring volume word (Pocket PC 2003 phone)
  DWORD InitVol = 0;    // initial volume of the ring sound category (Pocket PC 2003 phone)
  DWORD EarCouple = 0;  // (Pocket PC 2003 phone)
  wchar_t Sound[kSoundTextChars] = {};       // ring tone: a file path, "*none*" or "*vibrate*"
  wchar_t SavedSound[kSoundTextChars] = {};  // ring tone to return to when the ringer comes back
};

inline constexpr DWORD kAudibleVolume = 0x66666666;
inline constexpr DWORD kRingerModeRing = 0;
inline constexpr DWORD kRingerModeVibrate = 1;
inline constexpr DWORD kRingerModeOff = 2;

// The silenced values. Never modified.
extern const SoundState MutedSoundState;

// A set of the record's number fields, one bit each.
using SoundFields = unsigned;
inline constexpr SoundFields kSoundVolume = 1u << 0;
inline constexpr SoundFields kSoundMute = 1u << 1;
inline constexpr SoundFields kSoundScreen = 1u << 2;
inline constexpr SoundFields kSoundKey = 1u << 3;
inline constexpr SoundFields kSoundMode = 1u << 4;
inline constexpr SoundFields kSoundRinger = 1u << 5;
inline constexpr SoundFields kSoundInitVol = 1u << 6;
inline constexpr SoundFields kSoundEarCouple = 1u << 7;
inline constexpr SoundFields kAllSoundFields = 0xFFu;

// Each operation opens `keyPath` under HKEY_CURRENT_USER (never creating it), handles its values
// in a fixed order and stops at the first value that fails; later values are skipped. A read that
// fails leaves its field as it was. A null `keyPath` (a key the platform lacks) fails like a
// missing key. The result is the first failure's status, or the close's status (0 on success).
// "Ringer" / "SavedRingerVolume" are handled only on a Pocket PC 2003 phone.
// A read adds the field of each value it took to `read`, when given. A write handles only the
// values whose field is in `only`; the others are skipped and stay as they are.

// "Volume", "Mute", "Screen", "Key", then "Ringer".
LONG ReadVolumeKey(const wchar_t* keyPath, SoundState& state, SoundFields* read = nullptr);
// "Volume", "Mute", "Screen", "Key" (never "Ringer").
LONG WriteVolumeKey(const wchar_t* keyPath, const SoundState& state,
                    SoundFields only = kAllSoundFields);
// "Volume", "Screen", "Key", then "Ringer" (never "Mute").
LONG WriteVolumeKeyNoMute(const wchar_t* keyPath, const SoundState& state,
                          SoundFields only = kAllSoundFields);
// "SavedVolume", "Mode", "SavedScreen", "SavedKey", then "SavedRingerVolume".
LONG ReadShellSaved(const wchar_t* keyPath, SoundState& state, SoundFields* read = nullptr);
LONG WriteShellSaved(const wchar_t* keyPath, const SoundState& state,
                     SoundFields only = kAllSoundFields);
// "InitVol".
LONG ReadRingVolume(const wchar_t* keyPath, SoundState& state, SoundFields* read = nullptr);
LONG WriteRingVolume(const wchar_t* keyPath, const SoundState& state,
                     SoundFields only = kAllSoundFields);
// "Sound", then "SavedSound" only when "Sound" was read. A stored text that does not fit in 259
// characters and its terminator fails to read. `soundRead`, when given, tells whether "Sound" was.
LONG ReadRingTone(const wchar_t* keyPath, SoundState& state, bool* soundRead = nullptr);
LONG WriteRingTone(const wchar_t* keyPath, const SoundState& state);
// "EarCouple".
LONG ReadEarCouple(const wchar_t* keyPath, SoundState& state, SoundFields* read = nullptr);
LONG WriteEarCouple(const wchar_t* keyPath, const SoundState& state,
                    SoundFields only = kAllSoundFields);

// True for the ring-tone markers "*none*" and "*vibrate*" (exact, case-sensitive).
bool IsRingToneMarker(const wchar_t* tone);
