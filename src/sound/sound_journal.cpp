#include "sound/sound_journal.h"

#include <strsafe.h>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/journal.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "platform/sound_keys.h"
#include "platform/sound_words.h"
#include "sound/mute_state.h"

namespace {

constexpr size_t kSubjectChars = 60;
constexpr size_t kCategoryChars = 40;
std::wstring VolumeText(const JournalSound& s) {
  return s.waveRead ? SoundWords(SoundValue::Volume, s.wave) : L"?";
}

std::wstring RingerText(const JournalSound& s) {
  return s.modeRead ? SoundWords(SoundValue::RingerMode, s.mode) : L"?";
}

std::wstring Quoted(std::wstring_view text, size_t chars) {
  return L"\"" + JournalText(text, chars) + L"\"";
}

std::wstring CauseText(ChangeCause cause) {
  switch (cause) {
    case ChangeCause::Unstated:
      return {};
    case ChangeCause::Meeting:
      return JournalMeeting();
    case ChangeCause::SettingsWindow:
      return L"settings window";
    case ChangeCause::WindowChoice:
      return L"settings window's choice";
    case ChangeCause::TestTone:
      return L"test tone of the Sound page";
    case ChangeCause::HandSilence:
      return L"silence made by hand";
    case ChangeCause::LostMute:
      return L"silence left by a run that ended during a mute";
    case ChangeCause::RaisedVolume:
      return L"volume raised during the mute";
    case ChangeCause::MuteTime:
      return L"the mute's end time " + JournalTimeOf(MuteState.MuteUntil) + L" came";
    case ChangeCause::PowerButton:
      return L"power button";
    case ChangeCause::FilteredApp:
      return Quoted(FilterState.HoldingApp, kAppNameChars) + L" holds muting off";
    case ChangeCause::ProgramEnd:
      return L"QuietMinder ends";
    case ChangeCause::QuietHours:
      return L"quiet hours";
    case ChangeCause::MeetingGone:
      return JournalMeeting() + L" is no longer in the calendar as it was";
  }
  return {};
}

// How long a mute that has just begun lasts; nothing while the settings window decides.
std::wstring MuteEnd(ChangeCause cause) {
  if (cause == ChangeCause::SettingsWindow || cause == ChangeCause::TestTone) return {};
  return JournalMuteEnd(MuteState.Length());
}

std::wstring Joined(std::wstring a, const std::wstring& b, const wchar_t* between) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + between + b;
}

}  // namespace

std::wstring JournalMeeting() {
  const MeetingStateRecord& m = MeetingState;
  std::wstring text = L"meeting " + Quoted(m.MeetingSubject, kSubjectChars);
  const std::wstring categories = JournalText(m.MeetingCategories, kCategoryChars);
  if (!categories.empty()) text += L" [" + categories + L"]";
  return text;
}

std::wstring JournalMuteEnd(const MuteLength& length) {
  if (length.toPowerOn && length.until <= TimeFromNow(0)) return L"until the next power-on";
  std::wstring end = L"until " + JournalTimeOf(length.until);
  if (length.toPowerOn) end += L", then to the next power-on";
  return end;
}

JournalSound ReadJournalSound() {
  JournalSound s;
  s.waveRead = GetWaveVolume(&s.wave);
  if (const wchar_t* path = DeviceProfile.SoundKeys.ShellOverrides) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
      s.modeRead = ReadDwordValue(key.get(), kModeValue, &s.mode) == ERROR_SUCCESS;
    }
  }
  return s;
}

std::wstring DescribeSoundNow() {
  const JournalSound now = ReadJournalSound();
  std::wstring text = L"volume " + VolumeText(now);
  if (IsPocketPc()) text += L", ringer " + RingerText(now);
  return text;
}

std::wstring JournalSoundChange(const wchar_t* kind, ChangeCause cause,
                                const JournalSound& before) noexcept {
  try {
    const JournalSound after = ReadJournalSound();
    std::wstring why = CauseText(cause);
    std::wstring reason;
    const std::wstring_view k = kind;
    if (k == kJournalSilenced || k == kJournalTakenOver || k == kJournalCarriedOn) {
      why = Joined(why, MuteEnd(cause), L" ");
      reason = why;
      // A mute that goes on changes nothing of the sound: the line tells only why, and how long.
      if (k == kJournalCarriedOn) {
        Journal(kind, why);
        return reason;
      }
    } else if (k == kJournalSoundBack) {
      if (MuteState.Reason[0] != L'\0') {
        why = Joined(why, L"mute for: " + std::wstring(MuteState.Reason), L"; ");
      }
    } else if (k == kJournalLostMuteUndone) {
      why = L"left silenced by a run that ended during a mute";
    }
    std::wstring values = L"volume " + VolumeText(before) + L" -> " + VolumeText(after);
    if (IsPocketPc()) values += L", ringer " + RingerText(before) + L" -> " + RingerText(after);
    Journal(kind, Joined(why, values, L"; "));
    return reason;
  } catch (...) {
    // The line is dropped; the change stands.
    return {};
  }
}

void JournalWindowChoice(std::wstring_view choice) noexcept {
  try {
    Journal(kJournalWindow, choice);
  } catch (...) {
  }
}

void JournalProtectedRepair(const SoundState& live) noexcept {
  try {
    std::wstring text = L"protected settings put back: screen taps " +
                        SoundWords(SoundValue::ClickSound, live.Screen) + L", buttons " +
                        SoundWords(SoundValue::ClickSound, live.Key);
    if (IsOlderPlatform()) {
      text += L", sounds for " + SoundWords(SoundValue::SoundClasses, live.Mute);
    }
    Journal(kJournalRepaired, text + L"; " + DescribeSoundNow());
  } catch (...) {
  }
}

std::wstring JournalTimeOf(ULONGLONG utc) {
  const SYSTEMTIME t = LocalTimeOf(utc);
  const SYSTEMTIME now = LocalTimeOf(TimeFromNow(0));
  wchar_t text[32];
  if (t.wYear == now.wYear && t.wMonth == now.wMonth && t.wDay == now.wDay) {
    StringCchPrintfW(text, 32, L"%02u:%02u", t.wHour, t.wMinute);
  } else {
    StringCchPrintfW(text, 32, L"%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                     t.wMinute);
  }
  return text;
}
