#include "sound/mute_policy.h"

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/tray_icon.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "sound/taskbar_volume.h"

namespace {

MeetingLookStarter g_lookStarter = nullptr;

bool Held() { return FilterState.FilterHold; }

// The application filter keeps the device from being muted: a running mute ends, and the icon
// shows the hold.
void Mute(ChangeCause cause) {
  if (!Held()) {
    MuteNow(cause);
  } else if (MuteState.Muted) {
    RestoreSound(ChangeCause::FilteredApp, {.filterHolds = true});
  } else {
    SetTrayIcon(TrayOperation::Modify, IDI_FILTER_HOLD);
  }
}

// A silence made by hand is taken over; while the filter holds muting off it is given back, as
// the owner's own sound that the silence kept, never as a default.
void TakeOver(ChangeCause cause) {
  if (!Held()) {
    AdoptUserMute(cause);
    return;
  }
  TakeSilenceToGiveBack();
  RestoreSound(ChangeCause::FilteredApp, {.filterHolds = true});
}

void GiveBack(ChangeCause cause) { RestoreSound(cause, {.filterHolds = Held()}); }

void MuteForMeeting() {
  MuteState.ExtendToPowerOn = Settings.ExtendMuteDefault;
  MuteState.MuteUntil = MeetingState.MeetingEnd;
  Mute(ChangeCause::Meeting);
}

// The rows of the mute's transitions, one group each.

// Muted, at a tick: the mute ends when the filter holds muting off or its time has come; a mute
// that lasts to the next power-on is left to the power button.
void EndDueMuteAtTick() {
  if (!MuteState.ExtendToPowerOn || Held()) CheckMuteExpiry();
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
      GiveBack(ChangeCause::RaisedVolume);
    } else {
      Mute(ChangeCause::RaisedVolume);
    }
    return true;
  }
  if (!MuteState.Muted && VolumeIsZero()) {
    TakeOver(MuteState.LostMutePending ? ChangeCause::LostMute : ChangeCause::HandSilence);
  } else if (!MuteState.Muted) {
    // The device sounds and no mute runs: what a lost mute silenced comes back, and the icon
    // follows the hold.
    RepairAfterLostMute();
    if (heldBefore && !Held()) SetTrayIcon(TrayOperation::Modify, IDI_IDLE);
    if (!heldBefore && Held()) SetTrayIcon(TrayOperation::Modify, IDI_FILTER_HOLD);
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
    RepairAfterLostMute();
  }
}

// Muted, at a power-on: a mute whose time has passed ends (also one that lasts to the next
// power-on); a volume raised during one that goes on is silenced again, keeping its kind.
void EndOrKeepMuteAtPowerOn() {
  CheckMuteExpiry(ChangeCause::PowerButton);
  DWORD volume = 0;
  if (!MuteState.Muted || !GetWaveVolume(&volume) || volume == 0) return;
  if (MuteState.UserRestoreAllowed) {
    TakeOver(ChangeCause::RaisedVolume);
  } else {
    Mute(ChangeCause::RaisedVolume);
  }
}

bool RefreshDue(bool mutedBefore) {
  return MuteState.Muted != mutedBefore || TaskBarVolumeState.SoundRefreshPending;
}

}  // namespace

bool OnCheckTick() {
  const bool heldBefore = Held();
  UpdateAppFilter();
  const bool mutedBefore = MuteState.Muted;
  if (MuteState.Muted) {
    EndDueMuteAtTick();
  } else {
    CheckForMeeting();
  }
  const bool volumeDealtWith = FollowVolumeAtTick(heldBefore);
  ProtectSoundSettings();
  return RefreshDue(mutedBefore) || volumeDealtWith;
}

bool OnPowerOn() {
  UpdateAppFilter();
  DealWithLostMuteAtPowerOn();
  const bool mutedBefore = MuteState.Muted;
  if (MuteState.Muted) EndOrKeepMuteAtPowerOn();
  // Also after a mute this step ended, as the tick does.
  if (!MuteState.Muted) CheckForMeeting();
  return RefreshDue(mutedBefore);
}

void OnSettingsWindowOpened() {
  if (!MuteState.Muted) {
    // A device the user has already silenced keeps that silence as a user mute.
    if (VolumeIsZero()) {
      TakeOver(ChangeCause::HandSilence);
    } else {
      MuteState.ExtendToPowerOn = Settings.ExtendMuteDefault;
    }
  }
  Mute(ChangeCause::SettingsWindow);
}

void OnSettingsWindowClosed(INT_PTR choice) {
  if (choice > 0) {
    // The owner asked for the mute: the hold is let go until a listed application is seen anew.
    ReleaseFilterHold();
    Mute(ChangeCause::WindowChoice);
  } else if (choice == 0) {
    GiveBack(ChangeCause::SettingsWindow);
  }
  // A window that could not be shown asked nothing of the owner: the sound stays as it was.
}

bool OnMeetingLookDone(std::optional<bool> verdict) {
  // The look was started while no mute ran: a mute that began meanwhile stays as it is, and a
  // link switched off meanwhile mutes nothing.
  if (!verdict || !*verdict || MuteState.Muted || !Settings.EnablePOLink) return false;
  MuteForMeeting();
  return MuteState.Muted;
}

void OnTestTone(DWORD volume) {
  // The settings window holds the device silent: the saved sound comes back for the tone and the
  // silence again afterwards. A wave volume that cannot be read could not be put back, so then
  // nothing is played.
  RestoreSound(ChangeCause::TestTone, {.filterHolds = Held(), .forTestTone = true});
  DWORD before = 0;
  if (GetWaveVolume(&before)) {
    SetWaveVolume(volume);
    PlaySystemSound(L"Default", 0);
    SetWaveVolume(before);
  }
  Mute(ChangeCause::TestTone);
}

void OnProgramStart() {
  ResetMuteState();
  RecallLostMute();
  MuteState.ExtendToPowerOn = Settings.ExtendMuteDefault;
}

void OnProgramEnd() {
  if (MuteState.Muted) GiveBack(ChangeCause::ProgramEnd);
}

void SetMeetingLookStarter(MeetingLookStarter start) { g_lookStarter = start; }

void CheckMuteExpiry(ChangeCause cause) {
  if (Held()) {
    GiveBack(ChangeCause::FilteredApp);
    return;
  }
  if (TimeFromNow(0) < MuteState.MuteUntil) return;
  if (MeetingState.InMeeting && MuteState.MuteUntil < MeetingState.MeetingEnd) {
    // Ends before the meeting in progress: no new mute for that same meeting.
    GiveBack(cause);
    return;
  }
  GiveBack(cause);
  CheckForMeeting();
}

void CheckForMeeting() {
  if (!Settings.EnablePOLink) return;
  if (TimeFromNow(0) < MeetingState.NextMeetingCheck) return;
  if (g_lookStarter && g_lookStarter()) return;
  if (QueryMeetingInProgress()) MuteForMeeting();
}
