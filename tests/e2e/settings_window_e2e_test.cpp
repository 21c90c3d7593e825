// The settings window of the real program on the emulated handheld, driven from this process as
// a user's taps would drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/program.h"
#include "device/device_state.h"
#include "e2e/device_session.h"
#include "platform/journal_file.h"
#include "resources/resource.h"
#include "shell/launch_record.h"
#include "ui/page_messages.h"
#include "ui/window_driver.h"

namespace {

using namespace e2e;

constexpr DWORD kWaitMs = 15000;

bool Silent() { return ReadDeviceWaveVolume() == 0; }

HWND WaitForSettingsWindow() {
  HWND settings = nullptr;
  WaitUntil([&] { return (settings = FindSettingsWindow()) != nullptr; }, kWaitMs);
  return settings;
}

// One tick of the program, run now: the main window takes the request from another program.
void Tick(HWND main) { SendMessageW(main, WM_CHECK, 1, 0); }

class SettingsWindowOnTheDevice : public ::testing::Test {
 protected:
  void SetUp() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
  void TearDown() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
};

TEST_F(SettingsWindowOnTheDevice, AMuteForThirtyMinutesLastsThirtyMinutesAndCancelRestoresAtOnce) {
  const DWORD wave = ReadDeviceWaveVolume();
  e2e::Program program(L"");  // started by hand: the settings window opens at once
  const HWND main = WaitForMainWindow();
  ASSERT_NE(nullptr, main);
  HWND settings = WaitForSettingsWindow();
  ASSERT_NE(nullptr, settings);
  EXPECT_TRUE(WaitUntil(Silent, kWaitMs)) << "silent while the window is open";

  ASSERT_NE(nullptr, WaitForEnabledControl(settings, IDC_MUTE_MINUTES, kWaitMs));
  ASSERT_TRUE(ChooseListRow(settings, IDC_MUTE_MINUTES, 1));  // "30"
  ASSERT_TRUE(CloseSettingsWindow(settings, true));
  ASSERT_TRUE(WaitUntil([] { return FindSettingsWindow() == nullptr; }, kWaitMs));
  ASSERT_EQ(0, Tool(L"clock advance 29"));
  Tick(main);
  EXPECT_TRUE(Silent()) << "29 minutes later";
  ASSERT_EQ(0, Tool(L"clock advance 2"));
  Tick(main);
  EXPECT_EQ(wave, ReadDeviceWaveVolume()) << "31 minutes later";

  // A tap on the icon silences again; Cancel gives the sound back at once.
  PostMessageW(main, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
  settings = WaitForSettingsWindow();
  ASSERT_NE(nullptr, settings);
  EXPECT_TRUE(WaitUntil(Silent, kWaitMs));
  ASSERT_TRUE(CloseSettingsWindow(settings, false));
  EXPECT_TRUE(WaitUntil([&] { return ReadDeviceWaveVolume() == wave; }, kWaitMs));
}

// The word a journal line carries after its time.
std::string KindOf(const std::string& line) {
  if (line.size() <= kJournalKindColumn) return {};
  return line.substr(kJournalKindColumn, line.find(' ', kJournalKindColumn) - kJournalKindColumn);
}
std::string KindOf(const std::wstring& line) {
  return KindOf(std::string(line.begin(), line.end()));
}

TEST_F(SettingsWindowOnTheDevice, HistoryShowsTheJournalNewestFirstAndTheToolPrintsItOldestFirst) {
  e2e::Program program(L"");  // started by hand: the settings window opens at once
  const HWND main = WaitForMainWindow();
  ASSERT_NE(nullptr, main);
  const HWND settings = WaitForSettingsWindow();
  ASSERT_NE(nullptr, settings);
  ASSERT_TRUE(WaitUntil(Silent, kWaitMs));

  ASSERT_TRUE(ChooseTab(settings, 5));
  ASSERT_TRUE(WaitUntil([&] { return TapControlThatOpens(settings, IDC_ABOUT_HISTORY); }, kWaitMs));
  HWND history = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (history = FindHistoryView()) != nullptr; }, kWaitMs));
  std::vector<std::wstring> shown;
  ASSERT_TRUE(WaitUntil([&] { return (shown = HistoryViewLines(history)).size() == 2; }, kWaitMs));
  EXPECT_EQ("silenced", KindOf(shown[0]));
  EXPECT_EQ("started", KindOf(shown[1]));
  ASSERT_TRUE(CloseFrontWindow(true));
  ASSERT_TRUE(WaitUntil([] { return FindHistoryView() == nullptr; }, kWaitMs));
  EXPECT_EQ(settings, FindSettingsWindow()) << "ok closes the history view only";

  ASSERT_TRUE(CloseFrontWindow(false));
  ASSERT_TRUE(WaitUntil([] { return !Silent(); }, kWaitMs));
  PostMessageW(main, WM_CLOSE, 1, 0);
  ASSERT_EQ(0u, program.Wait(kWaitMs));

  std::vector<std::string> kinds;
  for (const std::string& line : ToolLines(L"journal")) kinds.push_back(KindOf(line));
  EXPECT_EQ((std::vector<std::string>{"started", "silenced", "window", "sound-back", "ended"}),
            kinds);
}

// Help on the Start menu asks the window in front; the same id is a different topic on another
// page.
TEST_F(SettingsWindowOnTheDevice, HelpOnTheStartMenuOpensTheTopicOfTheFocusedControl) {
  struct Case {
    int page;
    int control;
    const wchar_t* address;
  } const cases[] = {
      {kMutePage, IDC_MUTE_MINUTES, L"file:QuietMinder.htm#mute_tab_mute_minutes"},
      {kMeetingsPage, IDC_MEET_LINK, L"file:QuietMinder.htm#meetings_tab_enable_pocket_outlook"},
  };
  ClearLaunches();
  e2e::Program program(L"");  // started by hand: the settings window opens at once
  const HWND settings = WaitForSettingsWindow();
  ASSERT_NE(nullptr, settings);
  size_t asked = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    ASSERT_TRUE(ChooseTab(settings, c.page));
    ASSERT_TRUE(WaitUntil([&] { return FocusControl(settings, c.control); }, kWaitMs));
    ASSERT_EQ(0, Tool(L"help"));
    ++asked;
    std::vector<LaunchRecord> launches;
    ASSERT_TRUE(WaitUntil([&] { return (launches = ReadLaunches()).size() >= asked; }, kWaitMs));
    ASSERT_EQ(asked, launches.size());
    EXPECT_EQ(L"peghelp.exe", launches.back().program);
    EXPECT_EQ(c.address, launches.back().arguments);
  }
  ASSERT_TRUE(CloseSettingsWindow(settings, false));
}

}  // namespace
