// The settings window on the fake handheld, driven from inside its own modal loop as a user's
// taps would drive it: the Mute page's choices and what they leave for the sound, the Today and
// Rules views over the Meetings page, the pages' commits, Exit, the Settings page's lists, and
// context help.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "calendar/calendar_env.h"
#include "common/clock.h"
#include "device/device_kinds.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "platform/program_names.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"
#include "ui/context_help.h"
#include "ui/mute_page.h"
#include "ui/settings_window.h"
#include "ui/window_driver.h"

namespace {

constexpr DWORD kWave = 0x55555555;

ULONGLONG Minutes(LONGLONG m) { return static_cast<ULONGLONG>(m) * 60 * kFileTimeSecond; }

SYSTEMTIME Local(int hour, int minute, int day = 7) {
  return SYSTEMTIME{2026, 12, 0, static_cast<WORD>(day), static_cast<WORD>(hour),
                    static_cast<WORD>(minute), 0, 0};
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

class SettingsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    ResetTestProgramState();
    PopulateSoundKeys(hkcu_.root(), DeviceKind::PocketPc2003Phone);
    fake::device().waveVolume = kWave;
    DetectDeviceProfile(Program.Instance);
    ASSERT_NE(nullptr, CreateTestMainWindow());
    SetLocalClock(10, 0);
  }
  void TearDown() override { DestroyTestMainWindow(); }

  static void SetLocalClock(int hour, int minute) {
    fake::device().utcNow = LocalToUtc(2026, 12, 7, hour, minute);
  }
  static ULONGLONG Now() { return TimeFromNow(0); }

  // Taps the icon and runs `act` on the open window; the window must be closed by `act`.
  void Open(std::function<void(HWND)> act) {
    WhenWindowAppears(L"#32770", kSettingsWindowTitle, std::move(act));
    SendMessageW(Program.MainWindow, WM_TRAY_NOTIFY, 5000, WM_LBUTTONUP);
  }
  // Opens the window, makes the user's choice on the Mute page and taps OK.
  void Choose(const std::function<void(HWND)>& choice) {
    Open([&](HWND w) {
      choice(w);
      CloseSettingsWindow(w, true);
    });
  }
  static bool Checked(HWND w, int id) {
    return SendMessageW(FindShownControl(w, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  static void SetPicker(HWND w, const SYSTEMTIME& local) {
    SendMessageW(FindShownControl(w, IDC_MUTE_UNTIL_TIME), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&local));
  }

  ScratchHkcu hkcu_;
};

// ---- The Mute page's choices ------------------------------------------------------------------

TEST_F(SettingsWindow, EachChoiceLeavesTheMuteItsEndAndTheWindowsResult) {
  struct Row {
    const char* name;
    std::function<void(HWND)> choice;
    bool muted;
    LONGLONG untilMinutesFromNow;  // ignored when not muted
    bool extend;
  };
  const Row rows[] = {
      {"restore volume now", [](HWND w) { TapControl(w, IDC_MUTE_RESTORE); }, false, 0, false},
      {"until the next power-on", [](HWND w) { TapControl(w, IDC_MUTE_POWER_ON); }, true, 0,
       true},
      {"for 90 minutes: choosing the row chooses the option",
       [](HWND w) { ChooseListRow(w, IDC_MUTE_MINUTES, 4); }, true, 90, false},
      {"until 10:40 today",
       [](HWND w) {
         SetPicker(w, Local(10, 40));
         TapControl(w, IDC_MUTE_UNTIL);
       },
       true, 40, false},
      {"until a time 20 minutes ago: that time tomorrow",
       [](HWND w) {
         SetPicker(w, Local(9, 40));
         TapControl(w, IDC_MUTE_UNTIL);
       },
       true, 24 * 60 - 20, false},
      {"until a time 10 minutes ago: today, to the next power-on",
       [](HWND w) {
         SetPicker(w, Local(9, 50));
         TapControl(w, IDC_MUTE_UNTIL);
       },
       true, -10, true},
      {"the default option, untouched", [](HWND) {}, true, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    Choose(row.choice);
    EXPECT_EQ(row.muted, MuteState.Muted);
    EXPECT_EQ(row.muted ? 0u : kWave, fake::device().waveVolume);
    if (!row.muted) continue;
    EXPECT_EQ(Now() + Minutes(row.untilMinutesFromNow), MuteState.MuteUntil);
    EXPECT_EQ(row.extend, MuteState.ExtendToPowerOn);
  }
  EXPECT_EQ(90u, RegDword(hkcu_.root(), kSettingsKeyPath, L"MuteListValue"));
}

TEST_F(SettingsWindow, OpeningSilencesCancelGivesTheSoundBackAndExitEndsTheProgram) {
  Open([](HWND w) {
    EXPECT_TRUE(MuteState.Muted) << "silent while the window is open";
    EXPECT_EQ(0u, fake::device().waveVolume);
    CloseSettingsWindow(w, false);
  });
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);

  EditSettings([&](SettingsRecord& s) { s.ExitButton = true; });
  Open([](HWND w) { EXPECT_TRUE(TapControl(w, IDC_MUTE_EXIT)); });
  EXPECT_FALSE(MuteState.Muted);
  MSG close{};
  ASSERT_TRUE(PeekMessageW(&close, Program.MainWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_EQ(1u, close.wParam);
}

TEST_F(SettingsWindow, TheExitButtonShowsOnlyWhenTheSettingAsksForIt) {
  Open([](HWND w) {
    EXPECT_EQ(nullptr, FindShownControl(w, IDC_MUTE_EXIT));
    CloseSettingsWindow(w, false);
  });
}

TEST_F(SettingsWindow, ARunningMuteIsShownAndKeptUntilItsEndOrTheNextPowerOn) {
  struct Row {
    const char* name;
    LONGLONG untilMinutesFromNow;
    const wchar_t* shown;
  };
  const Row rows[] = {{"a mute to 10:30", 30, L"12/7/2026 10:30 AM"},
                      {"a mute whose time has passed", -5, L"Next Power On"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    MuteByChoice({Now() + Minutes(row.untilMinutesFromNow)});
    std::wstring shown;
    bool continueChecked = false;
    Choose([&](HWND w) {
      shown = TextOf(FindShownControl(w, IDC_MUTE_CONTINUE_TEXT));
      continueChecked = Checked(w, IDC_MUTE_CONTINUE);
    });
    EXPECT_EQ(row.shown, shown);
    EXPECT_TRUE(continueChecked);
    EXPECT_TRUE(MuteState.Muted);
    EXPECT_EQ(Now() + Minutes(row.untilMinutesFromNow), MuteState.MuteUntil);
  }
}

TEST_F(SettingsWindow, AMeetingInProgressIsOfferedAndStretchesARunningMuteToItsEnd) {
  DeviceCalendar calendar;
  calendar.Import(Calendar(
      {Event("20261207T093000", "20261207T110000", std::string(10000, 'S') + "\r\n\tfolded")}));
  EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
  MuteByChoice({Now() + Minutes(15)});
  std::wstring description;
  Open([&](HWND w) {
    // The meeting is offered once the look the page asked for has found it, and the running
    // mute is shown stretched to its end.
    ASSERT_TRUE(
        PumpUntil([&] { return IsWindowEnabled(FindShownControl(w, IDC_MUTE_MEETING)); }, 30000));
    EXPECT_TRUE(Checked(w, IDC_MUTE_MEETING));
    description = TextOf(FindShownControl(w, IDC_MUTE_MEETING_TEXT));
    CloseSettingsWindow(w, true);
  });
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 11, 0), MuteState.MuteUntil);
  // A subject of 10,000 characters shows cut to its start.
  EXPECT_EQ(std::wstring(25, L'S') + L"...", description.substr(0, 28));
  EXPECT_LT(description.size(), 100u);
}

TEST_F(SettingsWindow, WithoutTheLinkTheMeetingOptionCannotBeChosen) {
  Open([](HWND w) {
    EXPECT_EQ(L"Link to Pocket Outlook is disabled.",
              TextOf(FindShownControl(w, IDC_MUTE_MEETING_TEXT)));
    EXPECT_FALSE(IsWindowEnabled(FindShownControl(w, IDC_MUTE_MEETING)));
    CloseSettingsWindow(w, false);
  });
}

TEST_F(SettingsWindow, TheUntilPickerStartsAtTheNextHourWithAQuarterOfAnHourToSpare) {
  const struct {
    int hour, minute, expectedHour;
  } rows[] = {{10, 44, 11}, {10, 45, 12}, {23, 10, 0}};
  for (const auto& row : rows) {
    const SYSTEMTIME start = UntilPickerStart(Local(row.hour, row.minute));
    EXPECT_EQ(row.expectedHour, start.wHour) << row.hour << ":" << row.minute;
    EXPECT_EQ(0, start.wMinute);
  }
}

TEST_F(SettingsWindow, TheGreetingShowsOnceOnTheFirstRun) {
  EditSettings([&](SettingsRecord& s) { s.FirstRun = true; });
  for (int opening = 0; opening < 2; ++opening) Choose([](HWND) {});
  int greetings = 0;
  for (const auto& box : fake::device().messageBoxes) {
    greetings += box.caption == L"QuietMinder Information" ? 1 : 0;
  }
  EXPECT_EQ(1, greetings);
}

TEST_F(SettingsWindow, ADeviceSilencedByHandGetsTheOwnersSoundBackOnCancel) {
  fake::device().waveVolume = 0;
  RegPutDword(hkcu_.root(), kVolumeKeyPath, kVolumeValue, 0);
  RegPutDword(hkcu_.root(), kShellOverridesKeyPath, kSavedVolumeValue, kWave);
  Open([](HWND w) { CloseSettingsWindow(w, false); });
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume) << "the sound the shell kept, not a default";
}

TEST_F(SettingsWindow, TheTodayViewPlansByTheMeetingsPagesChoicesBeforeTheyAreStored) {
  DeviceCalendar calendar;
  calendar.Import(Calendar({Event("20261207T100000", "20261207T110000", "Review"),
                            Event("20261207T120000", "20261207T130000", "Lunch",
                                  {"TRANSP:TRANSPARENT"})}));
  SetLocalClock(10, 15);
  std::vector<std::wstring> lines;
  Open([&](HWND w) {
    ASSERT_TRUE(ChooseTab(w, kMeetingsPage));
    TapControl(w, IDC_MEET_LINK);
    TapControl(w, IDC_MEET_EXCLUDE_FREE);
    WhenWindowAppears(L"#32770", L"Today", [&](HWND view) {
      PumpUntil([&] { return !TodayViewLines(view).empty(); }, 10000);
      lines = TodayViewLines(view);
      CloseFrontWindow(true);
    });
    TapControl(w, IDC_MEET_TODAY);
    CloseSettingsWindow(w, false);
  });
  EXPECT_EQ((std::vector<std::wstring>{
                L"Monday, December 7, 2026", L"--------------------#|#--------------------------",
                L"Held silent while this window is open; then: silent until 11:00 AM: Review",
                L"10:00 AM - 11:00 AM  Review  Silences until 11:00 AM",
                L"12:00 PM - 1:00 PM  Lunch  Sounds: it is free time, and free time is excluded"}),
            lines);
  EXPECT_FALSE(Settings.EnablePOLink) << "the choices were tried, not stored";
}

TEST_F(SettingsWindow, TheTodayViewStepsToTheDayBeforeAndAfterEachWithItsBand) {
  DeviceCalendar calendar;
  calendar.Import(Calendar({Event("20261207T100000", "20261207T110000", "Review"),
                            Event("20261208T090000", "20261208T094500", "Planning")}));
  // Quiet hours that begin on Sunday evening and end on Monday morning.
  EditSettings([](SettingsRecord& s) {
    s.EnablePOLink = true;
    s.QuietDays = 1;
    s.QuietFrom = 22 * 60;
    s.QuietTo = 6 * 60 + 30;
  });
  SetLocalClock(10, 15);
  const std::vector<std::wstring> monday = {
      L"Monday, December 7, 2026", L"#############-------#|#--------------------------",
      L"Held silent while this window is open; then: silent until 11:00 AM: Review",
      L"10:00 AM - 11:00 AM  Review  Silences until 11:00 AM"};
  const struct {
    int tap;  // 0: as the view opens
    std::vector<std::wstring> lines;
  } steps[] = {
      {0, monday},
      // Another day has no present moment and no state now.
      {IDC_TODAY_NEXT,
       {L"Tuesday, December 8, 2026", L"------------------#+----------------------------",
        L"9:00 AM - 9:45 AM  Planning  Silences until 9:45 AM"}},
      {IDC_TODAY_PREV, monday},
      {IDC_TODAY_PREV,
       {L"Sunday, December 6, 2026", L"--------------------------------------------####",
        L"10:00 PM - 6:30 AM  Quiet hours  Silences until 12/7/2026 6:30 AM"}},
  };
  Open([&](HWND w) {
    ASSERT_TRUE(ChooseTab(w, kMeetingsPage));
    WhenWindowAppears(L"#32770", L"Today", [&](HWND view) {
      for (const auto& step : steps) {
        if (step.tap) {
          EXPECT_TRUE(TapControl(view, step.tap));
        }
        // The plan of the day shown comes from the look thread, after the tap.
        PumpUntil([&] { return TodayViewLines(view) == step.lines; }, 10000);
        EXPECT_EQ(step.lines, TodayViewLines(view)) << "after " << step.tap;
      }
      CloseFrontWindow(true);
    });
    TapControl(w, IDC_MEET_TODAY);
    CloseSettingsWindow(w, false);
  });
}

// ---- The Rules view ----------------------------------------------------------------------------

// Opens the Rules view from the Meetings page and runs `act` on it, which closes it.
void UseRulesView(HWND w, const std::function<void(HWND view)>& act) {
  EXPECT_TRUE(ChooseTab(w, kMeetingsPage));
  WhenWindowAppears(L"#32770", kRulesViewTitle, [&](HWND view) {
    EXPECT_EQ(view, FindFrontWindow());
    act(view);
  });
  EXPECT_TRUE(TapControl(w, IDC_MEET_RULES));
}

// The band of the Today view, which plans by the Meetings page's rules, stored or not.
std::wstring TodaysBand(HWND w) {
  std::wstring band;
  WhenWindowAppears(L"#32770", L"Today", [&](HWND view) {
    PumpUntil([&] { return !TodayViewLines(view).empty(); }, 10000);
    if (const auto lines = TodayViewLines(view); lines.size() > 1) band = lines[1];
    CloseFrontWindow(true);
  });
  TapControl(w, IDC_MEET_TODAY);
  return band;
}

TEST_F(SettingsWindow, TheRulesViewsOkReachesThePlanAndThePagesCommitItsCancelNothing) {
  DeviceCalendar calendar;
  calendar.Import(Calendar(
      {Event("20261207T120000", "20261207T130000", "Team lunch", {"CATEGORIES:Work"}),
       Event("20261207T140000", "20261207T150000", "Board review", {"CATEGORIES:Personal"})}));
  EditSettings([](SettingsRecord& s) {
    s.EnablePOLink = true;
    s.POCategory = L"Work";
  });
  const struct {
    bool ok;
    const wchar_t* band;
    DWORD early, late;
    const wchar_t *skip, *always;
    DWORD from, to, days;
  } rows[] = {
      {false, L"--------------------|----##----------------------", 0, 0, L"", L"", 1320, 390, 0},
      // Sunday's quiet hours to 7:05 AM; lunch skipped; the board review counts by its word,
      // from 1:55 PM to 5:00 PM.
      {true, L"##############+-----|-------+######--------------", 5, 120, L"lunch, Private",
       L"Board", 21 * 60 + 45, 7 * 60 + 5, 0x21},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ok ? "ok" : "cancel");
    std::wstring band;
    Open([&](HWND w) {
      UseRulesView(w, [&](HWND view) {
        ChooseListRow(view, IDC_RULES_EARLY, 1);
        ChooseListRow(view, IDC_RULES_LATE, 6);
        TypeText(view, IDC_RULES_SKIP, L" lunch ,, Private ");
        TypeText(view, IDC_RULES_ALWAYS, L"Board");
        SetTimePicker(view, IDC_RULES_QUIET_FROM, 21, 45);
        SetTimePicker(view, IDC_RULES_QUIET_TO, 7, 5);
        TapControl(view, IDC_RULES_SUNDAY);
        TapControl(view, IDC_RULES_FRIDAY);
        CloseFrontWindow(row.ok);
      });
      band = TodaysBand(w);
      CloseSettingsWindow(w, true);
    });
    EXPECT_EQ(row.band, band);
    const auto stored = [&](const wchar_t* name) {
      return RegDword(hkcu_.root(), kSettingsKeyPath, name);
    };
    EXPECT_EQ(row.early, stored(L"POStartEarly"));
    EXPECT_EQ(row.late, stored(L"POEndLate"));
    EXPECT_EQ(row.skip, RegText(hkcu_.root(), kSettingsKeyPath, L"POSkipWords"));
    EXPECT_EQ(row.always, RegText(hkcu_.root(), kSettingsKeyPath, L"POAlwaysWords"));
    EXPECT_EQ(row.from, stored(L"QuietFrom"));
    EXPECT_EQ(row.to, stored(L"QuietTo"));
    EXPECT_EQ(row.days, stored(L"QuietDays"));
  }
}

TEST_F(SettingsWindow, TheRulesViewShowsTheStoredRulesAndOkKeepsAMinuteNoRowCarries) {
  const struct {
    DWORD stored;
    const wchar_t* shown;
    LRESULT row;
  } rows[] = {{0, L"0 min.", 0}, {7, L"7 min.", 2}, {119, L"119 min.", 6}, {120, L"120 min.", 6}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored);
    EditSettings([&](SettingsRecord& s) {
      s.EnablePOLink = true;
      s.POStartEarly = s.POEndLate = row.stored;
      s.POSkipWords = L"a,b";
      s.QuietFrom = 23 * 60 + 59;
      s.QuietTo = 0;
      s.QuietDays = 0x41;  // Sunday and Saturday
    });
    Open([&](HWND w) {
      UseRulesView(w, [&](HWND view) {
        for (int list : {IDC_RULES_EARLY, IDC_RULES_LATE}) {
          EXPECT_EQ(row.shown, TextOf(GetDlgItem(view, list)));
          EXPECT_EQ(row.row, SendDlgItemMessageW(view, list, CB_GETCURSEL, 0, 0));
        }
        EXPECT_EQ(L"a,b", TextOf(GetDlgItem(view, IDC_RULES_SKIP)));
        EXPECT_EQ(L"", TextOf(GetDlgItem(view, IDC_RULES_ALWAYS)));
        SYSTEMTIME from{}, to{};
        SendDlgItemMessageW(view, IDC_RULES_QUIET_FROM, DTM_GETSYSTEMTIME, 0,
                            reinterpret_cast<LPARAM>(&from));
        SendDlgItemMessageW(view, IDC_RULES_QUIET_TO, DTM_GETSYSTEMTIME, 0,
                            reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(23 * 60 + 59, from.wHour * 60 + from.wMinute);
        EXPECT_EQ(0, to.wHour * 60 + to.wMinute);
        std::wstring days;
        for (int day = IDC_RULES_SUNDAY; day <= IDC_RULES_SATURDAY; ++day) {
          days += IsDlgButtonChecked(view, day) == BST_CHECKED ? L'x' : L'-';
        }
        EXPECT_EQ(L"x-----x", days);
        CloseFrontWindow(true);
      });
      CloseSettingsWindow(w, true);
    });
    EXPECT_EQ(row.stored, Settings.POStartEarly);
    EXPECT_EQ(row.stored, Settings.POEndLate);
    EXPECT_EQ(L"a, b", Settings.POSkipWords.value_or(L"?"));
    EXPECT_FALSE(Settings.POAlwaysWords.has_value()) << "an empty box holds no words";
    EXPECT_EQ(0x41u, Settings.QuietDays);
  }
}

// ---- The host: pages, commits, OK, menu bar, help -------------------------------------------

TEST_F(SettingsWindow, PagesAreMadeOnFirstChoiceAndStoredWhenLeftEvenIfCancelled) {
  Open([](HWND w) {
    EXPECT_EQ(nullptr, SettingsWindowPage(w, kSettingsPage));
    ASSERT_TRUE(ChooseTab(w, kSettingsPage));
    EXPECT_NE(nullptr, SettingsWindowPage(w, kSettingsPage));
    EXPECT_EQ(nullptr, SettingsWindowPage(w, kAppsPage));
    TapControl(w, IDC_SET_START_MENU);  // clears it
    ChooseListRow(w, IDC_SET_CHECK_INTERVAL, 5);
    ChooseTab(w, kMeetingsPage);
    CloseSettingsWindow(w, false);
  });
  EXPECT_EQ(0u, RegDword(hkcu_.root(), kSettingsKeyPath, L"StartMenuShortCut"));
  EXPECT_EQ(10000u, RegDword(hkcu_.root(), kSettingsKeyPath, L"VolumeCheckInterval"));

  // A change on a page that is not left reaches the settings only through OK.
  Open([](HWND w) {
    ChooseTab(w, kSettingsPage);
    TapControl(w, IDC_SET_VIBRATE);
    CloseSettingsWindow(w, false);
  });
  EXPECT_EQ(0u, RegDword(hkcu_.root(), kSettingsKeyPath, L"MuteToVibrate"));
  Open([](HWND w) {
    ChooseTab(w, kSettingsPage);
    TapControl(w, IDC_SET_VIBRATE);
    CloseSettingsWindow(w, true);
  });
  EXPECT_EQ(1u, RegDword(hkcu_.root(), kSettingsKeyPath, L"MuteToVibrate"));
}

// The Mute page, refused once at the start, is made when its tab is chosen and shows the state
// as at the start; back on its tab it checks for meetings again. A shortcut is written when its
// box changes, not at each of the page's commits.
TEST_F(SettingsWindow, TabChangesRefreshTheMutePageAndWriteAChangedShortcutOnce) {
  static bool refused;
  refused = false;
  const HHOOK hook = SetWindowsHookExW(
      WH_CBT,
      [](int code, WPARAM, LPARAM lParam) -> LRESULT {
        if (code != HCBT_CREATEWND || refused) return 0;
        const HWND parent = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->hwndParent;
        return refused = parent && GetDlgCtrlID(parent) == IDC_TABS;
      },
      nullptr, GetCurrentThreadId());
  EditSettings([&](SettingsRecord& s) {
    s.EnablePOLink = true;
    s.StartMenuShortCut = false;
    wcscpy(s.StartMenuPath, L"\\No such folder\\QuietMinder.lnk");
  });
  Choose([](HWND w) {
    ChooseTab(w, kSettingsPage);
    TapControl(w, IDC_SET_START_MENU);
    ChooseTab(w, kMutePage);
    ChooseTab(w, kMeetingsPage);
    TapControl(w, IDC_MEET_LINK);
    ChooseTab(w, kMutePage);
    EXPECT_EQ(L"Link to Pocket Outlook is disabled.",
              TextOf(FindShownControl(w, IDC_MUTE_MEETING_TEXT)));
  });
  UnhookWindowsHookEx(hook);
  EXPECT_TRUE(MuteState.Muted) << "the default option, chosen by the page's first refresh";
  int errors = 0;
  for (const auto& box : fake::device().messageBoxes) errors += box.caption == L"Error" ? 1 : 0;
  EXPECT_EQ(1, errors) << "the failing write reported once, not at each commit";
}

// Disabled until the Mute page's minutes list and time picker choose their option only when the
// user changes their value: today the focus the window gives back when the tab is shown again
// makes the minutes list choose "Mute for" in place of "Mute until:" or the meeting.
TEST_F(SettingsWindow, BackOnTheMuteTabTheChoiceStays) {
  Choose([](HWND w) {
    TapControl(w, IDC_MUTE_UNTIL);
    ChooseTab(w, kSettingsPage);
    ChooseTab(w, kMutePage);
    EXPECT_TRUE(Checked(w, IDC_MUTE_UNTIL));
  });
}

TEST_F(SettingsWindow, TheSettingsListsShowAStoredValueNoRowCarriesAsTheirFirstRow) {
  struct Row {
    DWORD SettingsRecord::*field;
    int list;
    DWORD stored, shownRow, committed;
  };
  const Row rows[] = {
      {&SettingsRecord::VolumeCheckInterval, IDC_SET_CHECK_INTERVAL, 750, 0, 500},
      {&SettingsRecord::VolumeCheckInterval, IDC_SET_CHECK_INTERVAL, 3000, 3, 3000},
      {&SettingsRecord::UserMuteTime, IDC_SET_USER_MUTE, 1000, 0, 0},
      {&SettingsRecord::UserMuteTime, IDC_SET_USER_MUTE, 14400, 7, 14400},
      {&SettingsRecord::UserUnMute, IDC_SET_USER_UNMUTE, 2, 2, 2},
      {&SettingsRecord::DefaultOption, IDC_SET_DEFAULT_OPTION, 1007, 0, 1007},
      {&SettingsRecord::DefaultOption, IDC_SET_DEFAULT_OPTION, 4711, 0, 1007},
      {&SettingsRecord::DefaultOption, IDC_SET_DEFAULT_OPTION, 1004, 3, 1004},
  };
  for (const Row& row : rows) {
    EditSettings([&](SettingsRecord& s) { s.*row.field = row.stored; });
    LRESULT shown = -1;
    Open([&](HWND w) {
      ChooseTab(w, kSettingsPage);
      shown = SendMessageW(FindShownControl(w, row.list), CB_GETCURSEL, 0, 0);
      ChooseTab(w, kMutePage);
      CloseSettingsWindow(w, false);
    });
    EXPECT_EQ(static_cast<LRESULT>(row.shownRow), shown) << row.stored;
    EXPECT_EQ(row.committed, Settings.*row.field) << row.stored;
  }
}

TEST_F(SettingsWindow, ATaskBarIconIsOfferedOnlyOnAPocketPc) {
  for (const DeviceKind kind : {DeviceKind::PocketPc2002, DeviceKind::OlderCe}) {
    const DeviceKindInfo& info = KindInfo(kind);
    fake::device().osMajor = info.osMajor;
    fake::device().platformType = info.platformType;
    DetectDeviceProfile(Program.Instance);
    bool offered = false;
    Open([&](HWND w) {
      ChooseTab(w, kSettingsPage);
      offered = FindShownControl(w, IDC_SET_LOCATE) != nullptr;
      CloseSettingsWindow(w, false);
    });
    EXPECT_EQ(kind != DeviceKind::OlderCe, offered);
  }
}

TEST_F(SettingsWindow, AMissingMenuBarIsReportedAndTheWindowWorksOn) {
  fake::device().menuBarFails = true;
  Choose([](HWND w) { TapControl(w, IDC_MUTE_POWER_ON); });
  ASSERT_FALSE(fake::device().messageBoxes.empty());
  EXPECT_EQ(L"SHCreateMenuBar Failed", fake::device().messageBoxes[0].text);
  EXPECT_TRUE(MuteState.Muted);
}

TEST_F(SettingsWindow, HelpOpensTheTopicOfThePageAndTheFocusedControl) {
  Open([](HWND w) {
    SetFocus(FindShownControl(w, IDC_MUTE_MINUTES));
    SendMessageW(w, WM_HELP, 0, 0);
    ChooseTab(w, kAboutPage);
    SendMessageW(w, WM_HELP, 0, 0);
    CloseSettingsWindow(w, false);
  });
  const auto& launches = fake::device().launches;
  ASSERT_EQ(2u, launches.size());
  EXPECT_EQ(L"peghelp.exe", launches[0].module);
  EXPECT_EQ(L"file:QuietMinder.htm#mute_tab_mute_minutes", launches[0].commandLine);
  // The About page's first control, its History button, has the focus there.
  EXPECT_EQ(L"file:QuietMinder.htm#about_tab_history", launches[1].commandLine);
}

TEST(ContextHelp, EveryAddressLandsOnATopicOfTheHelpFile) {
  const char* source = getenv("QM_SOURCE_DIR");
  ASSERT_NE(nullptr, source);
  std::ifstream file(std::string(source) + "/src/resources/QuietMinder.htm");
  ASSERT_TRUE(file.good());
  std::stringstream text;
  text << file.rdbuf();
  std::set<std::string> anchors;
  const std::string html = text.str();
  for (size_t at = html.find("name=\""); at != std::string::npos;
       at = html.find("name=\"", at + 1)) {
    const size_t end = html.find('"', at + 6);
    anchors.insert(html.substr(at + 6, end - at - 6));
  }

  std::set<std::wstring> addresses;
  for (int control = 999; control <= 1130; ++control) {
    for (int page = -1; page <= kPageCount; ++page) addresses.insert(HelpAddress(page, control));
    addresses.insert(TodayViewHelpAddress(control));
    addresses.insert(RulesViewHelpAddress(control));
  }
  for (int page = -1; page <= kPageCount; ++page) addresses.insert(HelpAddress(page, -1));
  EXPECT_EQ(7u + 37u + 3u + 7u, addresses.size())
      << "six pages, the contents, 37 control topics, the Today view with its two buttons and "
         "the Rules view with six";
  for (const std::wstring& address : addresses) {
    const std::wstring prefix = L"file:QuietMinder.htm#";
    ASSERT_EQ(prefix, address.substr(0, prefix.size()));
    const std::wstring anchor = address.substr(prefix.size());
    EXPECT_TRUE(anchors.count(std::string(anchor.begin(), anchor.end())))
        << std::string(anchor.begin(), anchor.end()) << " has no topic";
  }
  // One id, three topics.
  EXPECT_EQ(L"file:QuietMinder.htm#mute_tab_extend_mute", HelpAddress(kMutePage, 1012));
  EXPECT_EQ(L"file:QuietMinder.htm#meetings_tab_enable_pocket_outlook",
            HelpAddress(kMeetingsPage, 1012));
  EXPECT_EQ(L"file:QuietMinder.htm#sound_tab_warn_events", HelpAddress(kSoundPage, 1012));
  EXPECT_EQ(L"file:QuietMinder.htm#mute_tab", HelpAddress(kMutePage, IDC_MUTE_EXIT));
}

}  // namespace
