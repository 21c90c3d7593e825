// The Sound page: stored protection values shown on its controls and stored back, its enabling
// rules, the last-protected line, and the test tone.
#include <windows.h>
#include <commctrl.h>

#include "meetings/meeting_state.h"
#include "platform/sound_keys.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_state.h"
#include "sound/sound_protection.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "ui/page_env.h"
#include "ui/sound_page.h"

namespace {

constexpr int kValueControls[] = {IDC_SOUND_EVENTS, IDC_SOUND_PROGRAMS,    IDC_SOUND_NOTIFICATIONS,
                                  IDC_SOUND_SCREEN, IDC_SOUND_SCREEN_SOFT, IDC_SOUND_SCREEN_HARD,
                                  IDC_SOUND_KEYS,   IDC_SOUND_KEYS_SOFT,   IDC_SOUND_KEYS_HARD};

class SoundPage : public PageTest {
 protected:
  void OpenSoundPage() { Open(IDD_SOUND_PAGE, SoundPageProc); }
  std::vector<int> EnabledValueControls() const {
    std::vector<int> enabled;
    for (int id : kValueControls) {
      if (Enabled(id)) enabled.push_back(id);
    }
    return enabled;
  }
};

TEST_F(SoundPage, StoredVolumeShowsOnTheSliderAndComesBackAsItsStepsWord) {
  const struct {
    DWORD stored;
    int step;
    DWORD committed;
  } rows[] = {{0xFFFFFFFF, 1, 0xFFFFFFFF}, {0xCCCCCCCC, 2, 0xCCCCCCCC}, {0x66666666, 4, 0x66666666},
              {0x33333333, 5, 0x33333333}, {0x70000000, 4, 0x66666666}, {0x33333332, 3, 0x99999999},
              {0, 3, 0x99999999}};
  for (const auto& row : rows) {
    EditSettings([&](SettingsRecord& s) {
      s.SoundProtection.Enabled = true;
      s.SPVolume = row.stored;
    });
    OpenSoundPage();
    EXPECT_EQ(row.step, SendMessageW(Control(IDC_SOUND_VOLUME), TBM_GETPOS, 0, 0)) << row.stored;
    Commit();
    EXPECT_EQ(row.committed, StoredDword(L"SPVolume")) << row.stored;
    DestroyWindow(page());
  }
}

TEST_F(SoundPage, StoredClassesAndClickSoundsShowAndComeBack) {
  const struct {
    DWORD mute, screen, key;
    // Events, Programs, Notifications, Screen taps, its Hard, Hardware buttons, its Hard
    bool checks[7];
    DWORD storedMute, storedScreen, storedKey;
  } rows[] = {
      {7, 0, 0, {1, 1, 1, 0, 0, 0, 0}, 7, 0, 0},
      // "Notifications" under an unchecked "Programs" is stored as not set.
      {1, 1, 65538, {0, 0, 1, 1, 0, 1, 1}, 0, 1, 65538},
      // Bits the page does not show are not kept; any click value above soft is hard.
      {0xFFFFFFFA, 2, 0, {0, 1, 0, 1, 1, 0, 0}, 2, 65538, 0},
  };
  const int ids[] = {IDC_SOUND_EVENTS,   IDC_SOUND_PROGRAMS,    IDC_SOUND_NOTIFICATIONS,
                     IDC_SOUND_SCREEN,   IDC_SOUND_SCREEN_HARD, IDC_SOUND_KEYS,
                     IDC_SOUND_KEYS_HARD};
  for (const auto& row : rows) {
    EditSettings([&](SettingsRecord& s) {
      s.SoundProtection = {true, false, true};
      s.SPMute = row.mute;
      s.SPScreen = row.screen;
      s.SPKey = row.key;
    });
    OpenSoundPage();
    for (size_t i = 0; i < std::size(ids); ++i) {
      EXPECT_EQ(row.checks[i], Checked(ids[i])) << "control " << ids[i] << ", SPMute " << row.mute;
    }
    EXPECT_NE(Checked(IDC_SOUND_KEYS_SOFT), Checked(IDC_SOUND_KEYS_HARD));
    Commit();
    EXPECT_EQ(row.storedMute, StoredDword(L"SPMute"));
    EXPECT_EQ(row.storedScreen, StoredDword(L"SPScreen"));
    EXPECT_EQ(row.storedKey, StoredDword(L"SPKey"));
    DestroyWindow(page());
  }
}

TEST_F(SoundPage, EnablingFollowsProtectionItsModeAndTheBoxesAbove) {
  EditSettings([&](SettingsRecord& s) {
    s.SoundProtection = {false, true, false};
    s.SPScreen = 1;
  });
  OpenSoundPage();
  using Ids = std::vector<int>;
  const Ids protect = {IDC_SOUND_EVENTS, IDC_SOUND_PROGRAMS,    IDC_SOUND_NOTIFICATIONS,
                       IDC_SOUND_SCREEN, IDC_SOUND_SCREEN_SOFT, IDC_SOUND_SCREEN_HARD,
                       IDC_SOUND_KEYS};
  const Ids withoutNotifications = {IDC_SOUND_EVENTS,      IDC_SOUND_PROGRAMS,    IDC_SOUND_SCREEN,
                                    IDC_SOUND_SCREEN_SOFT, IDC_SOUND_SCREEN_HARD, IDC_SOUND_KEYS};
  const struct {
    int tap;
    Ids enabled;
  } steps[] = {
      {IDC_SOUND_ENABLE, {}},  // warning only: nothing to protect
      {IDC_SOUND_PROTECT, protect},
      {IDC_SOUND_PROGRAMS, withoutNotifications},
      {IDC_SOUND_WARN_ONLY, {}},
      {IDC_SOUND_ENABLE, {}},                     // off
      {IDC_SOUND_ENABLE, {}},                     // on again, still warning only
      {IDC_SOUND_PROTECT, withoutNotifications},  // the earlier choices come back
  };
  EXPECT_TRUE(EnabledValueControls().empty());
  for (const auto& step : steps) {
    Tap(step.tap);
    EXPECT_EQ(step.enabled, EnabledValueControls()) << "after a tap on " << step.tap;
    EXPECT_EQ(Checked(IDC_SOUND_ENABLE), Enabled(IDC_SOUND_VOLUME));
    EXPECT_EQ(Checked(IDC_SOUND_ENABLE), Enabled(IDC_SOUND_WARN_ONLY));
  }
  Commit();
  EXPECT_EQ(PackSoundProtection({true, false, true}), StoredDword(L"SoundProtection"));
  EXPECT_EQ(4u, StoredDword(L"SPMute"));  // Notifications sits under the unchecked Programs
}

TEST_F(SoundPage, SwitchedOffOnlyTheSwitchChanges) {
  EditSettings([&](SettingsRecord& s) {
    s.SoundProtection = {true, false, true};
    s.SPMute = 3;
  });
  OpenSoundPage();
  Tap(IDC_SOUND_PROGRAMS);
  SendMessageW(Control(IDC_SOUND_VOLUME), TBM_SETPOS, TRUE, 5);
  Tap(IDC_SOUND_ENABLE);
  Commit();
  EXPECT_EQ(PackSoundProtection({false, false, true}), StoredDword(L"SoundProtection"));
  EXPECT_EQ(0x66666666u, StoredDword(L"SPVolume"));
  EXPECT_EQ(3u, StoredDword(L"SPMute"));
}

TEST_F(SoundPage, TheLastProtectedLineShowsOnlyOnceProtectionHasActed) {
  OpenSoundPage();
  EXPECT_FALSE(IsWindowVisible(Control(IDC_SOUND_STATUS)));
  DestroyWindow(page());
  // Protection puts a setting back at 2026-12-07 15:00 UTC, 10:00 in New York.
  EditSettings([&](SettingsRecord& s) { s.SoundProtection = {true, false, true}; });
  RegPutDword(hkcu_.root(), kVolumeKeyPath, L"Screen", 1);
  ProtectSoundSettings();
  OpenSoundPage();
  EXPECT_EQ(L"Your sound settings were last protected on 12/7/2026 at 10:00 AM",
            Text(IDC_SOUND_STATUS));
}

// Also where the sound given back would be inaudible: the tone lends it without a warning box or
// the sounds applet, and a meeting in progress stays in progress.
TEST_F(SoundPage, ReleasingTheSliderPlaysTheToneAtItsLevelAndSilencesAgain) {
  fake::device().waveVolume = 0x99999999;
  RegPutDword(hkcu_.root(), kVolumeKeyPath, L"Mute", 0);
  EditMeetingState([&](MeetingStateRecord& m) { m.InMeeting = true; });
  MuteByChoice();  // as the settings window's Mute page does when it opens
  EditSettings([&](SettingsRecord& s) {
    s.SoundProtection.Enabled = true;
    s.SoundProtection.WarnOnly = true;
  });
  OpenSoundPage();
  const HWND slider = Control(IDC_SOUND_VOLUME);
  SendMessageW(slider, TBM_SETPOS, TRUE, 1);
  SendMessageW(page(), WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, 1), reinterpret_cast<LPARAM>(slider));
  EXPECT_TRUE(fake::device().soundsPlayed.empty());
  SendMessageW(page(), WM_VSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(slider));
  ASSERT_EQ(1u, fake::device().soundsPlayed.size());
  EXPECT_EQ(L"Default", fake::device().soundsPlayed[0].name);
  EXPECT_EQ(0xFFFFFFFFu, fake::device().soundsPlayed[0].waveVolume);
  EXPECT_EQ(0u, fake::device().waveVolume);
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_EQ(0x99999999u, MuteState.SavedSoundState.Volume);  // the user's, not the tone's
  EXPECT_TRUE(fake::device().messageBoxes.empty());
  EXPECT_TRUE(fake::device().launches.empty());
  EXPECT_TRUE(MeetingState.InMeeting);
}

}  // namespace
