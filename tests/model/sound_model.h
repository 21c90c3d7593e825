// A small reference model of QuietMinder's promise: the owner's own sound values, the reasons the
// device may be silent and until when, and what must hold after every event. It knows nothing of
// how the program works; the driver feeds it the same events as the program.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace model {

inline constexpr ULONGLONG kSecond = 10'000'000ULL;
inline constexpr ULONGLONG kMinute = 60 * kSecond;
inline constexpr ULONGLONG kForever = ~0ULL;

// The owner's sound, as the owner set it while the device was audible.
struct OwnerSound {
  DWORD wave = 0;
  DWORD screen = 0;
  DWORD key = 0;
  DWORD classes = 0;    // older platform
  DWORD ringer = 0;     // Pocket PC 2003 phone
  DWORD initVol = 0;    // Pocket PC 2003 phone
  DWORD earCouple = 0;  // Pocket PC 2003 phone
  std::wstring tone;    // phone
};

struct Meeting {
  ULONGLONG start = 0, end = 0;  // UTC
  bool mutedFor = false;         // the program was seen silent for it
  size_t powerOnsBefore = 0;     // power-ons before it was first seen muted for
  // Seen silent while no choice of the owner's held: the device owes it silence until the end
  // of its chain, unless the owner chooses the sound meanwhile.
  bool owed = false;
};

// One reason for the device to be silent: silent until `until`, or, with `toPowerOn`, until the
// first power-on that comes after the reason and at or after `until`.
struct Reason {
  std::string what;
  ULONGLONG until = 0;
  bool toPowerOn = false;
  size_t powerOnsBefore = 0;  // power-ons that came before the reason
  bool ownersChoice = false;  // the settings window's
  bool Active(ULONGLONG now, const std::vector<ULONGLONG>& powerOns) const {
    if (now < until) return true;
    if (!toPowerOn) return false;
    for (size_t i = powerOnsBefore; i < powerOns.size(); ++i) {
      if (powerOns[i] >= until) return false;
    }
    return true;
  }
};

class SoundModel {
 public:
  OwnerSound owner;
  std::vector<Meeting> meetings;
  bool meetingLinkOn = false;
  bool extendDefault = false;
  DWORD userMuteTime = 0;  // seconds
  DWORD userUnMute = 0;

  // What the model was told, in order.
  bool userSilenced = false;        // the owner silenced the device by hand and has not undone it
  std::vector<ULONGLONG> powerOns;  // device times of the power-ons so far
  std::vector<Reason> reasons;

  // The program took the owner's silence over at `now`.
  void UserSilenceTakenOver(ULONGLONG now);
  // The owner raised the volume during a mute that the program may end for it.
  void RaisedVolumeEndsMute() { ClearChosenReasons(); }
  // The settings window closed with a mute until `until` (or the next power-on after it).
  void WindowMuteChosen(const std::string& what, ULONGLONG until, bool toPowerOn);
  // The settings window gave the sound back (restore, Cancel, Exit).
  void WindowRestored();
  // The program ended the mute and gave the sound back.
  void SoundGivenBack() {
    userSilenced = false;
    ClearChosenReasons();
  }
  void PowerOn(ULONGLONG now) { powerOns.push_back(now); }

  // Whether the device may be silent at `now`: a reason holds, or a meeting is in progress (or
  // was muted for and lasts to the next power-on).
  std::optional<std::string> SilenceAllowedAt(ULONGLONG now) const;

  // The device was seen silent at `now`: the meetings in progress are muted for, and owed silence
  // unless a choice of the owner's holds the device silent.
  void SeenSilent(ULONGLONG now);
  // The owner chose the sound over a meeting's silence (the settings window, a raised volume, a
  // listed application, a program started anew): no silence seen so far is owed any more.
  void OwnerChoseTheSound() {
    for (Meeting& m : meetings) m.owed = false;
  }
  // The device must be silent at `now`: a meeting owed silence, and its chain of meetings that
  // overlap or touch runs at `now`.
  bool SilenceOwedAt(ULONGLONG now) const;

 private:
  void ClearChosenReasons() { reasons.clear(); }
};

}  // namespace model
