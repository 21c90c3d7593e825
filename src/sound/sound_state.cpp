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
                const DwordField* phoneOnly) {
  return WithKey(keyPath, KEY_READ, [&](HKEY key) -> LONG {
    for (const DwordField& f : fields) {
      if (const LONG status = ReadDwordValue(key, f.name, &(state.*f.field)); status != 0) {
        return status;
      }
    }
    if (phoneOnly && IsPocketPc2003Phone()) {
      return ReadDwordValue(key, phoneOnly->name, &(state.*phoneOnly->field));
    }
    return ERROR_SUCCESS;
  });
}

LONG WriteDwords(const wchar_t* keyPath, const SoundState& state,
                 std::initializer_list<DwordField> fields, const DwordField* phoneOnly) {
  return WithKey(keyPath, KEY_WRITE, [&](HKEY key) -> LONG {
    for (const DwordField& f : fields) {
      if (const LONG status = SetDwordValue(key, f.name, state.*f.field); status != 0) {
        return status;
      }
    }
    if (phoneOnly && IsPocketPc2003Phone()) {
      return SetDwordValue(key, phoneOnly->name, state.*phoneOnly->field);
    }
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

constexpr DwordField kVolume{L"Volume", &SoundState::Volume};
constexpr DwordField kMute{L"Mute", &SoundState::Mute};
constexpr DwordField kScreen{L"Screen", &SoundState::Screen};
constexpr DwordField kKey{L"Key", &SoundState::Key};
constexpr DwordField kRinger{L"Ringer", &SoundState::Ringer};
constexpr DwordField kSavedVolume{L"SavedVolume", &SoundState::Volume};
constexpr DwordField kMode{L"Mode", &SoundState::Mode};
constexpr DwordField kSavedScreen{L"SavedScreen", &SoundState::Screen};
constexpr DwordField kSavedKey{L"SavedKey", &SoundState::Key};
constexpr DwordField kSavedRinger{L"SavedRingerVolume", &SoundState::Ringer};
constexpr DwordField kInitVol{L"InitVol", &SoundState::InitVol};
constexpr DwordField kEarCouple{L"EarCouple", &SoundState::EarCouple};

}  // namespace

LONG ReadVolumeKey(const wchar_t* keyPath, SoundState& state) {
  return ReadDwords(keyPath, state, {kVolume, kMute, kScreen, kKey}, &kRinger);
}

LONG WriteVolumeKey(const wchar_t* keyPath, const SoundState& state) {
  return WriteDwords(keyPath, state, {kVolume, kMute, kScreen, kKey}, nullptr);
}

LONG WriteVolumeKeyNoMute(const wchar_t* keyPath, const SoundState& state) {
  return WriteDwords(keyPath, state, {kVolume, kScreen, kKey}, &kRinger);
}

LONG ReadShellSaved(const wchar_t* keyPath, SoundState& state) {
  return ReadDwords(keyPath, state, {kSavedVolume, kMode, kSavedScreen, kSavedKey}, &kSavedRinger);
}

LONG WriteShellSaved(const wchar_t* keyPath, const SoundState& state) {
  return WriteDwords(keyPath, state, {kSavedVolume, kMode, kSavedScreen, kSavedKey},
                     &kSavedRinger);
}

LONG ReadRingVolume(const wchar_t* keyPath, SoundState& state) {
  return ReadDwords(keyPath, state, {kInitVol}, nullptr);
}

LONG WriteRingVolume(const wchar_t* keyPath, const SoundState& state) {
  return WriteDwords(keyPath, state, {kInitVol}, nullptr);
}

LONG ReadEarCouple(const wchar_t* keyPath, SoundState& state) {
  return ReadDwords(keyPath, state, {kEarCouple}, nullptr);
}

LONG WriteEarCouple(const wchar_t* keyPath, const SoundState& state) {
  return WriteDwords(keyPath, state, {kEarCouple}, nullptr);
}

LONG ReadRingTone(const wchar_t* keyPath, SoundState& state, bool* soundRead) {
  if (soundRead) *soundRead = false;
  return WithKey(keyPath, KEY_READ, [&](HKEY key) -> LONG {
    if (const LONG status = ReadStringValue(key, L"Sound", state.Sound, kToneReadChars);
        status != ERROR_SUCCESS) {
      return status;
    }
    if (soundRead) *soundRead = true;
    return ReadStringValue(key, L"SavedSound", state.SavedSound, kToneReadChars);
  });
}

LONG WriteRingTone(const wchar_t* keyPath, const SoundState& state) {
  return WithKey(keyPath, KEY_WRITE, [&](HKEY key) -> LONG {
    if (const LONG status = SetToneValue(key, L"Sound", state.Sound); status != ERROR_SUCCESS) {
      return status;
    }
    return SetToneValue(key, L"SavedSound", state.SavedSound);
  });
}

bool IsRingToneMarker(const wchar_t* tone) {
  return wcscmp(tone, kRingToneNone) == 0 || wcscmp(tone, kRingToneVibrate) == 0;
}
