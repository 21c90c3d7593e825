// The program drives the emulated shell's real task bar and volume pop-up, created in this
// process, and the outcome is read from the shell: ringer mode, pop-up state, button-downs.
#include <gtest/gtest.h>
#include <windows.h>

#include "settings/settings.h"
#include "shell/shell_windows.h"
#include "sound/mute_engine.h"
#include "sound/taskbar_volume.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"

namespace {

constexpr DWORD kModeRing = 0, kModeVibrate = 1, kModeOff = 2;
constexpr DWORD kUnset = 0xDEADBEEF;

class RingerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    ResetTestProgramState();
    SetMode(kUnset);
    StartShell();
  }
  void TearDown() override { DestroyShell(); }

  void StartShell() {
    ShellOptions options;
    options.layout = [this] { return layout_; };
    ASSERT_NE(nullptr, CreateShell(GetModuleHandleW(nullptr), options));
  }

  void SetMode(DWORD mode) {
    RegPutDword(scratch_.root(), kShellOverridesKeyPath, kModeValue, mode);
  }
  DWORD Mode() { return RegDword(scratch_.root(), kShellOverridesKeyPath, kModeValue); }
  std::vector<std::wstring> Pressed() { return GetShellStats().pressed; }
  int ButtonDowns() { return GetShellStats().buttonDowns; }

  ScratchHkcu scratch_;
  ScratchHklm machine_{scratch_};  // the shell's buttons change the device's wave volume
  PopupLayout layout_ = PopupLayout::Standard;
};

struct RingerRow {
  const char* name;
  PopupLayout layout;
  bool muted;
  bool muteToVibrate;
  const wchar_t* pressed;
  DWORD mode;
};

const RingerRow kRingerRows[] = {
    {"not muted: On", PopupLayout::Standard, false, false, kRingerOnCaption, kModeRing},
    {"not muted with vibrate chosen: On", PopupLayout::Standard, false, true, kRingerOnCaption,
     kModeRing},
    {"muted: Off", PopupLayout::Standard, true, false, kRingerOffCaption, kModeOff},
    {"muted to vibrate: Vibrate", PopupLayout::Standard, true, true, kRingerVibrateCaption,
     kModeVibrate},
    {"muted to vibrate without Vibrate: Off", PopupLayout::NoVibrate, true, true, kRingerOffCaption,
     kModeOff},
    {"muted without Vibrate: Off", PopupLayout::NoVibrate, true, false, kRingerOffCaption,
     kModeOff},
    {"not muted without Vibrate: On", PopupLayout::NoVibrate, false, true, kRingerOnCaption,
     kModeRing},
};

TEST_F(RingerTest, PressesTheButtonOfTheMuteStateAndClosesThePopup) {
  for (const auto& row : kRingerRows) {
    SCOPED_TRACE(row.name);
    layout_ = row.layout;
    EditSettings([&](SettingsRecord& s) { s.MuteToVibrate = row.muteToVibrate; });
    SetMode(kUnset);
    ResetShellStats();
    TaskBarVolumeState.SoundRefreshPending = true;

    SetTaskBarRinger(row.muted);

    EXPECT_EQ(std::vector<std::wstring>{row.pressed}, Pressed());
    EXPECT_EQ(row.mode, Mode());
    EXPECT_EQ(nullptr, ShellVolumePopup()) << "the closing tap must close the pop-up";
    EXPECT_EQ(2, ButtonDowns());
    EXPECT_EQ(1, GetShellStats().popupOpens);
    EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  }
}

TEST_F(RingerTest, RefreshFollowsTheMuteState) {
  MuteByChoice();
  RefreshTaskBarVolume();
  EXPECT_EQ(kModeOff, Mode());
  RestoreByChoice();
  RefreshTaskBarVolume();
  EXPECT_EQ(kModeRing, Mode());
  EXPECT_EQ((std::vector<std::wstring>{L"Off", L"On"}), Pressed());
}

TEST_F(RingerTest, APopupAlreadyOpenGetsNoOpeningTapAndIsClosed) {
  TapTaskBarVolumeIcon();
  ASSERT_NE(nullptr, ShellVolumePopup());
  ResetShellStats();

  SetTaskBarRinger(true);

  EXPECT_EQ(1, ButtonDowns());
  EXPECT_EQ(0, GetShellStats().popupOpens);
  EXPECT_EQ(nullptr, ShellVolumePopup());
  EXPECT_EQ(kModeOff, Mode());
}

TEST_F(RingerTest, TheTestTapOpensAndThenClosesThePopup) {
  TapTaskBarVolumeIcon();
  EXPECT_NE(nullptr, ShellVolumePopup());
  TapTaskBarVolumeIcon();
  EXPECT_EQ(nullptr, ShellVolumePopup());
  EXPECT_TRUE(Pressed().empty());
  EXPECT_EQ(kUnset, Mode()) << "a tap alone switches nothing";
}

TEST_F(RingerTest, AReminderOnScreenPostponesEverythingUntilItIsGone) {
  ASSERT_TRUE(ShowReminder(true));

  SetTaskBarRinger(true);
  EXPECT_TRUE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(0, ButtonDowns());
  EXPECT_EQ(kUnset, Mode());

  SetTaskBarRinger(true);
  EXPECT_TRUE(TaskBarVolumeState.SoundRefreshPending) << "still postponed while the reminder stays";

  ShowReminder(false);
  SetTaskBarRinger(true);
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(kModeOff, Mode());
  EXPECT_EQ(nullptr, ShellVolumePopup());
}

TEST_F(RingerTest, ReminderShowingReportsAndMarksOnlyARealReminder) {
  EXPECT_FALSE(ReminderShowing());
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  ShowReminder(true);
  EXPECT_TRUE(ReminderShowing());
  EXPECT_TRUE(TaskBarVolumeState.SoundRefreshPending);
}

TEST_F(RingerTest, NamesDifferingOnlyInCaseAreNotTheShells) {
  // Windows of other programs: a dialog titled "reminder" and one titled "volume".
  const HWND decoyReminder = CreateWindowExW(0, kShellDialogClass, L"reminder", WS_POPUP, 0, 0,
                                             10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, decoyReminder);
  const HWND decoyVolume = CreateWindowExW(0, kShellDialogClass, L"volume", WS_POPUP, 0, 0, 10,
                                           10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, decoyVolume);

  SetTaskBarRinger(true);

  EXPECT_EQ(kModeOff, Mode());
  EXPECT_EQ(2, ButtonDowns()) << "the lower-case \"volume\" is not an open pop-up";
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  DestroyWindow(decoyReminder);
  DestroyWindow(decoyVolume);
}

TEST_F(RingerTest, WithoutATaskBarNothingHappensAndThePendingMarkGoes) {
  DestroyShell();
  TaskBarVolumeState.SoundRefreshPending = true;
  SetTaskBarRinger(true);
  TapTaskBarVolumeIcon();
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(kUnset, Mode());
}

TEST_F(RingerTest, ATaskBarWithATitleIsNotTheShells) {
  DestroyShell();
  const HWND titled = CreateWindowExW(0, kTaskBarClass, L"Other", WS_POPUP, 0, 0, 240, 26,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, titled);
  ResetShellStats();

  SetTaskBarRinger(false);
  TapTaskBarVolumeIcon();

  EXPECT_EQ(0, ButtonDowns());
  DestroyWindow(titled);
}

TEST_F(RingerTest, AnIconPointThatMissesOpensNothingAndSendsNoClosingTap) {
  EditSettings([&](SettingsRecord& s) { s.TBIconLocation = MAKELONG(40, 11); });
  TaskBarVolumeState.SoundRefreshPending = true;

  SetTaskBarRinger(true);

  EXPECT_EQ(1, ButtonDowns());
  EXPECT_EQ(0, GetShellStats().popupOpens);
  EXPECT_EQ(kUnset, Mode());
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
}

TEST_F(RingerTest, AMovedIconIsFoundAtTheLocatedPoint) {
  MoveVolumeIcon(MAKELONG(200, 13));
  SetTaskBarRinger(true);
  EXPECT_EQ(kUnset, Mode()) << "the stored point still names the old place";

  EditSettings([&](SettingsRecord& s) { s.TBIconLocation = MAKELONG(200, 13); });
  SetTaskBarRinger(true);
  EXPECT_EQ(kModeOff, Mode());
  EXPECT_EQ(nullptr, ShellVolumePopup());
}

TEST_F(RingerTest, APopupOfAnotherLayoutIsClosedWithoutPressingAnything) {
  layout_ = PopupLayout::NoPanel;
  SetTaskBarRinger(true);
  EXPECT_TRUE(Pressed().empty());
  EXPECT_EQ(kUnset, Mode());
  EXPECT_EQ(nullptr, ShellVolumePopup());
  EXPECT_EQ(2, ButtonDowns());
}

TEST_F(RingerTest, ThePopupShowsTheModeItWasSwitchedTo) {
  SetTaskBarRinger(true);
  TapTaskBarVolumeIcon();  // open it again to look
  const HWND popup = ShellVolumePopup();
  ASSERT_NE(nullptr, popup);
  const HWND panel = FindWindowExW(GetWindow(popup, GW_CHILD), nullptr, kShellDialogClass, L"");
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(panel, kIdRingOff, BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageW(panel, kIdRingOn, BM_GETCHECK, 0, 0));
}

// Commands from other programs: only a clicked ringer button with its own handle switches.
TEST_F(RingerTest, TheShellIgnoresCommandsThatNameNoRingerButton) {
  TapTaskBarVolumeIcon();
  const HWND panel =
      FindWindowExW(GetWindow(ShellVolumePopup(), GW_CHILD), nullptr, kShellDialogClass, L"");
  ASSERT_NE(nullptr, panel);
  const HWND off = GetDlgItem(panel, kIdRingOff);
  SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kIdRingOff, BN_SETFOCUS), reinterpret_cast<LPARAM>(off));
  SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kIdRingOff, 0), reinterpret_cast<LPARAM>(panel));
  SendMessageW(panel, WM_COMMAND, MAKEWPARAM(999, 0), 0);
  EXPECT_EQ(kUnset, Mode());
  SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kIdRingOff, 0), reinterpret_cast<LPARAM>(off));
  EXPECT_EQ(kModeOff, Mode());
}

}  // namespace
