// The mute state's transitions, driven through the real main window by its tick and power-on
// messages, with the fake handheld's clock, on each kind of device.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "app/main_window.h"
#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/program.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/mute_policy.h"
#include "sound/sound_env.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/test_main_window.h"

using namespace soundtest;

namespace {

constexpr DWORD kWave = 0x55555555;
constexpr wchar_t kListedApp[] = L"Transitions Listed Application";

class Transitions : public ::testing::TestWithParam<DeviceKind> {
 protected:
  void SetUp() override {
    SetUpDevice(hkcu_, GetParam());
    fake::device().waveVolume = kWave;
    ASSERT_NE(nullptr, CreateTestMainWindow());
  }
  void TearDown() override {
    if (app_) DestroyWindow(app_);
    DestroyTestMainWindow();
  }

  LRESULT Tick() { return SendMessageW(Program.MainWindow, WM_CHECK, 1, 0); }
  void PowerOn() { SendMessageW(Program.MainWindow, WM_POWERON_NOTIFY, 0, 0); }
  void StartListedApp() {
    app_ = CreateWindowExW(0, L"STATIC", kListedApp, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10, 10,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, app_);
  }
  void StopListedApp() {
    DestroyWindow(app_);
    app_ = nullptr;
  }
  // The user turns the device's volume down to nothing, as the shell would.
  void UserSilences() {
    fake::device().waveVolume = 0;
    RegPutDword(hkcu_.root(), kVolumeKeyPath, kVolumeValue, 0);
  }
  DWORD LiveScreen() const { return RegDword(hkcu_.root(), kVolumeKeyPath, kScreenValue); }

  ScratchHkcu hkcu_;
  HWND app_ = nullptr;
};

TEST_P(Transitions, AHandMadeSilenceBecomesAUserMuteThatEndsAfterUserMuteTime) {
  EditSettings([&](SettingsRecord& s) { s.UserMuteTime = 900; });
  UserSilences();
  EXPECT_EQ(1, Tick());
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_FALSE(MuteState.ExtendToPowerOn);
  EXPECT_EQ(IDI_MUTED, fake::CurrentIconId());
  EXPECT_EQ(0u, LiveScreen()) << "the tap sound is silenced with the rest";

  fake::AdvanceClock(899);
  Tick();
  EXPECT_TRUE(MuteState.Muted) << "not due yet";
  fake::AdvanceClock(1);
  Tick();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(IDI_IDLE, fake::CurrentIconId());
  EXPECT_EQ(1u, LiveScreen());
  EXPECT_NE(0u, fake::device().waveVolume);
  Tick();
  EXPECT_FALSE(MuteState.Muted) << "the restored volume is not taken for a new silence";
}

TEST_P(Transitions, AUserMuteTimeOfZeroLastsToTheNextPowerOn) {
  UserSilences();
  Tick();
  ASSERT_TRUE(MuteState.Muted);
  EXPECT_TRUE(MuteState.ExtendToPowerOn);
  fake::AdvanceClock(24 * 3600);
  Tick();
  EXPECT_TRUE(MuteState.Muted) << "a tick never ends a mute extended to the power-on";
  PowerOn();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(1u, LiveScreen());
  EXPECT_NE(0u, MainWindowState.CheckTimer) << "the power-on step arms the timer again";
}

TEST_P(Transitions, AnExtendedMuteOutlivesItsTimeUntilPowerOn) {
  EditSettings([&](SettingsRecord& s) { s.ExtendMuteDefault = true; });
  MuteByChoice({TimeFromNow(60), true});
  fake::AdvanceClock(30);
  PowerOn();
  EXPECT_TRUE(MuteState.Muted) << "power-on before the mute's time";
  fake::AdvanceClock(3600);
  Tick();
  EXPECT_TRUE(MuteState.Muted);
  PowerOn();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);
}

TEST_P(Transitions, AMuteEndsAtItsTimeWhenNotExtended) {
  MuteByChoice({TimeFromNow(600), false});
  fake::AdvanceClock(599);
  Tick();
  EXPECT_TRUE(MuteState.Muted);
  fake::AdvanceClock(1);
  Tick();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);
}

TEST_P(Transitions, ARaisedVolumeIsUndoneOrEndsTheMuteAsUserUnMuteSays) {
  struct Row {
    DWORD userUnMute;
    bool userMute;
    bool endsMute;
  };
  const Row rows[] = {{0, false, false}, {1, false, false}, {2, false, true},
                      {0, true, false},  {1, true, true},   {2, true, true}};
  for (const Row& row : rows) {
    SetUpDevice(hkcu_, GetParam());
    fake::device().waveVolume = kWave;
    EditSettings([&](SettingsRecord& s) {
      s.UserUnMute = row.userUnMute;
      s.UserMuteTime = 3600;
    });
    if (row.userMute) {
      UserSilences();
      Tick();
    } else {
      MuteByChoice({TimeFromNow(3600)});
    }
    ASSERT_TRUE(MuteState.Muted);
    fake::device().waveVolume = 0x20002000;  // somebody turns it up
    Tick();
    EXPECT_EQ(!row.endsMute, MuteState.Muted)
        << row.userUnMute << (row.userMute ? " user" : " program");
    EXPECT_EQ(row.endsMute, fake::device().waveVolume != 0);
    EXPECT_EQ(row.endsMute ? 1u : 0u, LiveScreen());
  }
}

TEST_P(Transitions, PowerOnSilencesAgainAndKeepsTheKindOfMute) {
  // A user mute whose raised volume may end it: silenced again as a user mute, its end kept.
  EditSettings([&](SettingsRecord& s) {
    s.UserUnMute = 1;
    s.UserMuteTime = 3600;
  });
  UserSilences();
  Tick();
  const ULONGLONG until = MuteState.MuteUntil;
  fake::AdvanceClock(60);
  fake::device().waveVolume = kWave;
  PowerOn();
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_EQ(0u, fake::device().waveVolume);
  EXPECT_EQ(until, MuteState.MuteUntil);
  EXPECT_TRUE(MuteState.UserRestoreAllowed);
  EXPECT_EQ(IDI_MUTED_USER_RESTORE, fake::CurrentIconId());

  // A program mute: silenced again as a program mute.
  SetUpDevice(hkcu_, GetParam());
  fake::device().waveVolume = kWave;
  MuteByChoice({TimeFromNow(3600)});
  fake::device().waveVolume = kWave;
  PowerOn();
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_EQ(0u, fake::device().waveVolume);
  EXPECT_FALSE(MuteState.UserRestoreAllowed);
  EXPECT_EQ(IDI_MUTED, fake::CurrentIconId());
}

TEST_P(Transitions, AListedApplicationHoldsMutingOffAndEndsARunningMute) {
  EditSettings([&](SettingsRecord& s) {
    s.EnableAppFilter = true;
    s.AppsToFilter = std::wstring(L"Other|") + kListedApp;
    s.UserMuteTime = 3600;
  });
  MuteByChoice({TimeFromNow(3600), true});
  StartListedApp();
  Tick();
  EXPECT_FALSE(MuteState.Muted) << "the hold ends even an extended mute";
  EXPECT_TRUE(FilterState.FilterHold);
  EXPECT_EQ(IDI_FILTER_HOLD, fake::CurrentIconId());
  EXPECT_EQ(kWave, fake::device().waveVolume);

  UserSilences();
  Tick();
  EXPECT_FALSE(MuteState.Muted) << "a hand-made silence is not taken over while the filter holds";
  EXPECT_NE(0u, fake::device().waveVolume);
  EXPECT_EQ(1u, LiveScreen());

  StopListedApp();
  Tick();
  EXPECT_FALSE(FilterState.FilterHold);
  EXPECT_EQ(IDI_IDLE, fake::CurrentIconId());
}

TEST_P(Transitions, AMuteThatEndsBeforeTheMeetingDoesNotMuteForItAgain) {
  EditMeetingState([&](MeetingStateRecord& m) {
    m.InMeeting = true;
    m.MeetingEnd = TimeFromNow(3600);
    m.NextMeetingCheck = m.MeetingEnd;
  });
  MuteByChoice({TimeFromNow(600)});
  fake::AdvanceClock(600);
  Tick();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_FALSE(MeetingState.InMeeting);
}

TEST_P(Transitions, AMeetingMuteTakesItsEndAndExtensionFromTheMeeting) {
  EditSettings([&](SettingsRecord& s) {
    s.ExtendMuteDefault = true;
    s.EnablePOLink = true;
  });
  MeetingFinding finding{MeetingState, NumberNewLook()};
  finding.state.InMeeting = true;
  finding.state.MeetingEnd = TimeFromNow(1800);
  EXPECT_TRUE(OnMeetingLookDone(finding).refreshVolume);
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_EQ(MeetingState.MeetingEnd, MuteState.MuteUntil);
  EXPECT_TRUE(MuteState.ExtendToPowerOn);
}

TEST_P(Transitions, ANormalExitRestoresTheSound) {
  MuteByChoice({TimeFromNow(3600)});
  SendMessageW(Program.MainWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(MuteState.Muted) << "a standard close does not end the program";
  SendMessageW(Program.MainWindow, WM_CLOSE, 1, 0);
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);
  EXPECT_EQ(1u, LiveScreen());
  ASSERT_FALSE(fake::device().iconCalls.empty());
  EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), fake::device().iconCalls.back().message);
}

TEST_P(Transitions, AnUnreadableVolumeChangesNothing) {
  MuteByChoice({TimeFromNow(3600)});
  fake::device().volumeReadable = false;
  fake::device().waveVolume = kWave;
  Tick();
  PowerOn();
  EXPECT_TRUE(MuteState.Muted);
  fake::device().volumeReadable = true;
  RestoreByChoice();
  fake::device().volumeReadable = false;
  Tick();
  EXPECT_FALSE(MuteState.Muted) << "an unreadable volume is not taken for a silence";
}

INSTANTIATE_TEST_SUITE_P(Kinds, Transitions, ::testing::ValuesIn(kAllKinds),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
