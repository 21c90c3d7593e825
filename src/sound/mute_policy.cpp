#include "sound/mute_policy.h"

#include <algorithm>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/tray_icon.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "sound/taskbar_volume.h"

namespace {

bool Held() { return FilterState.FilterHold; }

// Protection in warn-only mode warns of a restore that would have been inaudible.
bool WarnsOfInaudibleRestore() {
  return Settings.SoundProtection.Enabled && Settings.SoundProtection.WarnOnly;
}

// What the owner's settings make of a silence (`userMute`: one the owner made by hand) and of the
// sound that comes back.
SoundStyle Style(bool userMute = false) {
  const SoundProtectionFlags& protection = Settings.SoundProtection;
  SoundStyle style;
  style.toVibrate = Settings.MuteToVibrate;
  style.ownerMayRestore = userMute ? Settings.UserUnMute != 0 : Settings.UserUnMute == 2;
  if (protection.Enabled && Settings.SPVolume != 0) style.audibleVolume = Settings.SPVolume;
  style.mutedClassesInaudible = WarnsOfInaudibleRestore();
  return style;
}

void ShowStateIcon() { SetTrayIcon(TrayOperation::Modify, StateIconId()); }

void WarnInaudibleRestore() {
  ShowMessageBox(nullptr, kInaudibleRestoreText, kErrorCaption,
                 MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
  ShellExecuteProgram(kSoundAppletProgram, L"open", kSoundAppletParameters);
}

// Gives the sound back. A mute that ends ends the meeting in progress for the program, except
// for the test tone's moment of sound; with no hold, the filter starts afresh. The state is
// complete before the warning of an inaudible restore waits for the owner.
void GiveBack(ChangeCause cause) {
  const bool testTone = cause == ChangeCause::TestTone;
  const RestoreReport report = RestoreSound(cause, Style());
  if (report.gaveBack && !testTone) ForgetMeetingInProgress();
  if (report.gaveBack && !Held()) ForgetFilteredApp();
  if (report.gaveBack || Held()) ShowStateIcon();
  if (report.inaudible && !testTone && WarnsOfInaudibleRestore()) WarnInaudibleRestore();
}

// The program's own mute, lasting `length`; while the application filter holds muting off, a
// running mute ends instead and the icon shows the hold.
void Mute(ChangeCause cause, const MuteLength& length) {
  if (Held()) {
    if (MuteState.Muted) {
      GiveBack(ChangeCause::FilteredApp);
    } else {
      ShowStateIcon();
    }
    return;
  }
  SaveFrom from = SaveFrom::Live;
  DWORD wave = 0;
  if (!MuteState.Muted && GetWaveVolume(&wave)) {
    if (wave == 0) {
      // A device found silent (silenced by hand, or left silent by a run that ended without
      // giving the sound back) holds silenced live values: what to come back to is what the
      // silence kept, as for a silence taken over.
      from = SaveFrom::ShellSaved;
    } else {
      // A device that sounds again has ended a lost mute: what it silenced goes back first, as
      // the tick would have given it, and this mute starts from the device as it is then.
      RepairAfterLostMute(Style());
    }
  }
  MuteNow(cause, length, Style(), from);
  ShowStateIcon();
}

// A silence made by hand lasts the owner's time for it, or to the next power-on.
MuteLength HandSilenceLength() {
  return {TimeFromNow(Settings.UserMuteTime),
          Settings.UserMuteTime == 0 || Settings.ExtendMuteDefault};
}

// A silence made by hand is taken over; while the filter holds muting off it is given back, as
// the owner's own sound that the silence kept, never as a default.
void TakeOver(ChangeCause cause) {
  if (!Held()) {
    AdoptUserMute(cause, HandSilenceLength(), Style(true));
    ShowStateIcon();
    return;
  }
  TakeSilenceToGiveBack();
  GiveBack(ChangeCause::FilteredApp);
}

// A raised volume during a mute that goes on is silenced again, keeping the mute's kind and end.
void SilenceAgain(ChangeCause cause) {
  if (MuteState.UserRestoreAllowed) {
    TakeOver(cause);
  } else {
    Mute(cause, MuteState.Length());
  }
}

// The running mute is the owner's own choice of the settings window (or one the owner's window
// holds): it ends at its time, also inside a meeting.
bool OwnersChoice() {
  const ChangeCause c = MuteState.BegunFor;
  return c != ChangeCause::Meeting && c != ChangeCause::HandSilence &&
         c != ChangeCause::LostMute && c != ChangeCause::QuietHours;
}

// The running mute is a silence the owner made by hand, taken over.
bool TakenOver() {
  return MuteState.BegunFor == ChangeCause::HandSilence ||
         MuteState.BegunFor == ChangeCause::LostMute;
}

// A look at the calendar is due: the link is on and the time for the next one has come.
bool LookDue() { return Settings.EnablePOLink && TimeFromNow(0) >= MeetingState.NextMeetingCheck; }

// While a meeting's silence runs the check still looks at the calendar at its interval: the
// silence follows the meeting if it is moved, shortened, made longer or deleted.
bool FollowCalendarDue() {
  return MuteState.Muted && MuteState.BegunFor == ChangeCause::Meeting &&
         !MuteState.EndAwaitsLook && TimeFromNow(0) < MuteState.MuteUntil && LookDue();
}

// Ends the mute when the filter holds muting off or its time has come (`cause`: what brought the
// check, the tick's time or the power button). True when a look is then due for a meeting that
// follows.
bool EndMuteIfDue(ChangeCause cause) {
  if (Held()) {
    GiveBack(ChangeCause::FilteredApp);
    return false;
  }
  const ULONGLONG now = TimeFromNow(0);
  if (now < MuteState.MuteUntil) return false;
  // A silence that ends inside the owner's quiet hours carries on into them.
  if (const auto quiet = QuietHoursUntil(now)) {
    CarryOn(ChangeCause::QuietHours, {*quiet, false}, Style().ownerMayRestore);
    ShowStateIcon();
    return false;
  }
  // The device never sounds inside a meeting that counts, unless the owner chose so: a silence
  // the program made (for a meeting, or one it took over) ends only once a look has found no
  // meeting in progress.
  if (!OwnersChoice() && Settings.EnablePOLink) {
    if (!MuteState.EndAwaitsLook) HoldForLook(cause);
    return true;
  }
  // A mute that ends before the meeting in progress does not silence the device again for it.
  const bool endsBeforeMeeting =
      MeetingState.InMeeting && MuteState.MuteUntil < MeetingState.MeetingEnd;
  GiveBack(cause);
  return !endsBeforeMeeting && LookDue();
}

// The rows of the mute's transitions, one group each.

// Muted, at a tick: the mute ends when the filter holds muting off or its time has come; a mute
// that lasts to the next power-on is left to the power button.
bool EndDueMuteAtTick() {
  if (MuteState.ExtendToPowerOn && !Held() && !MuteState.EndAwaitsLook) return false;
  return EndMuteIfDue(ChangeCause::MuteTime);
}

// The wave volume at a tick, after the mute's own time: a volume raised during the mute ends it
// where the owner may end it, and is undone otherwise; a volume of 0 while not muted is a silence
// made by hand, taken over. True when a raised volume was dealt with.
bool FollowVolumeAtTick(bool heldBefore) {
  // A volume that cannot be read counts as unchanged.
  DWORD volume = 0;
  const bool volumeRead = GetWaveVolume(&volume);
  if (MuteState.Muted && volumeRead && volume != 0) {
    if (MuteState.UserRestoreAllowed) {
      // The owner ended the quiet hours: they stay off until their end.
      if (MuteState.BegunFor == ChangeCause::QuietHours) EndQuietHoursForNow(TimeFromNow(0));
      GiveBack(ChangeCause::RaisedVolume);
    } else {
      Mute(ChangeCause::RaisedVolume, MuteState.Length());
    }
    return true;
  }
  if (!MuteState.Muted && volumeRead && volume == 0) {
    TakeOver(MuteState.LostMutePending ? ChangeCause::LostMute : ChangeCause::HandSilence);
  } else if (!MuteState.Muted) {
    // The device sounds and no mute runs: what a lost mute silenced comes back, and the icon
    // follows the hold.
    RepairAfterLostMute(Style());
    if (heldBefore != Held()) ShowStateIcon();
  }
  return false;
}

// What the mute of an earlier run left and no tick of this run has dealt with yet is dealt with
// at a power-on as the tick would: a silence is taken over, and this power-on then ends it as it
// ends a taken-over one; a device that sounds again gets back what that mute silenced.
void DealWithLostMuteAtPowerOn() {
  if (MuteState.Muted || !MuteState.LostMutePending) return;
  if (VolumeIsZero()) {
    TakeOver(ChangeCause::LostMute);
  } else {
    RepairAfterLostMute(Style());
  }
}

// Muted, at a power-on: a mute whose time has passed ends (also one that lasts to the next
// power-on); a volume raised during one that goes on is silenced again, keeping its kind.
bool EndOrKeepMuteAtPowerOn() {
  const bool wantLook = EndMuteIfDue(ChangeCause::PowerButton);
  // A power-on inside a meeting's silence is the end of a silence by hand that the meeting took
  // over to the next power-on: what lasts is the meeting's own length.
  const MuteLength own = LengthUntil(MuteState.MuteUntil);
  if (MuteState.Muted && MuteState.BegunFor == ChangeCause::Meeting &&
      MuteState.ExtendToPowerOn != own.toPowerOn && TimeFromNow(0) < MuteState.MuteUntil) {
    KeepMuteFor(own);
  }
  DWORD volume = 0;
  if (MuteState.Muted && GetWaveVolume(&volume) && volume != 0) {
    SilenceAgain(ChangeCause::RaisedVolume);
  }
  return wantLook;
}

bool RefreshDue(bool mutedBefore) {
  return MuteState.Muted != mutedBefore || TaskBarVolumeState.SoundRefreshPending;
}

}  // namespace

MuteLength LengthUntil(ULONGLONG until) { return {until, Settings.ExtendMuteDefault}; }

int StateIconId() {
  if (MuteState.Muted) return MuteState.UserRestoreAllowed ? IDI_MUTED_USER_RESTORE : IDI_MUTED;
  return Held() ? IDI_FILTER_HOLD : IDI_IDLE;
}

PolicyOutcome OnCheckTick() {
  const bool heldBefore = Held();
  UpdateAppFilter();
  const bool mutedBefore = MuteState.Muted;
  PolicyOutcome outcome;
  if (MuteState.Muted) {
    outcome.wantLook = EndDueMuteAtTick() || FollowCalendarDue();
  } else if (const auto quiet = QuietHoursUntil(TimeFromNow(0))) {
    // Quiet hours silence the device as a meeting does; never to the next power-on.
    Mute(ChangeCause::QuietHours, {*quiet, false});
  } else {
    outcome.wantLook = LookDue();
  }
  const bool volumeDealtWith = FollowVolumeAtTick(heldBefore);
  ProtectSoundSettings();
  outcome.refreshVolume = RefreshDue(mutedBefore) || volumeDealtWith;
  return outcome;
}

PolicyOutcome OnPowerOn() {
  UpdateAppFilter();
  DealWithLostMuteAtPowerOn();
  const bool mutedBefore = MuteState.Muted;
  const bool wantLook = MuteState.Muted && EndOrKeepMuteAtPowerOn();
  // Also after a mute this step ended: during a meeting the next look is due at its end.
  return {RefreshDue(mutedBefore), wantLook || (!MuteState.Muted && LookDue())};
}

void OnSettingsWindowOpened() {
  if (MuteState.Muted) {
    Mute(ChangeCause::SettingsWindow, MuteState.Length());
  } else if (VolumeIsZero()) {
    // A device the user has already silenced keeps that silence as a user mute.
    TakeOver(ChangeCause::HandSilence);
    Mute(ChangeCause::SettingsWindow, MuteState.Length());
  } else {
    Mute(ChangeCause::SettingsWindow, LengthUntil(TimeFromNow(0)));
  }
  // While the window is open it holds the silence: the owner's choice decides what follows.
  if (MuteState.Muted) NameRunningMute(ChangeCause::SettingsWindow);
}

void OnSettingsWindowClosed(const std::optional<MuteChoice>& choice) {
  // A window that could not be shown asked nothing of the owner: the sound stays as it was.
  if (!choice) return;
  if (choice->option == kChoiceRestore) {
    // The owner's sound wins over quiet hours in force, until they end.
    EndQuietHoursForNow(TimeFromNow(0));
    GiveBack(ChangeCause::SettingsWindow);
    return;
  }
  // The owner asked for the mute: the hold is let go until a listed application is seen anew.
  ReleaseFilterHold();
  Mute(ChangeCause::WindowChoice, choice->length);
  if (MuteState.Muted) {
    NameRunningMute(ChangeCause::WindowChoice, L"settings window: " + choice->words);
  }
}

PolicyOutcome OnMeetingLookDone(const MeetingFinding& finding) {
  if (!RememberFinding(finding)) return {};
  const bool mutedBefore = MuteState.Muted;
  // A link switched off since the look began finds nothing.
  const ULONGLONG end = MeetingState.MeetingEnd;
  const bool meeting = MeetingState.InMeeting && Settings.EnablePOLink && TimeFromNow(0) < end;
  if (!MuteState.Muted) {
    if (meeting) Mute(ChangeCause::Meeting, LengthUntil(end));
  } else if (MuteState.EndAwaitsLook) {
    // The silence's time had come: a meeting in progress carries it on to the end of its chain;
    // without one (or without a look that could tell) the sound comes back.
    if (meeting) {
      CarryOn(ChangeCause::Meeting, LengthUntil(end), Style().ownerMayRestore);
      ShowStateIcon();
    } else {
      GiveBack(MuteState.EndCause);
    }
  } else if (MuteState.BegunFor == ChangeCause::Meeting && !finding.failed &&
             TimeFromNow(0) < MuteState.MuteUntil) {
    // The meeting's silence follows the calendar: it ends when no meeting that counts is in
    // progress any more, and lasts to a new end; the owner's choices keep theirs.
    if (!meeting) {
      GiveBack(ChangeCause::MeetingGone);
    } else if (end != MuteState.MuteUntil) {
      CarryOn(ChangeCause::Meeting, {end, MuteState.ExtendToPowerOn}, MuteState.UserRestoreAllowed);
    }
  } else if (meeting && TakenOver()) {
    // A silence made by hand while a meeting is in progress becomes the meeting's silence: it
    // lasts to the later of the two ends, and a raised volume ends it as it ends a meeting's.
    CarryOn(ChangeCause::Meeting,
            {std::max(MuteState.MuteUntil, end),
             MuteState.ExtendToPowerOn || LengthUntil(end).toPowerOn},
            Style().ownerMayRestore);
    ShowStateIcon();
  }
  return {RefreshDue(mutedBefore), false};
}

void OnTestTone(DWORD volume) {
  // The settings window holds the device silent: the saved sound comes back for the tone and the
  // silence again afterwards. A wave volume that cannot be read could not be put back, so then
  // nothing is played.
  const MuteLength length = MuteState.Length();
  GiveBack(ChangeCause::TestTone);
  DWORD before = 0;
  if (GetWaveVolume(&before)) {
    SetWaveVolume(volume);
    PlaySystemSound(L"Default", 0);
    SetWaveVolume(before);
  }
  Mute(ChangeCause::TestTone, length);
}

void OnProgramStart() {
  ResetMuteState();
  RecallLostMute();
}

void OnProgramEnd() {
  if (MuteState.Muted) GiveBack(ChangeCause::ProgramEnd);
}
