// The real QuietMinder.exe on the emulated handheld, watched from outside as a user would: the
// single-instance handshake, a silence made by hand, a crash while muted, one meeting, and the
// settings window driven with taps from another process.
#include <gtest/gtest.h>
#include <windows.h>

#include "device/device_state.h"
#include "e2e/device_session.h"
#include "platform/program_names.h"
#include "resources/resource.h"

namespace {

using namespace e2e;

constexpr DWORD kWaitMs = 15000;

// The values a fresh phone holds, which every way back must restore.
struct UserSound {
  DWORD wave, volume, screen, key, ringer, mode;
};
UserSound Snapshot() {
  return {ReadDeviceWaveVolume(),
          UserDword(kVolumeKeyPath, kVolumeValue),
          UserDword(kVolumeKeyPath, kScreenValue),
          UserDword(kVolumeKeyPath, kKeyValue),
          UserDword(kVolumeKeyPath, kRingerValue),
          UserDword(kShellOverridesKeyPath, kModeValue)};
}
void ExpectSame(const UserSound& a, const UserSound& b) {
  EXPECT_EQ(a.wave, b.wave);
  EXPECT_EQ(a.volume, b.volume);
  EXPECT_EQ(a.screen, b.screen);
  EXPECT_EQ(a.key, b.key);
  EXPECT_EQ(a.ringer, b.ringer);
  EXPECT_EQ(a.mode, b.mode);
}

bool Silenced() {
  return ReadDeviceWaveVolume() == 0 && UserDword(kVolumeKeyPath, kScreenValue) == 0 &&
         UserDword(kShellOverridesKeyPath, kModeValue) == 2;
}

class OnTheDevice : public ::testing::Test {
 protected:
  void SetUp() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
  void TearDown() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
};

TEST_F(OnTheDevice, ASecondStartRaisesTheFirstOnesSettingsWindowAndEndsWithOne) {
  Program first(L"STARTUP");
  HWND main = WaitForMainWindow();
  ASSERT_NE(nullptr, main);
  EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_IDLE; }, kWaitMs));
  EXPECT_EQ(nullptr, FindProcessWindow(first.id(), L"#32770", kSettingsWindowTitle));

  Program second(L"STARTUP");
  EXPECT_EQ(1u, second.Wait(kWaitMs));
  HWND settings = nullptr;
  EXPECT_TRUE(WaitUntil(
      [&] {
        return (settings = FindProcessWindow(first.id(), L"#32770", kSettingsWindowTitle)) !=
               nullptr;
      },
      kWaitMs));
  // A third start while it is open raises it again and still ends with 1.
  Program third(L"");
  EXPECT_EQ(1u, third.Wait(kWaitMs));
  PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, kWaitMs));

  // The standard close is ignored: the window has answered it, and is still there.
  DWORD_PTR answer = 1;
  EXPECT_NE(0, SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_NORMAL, kWaitMs, &answer));
  EXPECT_TRUE(IsWindow(main));
  EXPECT_TRUE(first.Running());
  PostMessageW(main, WM_CLOSE, 1, 0);
  EXPECT_EQ(0u, first.Wait(kWaitMs));
  EXPECT_EQ(0u, TrayPicture());
}

// The owner taps "Off" in the task bar's volume pop-up, with a sound of their own that differs
// from what the shell saved before; the program takes the silence over, and the next power-on
// gives back exactly that sound. Every kind whose task bar has the pop-up.
TEST_F(OnTheDevice, AHandMadeSilenceIsTakenOverAndGivenBackAtTheNextPowerOn) {
  for (const DeviceKind kind :
       {DeviceKind::PocketPc2002, DeviceKind::PocketPc2003, DeviceKind::PocketPc2003Phone}) {
    SCOPED_TRACE(KindInfo(kind).description);
    ResetDevice(kind);
    ASSERT_EQ(0, Tool(L"shell start"));
    constexpr DWORD kOwnerVolume = 0x44444444, kOwnerScreen = 0x00010002, kOwnerKey = 1;
    WriteDeviceWaveVolume(kOwnerVolume);
    PutUserDword(kVolumeKeyPath, kVolumeValue, kOwnerVolume);
    PutUserDword(kVolumeKeyPath, kScreenValue, kOwnerScreen);
    PutUserDword(kVolumeKeyPath, kKeyValue, kOwnerKey);
    if (KindInfo(kind).phone) PutUserDword(kVolumeKeyPath, kRingerValue, 0x77777777);
    const UserSound before = Snapshot();

    Program program(L"STARTUP");
    ASSERT_NE(nullptr, WaitForMainWindow());
    ASSERT_TRUE(WaitUntil([] { return TrayPicture() == IDI_IDLE; }, kWaitMs));

    ASSERT_EQ(0, Tool(L"ringer off"));
    EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_MUTED; }, kWaitMs));
    EXPECT_TRUE(Silenced());
    EXPECT_EQ(kOwnerVolume, UserDword(kShellOverridesKeyPath, kSavedVolumeValue));
    EXPECT_EQ(kOwnerScreen, UserDword(kShellOverridesKeyPath, kSavedScreenValue));
    EXPECT_EQ(kOwnerKey, UserDword(kShellOverridesKeyPath, kSavedKeyValue));
    EXPECT_EQ(before.ringer, UserDword(kShellOverridesKeyPath, kSavedRingerVolumeValue));
    // A user mute without a time lasts to the next power-on.
    EXPECT_FALSE(WaitUntil([] { return !Silenced(); }, 1500));

    PressPowerButton();
    EXPECT_TRUE(WaitUntil([] { return ReadDeviceWaveVolume() != 0; }, kWaitMs));
    EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_IDLE; }, kWaitMs));
    ExpectSame(before, Snapshot());
  }
  Tool(L"shell stop");
}

TEST_F(OnTheDevice, KilledDuringAMeetingTheSoundComesBackAfterARestart) {
  const UserSound before = Snapshot();
  PutUserDword(kSettingsKeyPath, L"EnablePOLink", 1);
  ASSERT_EQ(0, Tool(L"calendar sample --in 0 --minutes 60 --subject \"Design review\""));
  {
    Program program(L"STARTUP");
    ASSERT_NE(nullptr, WaitForMainWindow());
    ASSERT_TRUE(WaitUntil(Silenced, kWaitMs));
    program.Kill();  // no chance to give anything back
  }
  EXPECT_TRUE(Silenced());

  // Started again while the meeting still runs: the device stays silent and the user's values
  // survive in what the silence saved.
  // The killed run's icon record stays behind: the new run's shows once its own window owns it.
  Program again(L"STARTUP");
  const HWND main = WaitForMainWindow();
  ASSERT_NE(nullptr, main);
  EXPECT_TRUE(
      WaitUntil([main] { return TrayOwner() == main && TrayPicture() == IDI_MUTED; }, kWaitMs));
  EXPECT_TRUE(Silenced());
  EXPECT_EQ(before.screen, UserDword(kShellOverridesKeyPath, kSavedScreenValue));
  EXPECT_EQ(before.wave, UserDword(kShellOverridesKeyPath, kSavedVolumeValue));

  // Once the meeting is over, the sound is back as the user had it.
  ASSERT_EQ(0, Tool(L"calendar clear"));
  ASSERT_EQ(0, Tool(L"clock advance 61"));
  PressPowerButton();
  EXPECT_TRUE(WaitUntil([] { return ReadDeviceWaveVolume() != 0; }, kWaitMs));
  ExpectSame(before, Snapshot());
}

TEST_F(OnTheDevice, OneMeetingSilencesTheDeviceAtItsStartAndGivesItBackAtItsEnd) {
  const UserSound before = Snapshot();
  PutUserDword(kSettingsKeyPath, L"EnablePOLink", 1);
  ASSERT_EQ(0, Tool(L"shell start"));
  // A ten-minute meeting a minute from now, on a clock that runs 60 times as fast.
  ASSERT_EQ(0, Tool(L"calendar sample --in 1 --minutes 10 --category Work"));
  ASSERT_EQ(0, Tool(L"clock rate 60"));
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());
  EXPECT_FALSE(Silenced());

  ASSERT_TRUE(WaitUntil(Silenced, 20000));
  EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_MUTED; }, kWaitMs));
  EXPECT_EQ(0u, UserDword(kVolumeKeyPath, kRingerValue));

  // Ten device minutes are ten seconds here.
  EXPECT_TRUE(WaitUntil([] { return ReadDeviceWaveVolume() != 0; }, 30000));
  EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_IDLE; }, kWaitMs));
  ExpectSame(before, Snapshot());
  Tool(L"shell stop");
}

// Opens the settings window with a tap on the notification icon.
void OpenSettingsWindow() {
  ASSERT_TRUE(WaitUntil([] { return TrayPicture() != 0; }, kWaitMs));
  ASSERT_EQ(0, Tool(L"tap"));
}

// Each of `taps` is the device tool's "ui" command line, naming controls as the program's header
// of control ids does; all must succeed.
void Drive(std::initializer_list<const wchar_t*> taps) {
  for (const wchar_t* tap : taps) ASSERT_EQ(0, Tool(std::wstring(L"ui ") + tap)) << tap;
}

bool SettingsWindowOpen(DWORD pid) {
  return FindProcessWindow(pid, L"#32770", kSettingsWindowTitle) != nullptr;
}

TEST_F(OnTheDevice, TheSettingsWindowTurnsOnTheMeetingLinkAndTheFilterWhichThenDecide) {
  ASSERT_EQ(0, Tool(L"calendar sample --in 3 --minutes 30 --category Work --subject Review"));
  // A running application for the filter: a window of this process, on the device's screen.
  HWND notes = CreateWindowExW(0, L"STATIC", L"Notes", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, notes);
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());
  OpenSettingsWindow();
  Drive({L"tab 2", L"tap IDC_MEET_LINK", L"select IDC_MEET_CATEGORIES Work", L"tab 3",
         L"tap IDC_APPS_ENABLE", L"select IDC_APPS_LIST Notes", L"tab 0", L"tap IDC_MUTE_RESTORE",
         L"ok"});
  ASSERT_TRUE(WaitUntil([&] { return !SettingsWindowOpen(program.id()); }, kWaitMs));
  EXPECT_EQ(1u, UserDword(kSettingsKeyPath, L"EnablePOLink"));
  EXPECT_EQ(L"Work", UserText(kSettingsKeyPath, L"POCategory"));
  EXPECT_EQ(1u, UserDword(kSettingsKeyPath, L"EnableAppFilter"));
  EXPECT_EQ(L"Notes", UserText(kSettingsKeyPath, L"AppsToFilter"));

  // While Notes runs the filter holds muting off; once it is closed, the meeting in Work
  // silences the device when it starts.
  EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_FILTER_HOLD; }, kWaitMs));
  EXPECT_FALSE(Silenced());
  DestroyWindow(notes);
  EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_IDLE; }, kWaitMs));
  EXPECT_FALSE(Silenced());
  ASSERT_EQ(0, Tool(L"clock advance 4"));
  EXPECT_TRUE(WaitUntil(Silenced, kWaitMs));
  EXPECT_TRUE(WaitUntil([] { return TrayPicture() == IDI_MUTED; }, kWaitMs));
}

// Another program's window that happens to carry the settings window's names is not the
// program's own: a tap on the icon still opens the settings window.
TEST_F(OnTheDevice, AnotherProgramsWindowOfTheSameNamesDoesNotStopTheSettingsWindow) {
  HWND other = CreateWindowExW(0, L"#32770", kSettingsWindowTitle, WS_POPUP | WS_VISIBLE, 0, 0, 50,
                               50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, other);
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());
  OpenSettingsWindow();
  EXPECT_TRUE(WaitUntil([&] { return SettingsWindowOpen(program.id()); }, kWaitMs));
  Drive({L"cancel"});
  EXPECT_TRUE(WaitUntil([&] { return !SettingsWindowOpen(program.id()); }, kWaitMs));
  DestroyWindow(other);
}

TEST_F(OnTheDevice, CancelKeepsThePageThatWasLeftAndDropsTheOneShown) {
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());
  OpenSettingsWindow();
  ASSERT_TRUE(WaitUntil(Silenced, kWaitMs));  // the open window holds the device silent
  Drive({L"tab 2", L"tap IDC_MEET_LINK", L"tab 3", L"tap IDC_APPS_ENABLE", L"cancel"});
  ASSERT_TRUE(WaitUntil([&] { return !SettingsWindowOpen(program.id()); }, kWaitMs));
  EXPECT_EQ(1u, UserDword(kSettingsKeyPath, L"EnablePOLink"));
  EXPECT_EQ(0u, UserDword(kSettingsKeyPath, L"EnableAppFilter"));
  EXPECT_TRUE(WaitUntil([] { return ReadDeviceWaveVolume() != 0; }, kWaitMs));
}

TEST_F(OnTheDevice, TheSoundPagePlaysItsTestToneAtTheChosenLevelAndStoresIt) {
  WriteDeviceDword(L"SoundsPlayed", 0);
  WriteDeviceDword(L"LastSoundVolume", 0);
  Program program(L"STARTUP");
  ASSERT_NE(nullptr, WaitForMainWindow());
  OpenSettingsWindow();
  ASSERT_TRUE(WaitUntil(Silenced, kWaitMs));
  Drive({L"tab 4", L"tap IDC_SOUND_ENABLE", L"slide IDC_SOUND_VOLUME 1"});
  EXPECT_TRUE(WaitUntil([] { return ReadDeviceDword(L"SoundsPlayed", 0) == 1; }, kWaitMs));
  EXPECT_EQ(0xFFFFFFFFu, ReadDeviceDword(L"LastSoundVolume", 0));
  EXPECT_TRUE(Silenced());  // held silent again once the tone has played
  Drive({L"tap IDC_SOUND_PROTECT", L"ok"});
  ASSERT_TRUE(WaitUntil([&] { return !SettingsWindowOpen(program.id()); }, kWaitMs));
  EXPECT_EQ(5u, UserDword(kSettingsKeyPath, L"SoundProtection"));  // on, protecting the settings
  EXPECT_EQ(0xFFFFFFFFu, UserDword(kSettingsKeyPath, L"SPVolume"));
}

}  // namespace
