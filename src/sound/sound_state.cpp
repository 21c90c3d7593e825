#include "sound/sound_state.h"

#include <cwchar>
#include <initializer_list>

#include "common/registry.h"
#include "common/scoped.h"
#include "platform/device_profile.h"

const SoundState MutedSoundState = [] {
  SoundState muted;
  muted.Mode = kRingerModeOff;
  muted.EarCouple = 4;
  wcscpy(muted.Sound, kRingToneNone);
  wcscpy(muted.SavedSound, kRingToneNone);
  return muted;
}();

namespace {

// One registry value of a record: its name and where it lives in the record.
struct DwordField {
  const wchar_t* name;
  DWORD SoundState::*field;
  SoundFields bit;
};

// Runs `body` on the opened key and closes it; the result is the body's failure or the close's.
template <typename Body>
LONG WithKey(const wchar_t* keyPath, REGSAM access, Body body) {
  if (!keyPath) return ERROR_FILE_NOT_FOUND;
  HKEY raw{};
  const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, access, &raw);
  if (opened != ERROR_SUCCESS) return opened;
  const LONG status = body(raw);
  const LONG closed = RegCloseKey(raw);
  return status != ERROR_SUCCESS ? status : closed;
}

LONG ReadDwords(const wchar_t* keyPath, SoundState& state, std::initializer_list<DwordField> fields,
                const DwordField* phoneOnly, SoundFields* read) {
  const auto readOne = [&](HKEY key, const DwordField& f) {
    const LONG status = ReadDwordValue(key, f.name, &(state.*f.field));
    if (status == ERROR_SUCCESS && read) *read |= f.bit;
    return status;
  };
  return WithKey(keyPath, KEY_READ, [&](HKEY key) -> LONG {
    for (const DwordField& f : fields) {
      if (const LONG status = readOne(key, f); status != 0) return status;
    }
    if (phoneOnly && IsPocketPc2003Phone()) return readOne(key, *phoneOnly);
    return ERROR_SUCCESS;
  });
}

LONG WriteDwords(const wchar_t* keyPath, const SoundState& state,
                 std::initializer_list<DwordField> fields, const DwordField* phoneOnly,
                 SoundFields only) {
  const auto writeOne = [&](HKEY key, const DwordField& f) -> LONG {
    if (!(only & f.bit)) return ERROR_SUCCESS;
    return SetDwordValue(key, f.name, state.*f.field);
  };
  return WithKey(keyPath, KEY_WRITE, [&](HKEY key) -> LONG {
    for (const DwordField& f : fields) {
      if (const LONG status = writeOne(key, f); status != 0) return status;
    }
    if (phoneOnly && IsPocketPc2003Phone()) return writeOne(key, *phoneOnly);
    return ERROR_SUCCESS;
  });
}

// A ring-tone text as stored: at most 259 characters, so that it reads back within 520 bytes.
LONG SetToneValue(HKEY key, const wchar_t* name, const wchar_t (&text)[kSoundTextChars]) {
  wchar_t bounded[kSoundTextChars - 1] = {};
  const size_t length = wcsnlen(text, kSoundTextChars - 2);
  wmemcpy(bounded, text, length);
  return SetStringValue(key, name, bounded);
}

// The read limit of a ring-tone text in characters, terminator included (520 bytes).
constexpr size_t kToneReadChars = kSoundTextChars - 1;

constexpr DwordField kVolume{kVolumeValue, &SoundState::Volume, kSoundVolume};
constexpr DwordField kMute{kMuteValue, &SoundState::Mute, kSoundMute};
constexpr DwordField kScreen{kScreenValue, &SoundState::Screen, kSoundScreen};
constexpr DwordField kKey{kKeyValue, &SoundState::Key, kSoundKey};
constexpr DwordField kRinger{kRingerValue, &SoundState::Ringer, kSoundRinger};
constexpr DwordField kSavedVolume{kSavedVolumeValue, &SoundState::Volume, kSoundVolume};
constexpr DwordField kMode{kModeValue, &SoundState::Mode, kSoundMode};
constexpr DwordField kSavedScreen{kSavedScreenValue, &SoundState::Screen, kSoundScreen};
constexpr DwordField kSavedKey{kSavedKeyValue, &SoundState::Key, kSoundKey};
constexpr DwordField kSavedRinger{kSavedRingerVolumeValue, &SoundState::Ringer, kSoundRinger};
constexpr DwordField kInitVol{kInitVolValue, &SoundState::InitVol, kSoundInitVol};
constexpr DwordField kEarCouple{kEarCoupleValue, &SoundState::EarCouple, kSoundEarCouple};

}  // namespace

LONG ReadVolumeKey(const wchar_t* keyPath, SoundState& state, SoundFields* read) {
  return ReadDwords(keyPath, state, {kVolume, kMute, kScreen, kKey}, &kRinger, read);
}

LONG WriteVolumeKey(const wchar_t* keyPath, const SoundState& state, SoundFields only) {
  return WriteDwords(keyPath, state, {kVolume, kMute, kScreen, kKey}, nullptr, only);
}

LONG WriteVolumeKeyNoMute(const wchar_t* keyPath, const SoundState& state, SoundFields only) {
  return WriteDwords(keyPath, state, {kVolume, kScreen, kKey}, &kRinger, only);
}

LONG ReadShellSaved(const wchar_t* keyPath, SoundState& state, SoundFields* read) {
  return ReadDwords(keyPath, state, {kSavedVolume, kMode, kSavedScreen, kSavedKey}, &kSavedRinger,
                    read);
}

LONG WriteShellSaved(const wchar_t* keyPath, const SoundState& state, SoundFields only) {
  return WriteDwords(keyPath, state, {kSavedVolume, kMode, kSavedScreen, kSavedKey}, &kSavedRinger,
                     only);
}

LONG ReadRingVolume(const wchar_t* keyPath, SoundState& state, SoundFields* read) {
  return ReadDwords(keyPath, state, {kInitVol}, nullptr, read);
}

LONG WriteRingVolume(const wchar_t* keyPath, const SoundState& state, SoundFields only) {
  return WriteDwords(keyPath, state, {kInitVol}, nullptr, only);
}

LONG ReadEarCouple(const wchar_t* keyPath, SoundState& state, SoundFields* read) {
  return ReadDwords(keyPath, state, {kEarCouple}, nullptr, read);
}

LONG WriteEarCouple(const wchar_t* keyPath, const SoundState& state, SoundFields only) {
  return WriteDwords(keyPath, state, {kEarCouple}, nullptr, only);
}

LONG ReadRingTone(const wchar_t* keyPath, SoundState& state, bool* soundRead) {
  if (soundRead) *soundRead = false;
  return WithKey(keyPath, KEY_READ, [&](HKEY key) -> LONG {
    if (const LONG status = ReadStringValue(key, kSoundValue, state.Sound, kToneReadChars);
        status != ERROR_SUCCESS) {
      return status;
    }
    if (soundRead) *soundRead = true;
    return ReadStringValue(key, kSavedSoundValue, state.SavedSound, kToneReadChars);
  });
}

LONG WriteRingTone(const wchar_t* keyPath, const SoundState& state) {
  return WithKey(keyPath, KEY_WRITE, [&](HKEY key) -> LONG {
    if (const LONG status = SetToneValue(key, kSoundValue, state.Sound); status != ERROR_SUCCESS) {
      return status;
    }
    return SetToneValue(key, kSavedSoundValue, state.SavedSound);
  });
}

bool IsRingToneMarker(const wchar_t* tone) {
  return wcscmp(tone, kRingToneNone) == 0 || wcscmp(tone, kRingToneVibrate) == 0;
}
