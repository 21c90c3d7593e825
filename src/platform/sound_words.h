// The device's sound values in the words its owner knows them by: a volume as the shell's volume
// pop-up shows it, the ringer as ring, vibrate or off, the screen-tap and button sounds and the
// sound classes as the sound settings name them. The program's journal, the
// device's shell and the device tool all speak through here, so that nothing says it two ways.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/sound_keys.h"

enum class SoundValue {
  Volume,        // a volume word: left channel in the low 16 bits, right channel in the high 16
  RingerMode,    // the shell's ringer mode: 0 ring, 1 vibrate, 2 off
  ClickSound,    // a screen-tap or hardware-button sound: 0 off, 1 soft, 0x00010002 loud
  SoundClasses,  // the enabled sound classes: 4 events, 2 programs, 1 notifications
};

namespace sound_words_detail {

// A channel in percent of full: only 0 is 0% and only full is 100%, so that a word never hides
// a sound that is there, nor claims full for one that is not.
inline unsigned ChannelPercent(WORD channel) {
  if (channel == 0) return 0;
  if (channel == 0xFFFF) return 100;
  const unsigned percent = (channel * 100u + 0x7FFFu) / 0xFFFFu;
  if (percent < 1) return 1;
  return percent > 99 ? 99 : percent;
}

// A number in decimal digits. (std::to_wstring formats through the C library's printf, which
// would bring all of it into the program.)
inline std::wstring Decimal(DWORD value) {
  wchar_t digits[10];
  size_t first = 10;
  do {
    digits[--first] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(digits + first, digits + 10);
}

inline std::wstring Percent(WORD channel) { return Decimal(ChannelPercent(channel)) + L"%"; }

inline std::wstring Unknown(DWORD value) { return L"unknown (" + Decimal(value) + L")"; }

inline std::wstring VolumeWords(DWORD value) {
  const WORD left = LOWORD(value), right = HIWORD(value);
  if (value == 0) return L"silent";
  if (ChannelPercent(left) == ChannelPercent(right)) return Percent(left);
  return Percent(left) + L" left and " + Percent(right) + L" right";
}

inline std::wstring RingerWords(DWORD value) {
  switch (value) {
    case kRingerModeRing:
      return L"ring";
    case kRingerModeVibrate:
      return L"vibrate";
    case kRingerModeOff:
      return L"off";
    default:
      return Unknown(value);
  }
}

inline std::wstring ClickWords(DWORD value) {
  switch (value) {
    case 0:
      return L"off";
    case 1:
      return L"soft";
    case 0x00010002:
      return L"loud";
    default:
      return Unknown(value);
  }
}

inline std::wstring ClassWords(DWORD value) {
  if (value > 7) return Unknown(value);
  const wchar_t* named[3] = {};
  size_t count = 0;
  if (value & 4) named[count++] = L"events";
  if (value & 2) named[count++] = L"programs";
  if (value & 1) named[count++] = L"notifications";
  if (count == 0) return L"none";
  std::wstring words = named[0];
  for (size_t i = 1; i < count; ++i) {
    words += (i + 1 == count ? L" and " : L", ") + std::wstring(named[i]);
  }
  return words;
}

}  // namespace sound_words_detail

// A volume: "silent" for none, else its loudness in percent of full ("40%"; the five steps of a
// volume slider are 20% apart), "40% left and 60% right" when the channels differ. The ringer:
// "ring", "vibrate" or "off". A click sound: "off", "soft" or "loud". Sound classes: "none", or
// those enabled ("events, programs and notifications"). A value no shell writes is
// "unknown (N)", N in decimal.
inline std::wstring SoundWords(SoundValue what, DWORD value) {
  using namespace sound_words_detail;
  switch (what) {
    case SoundValue::Volume:
      return VolumeWords(value);
    case SoundValue::RingerMode:
      return RingerWords(value);
    case SoundValue::ClickSound:
      return ClickWords(value);
    case SoundValue::SoundClasses:
      return ClassWords(value);
  }
  return Unknown(value);
}

// A ring tone: "none", "vibrate", or the sound file's name without its folder.
inline std::wstring RingToneWords(std::wstring_view tone) {
  if (tone == kRingToneNone) return L"none";
  if (tone == kRingToneVibrate) return L"vibrate";
  const size_t slash = tone.find_last_of(L'\\');
  return std::wstring(slash == std::wstring_view::npos ? tone : tone.substr(slash + 1));
}
