// The journal's lines as the program writes them, driven through its main window on the fake
// handheld with a calendar in this process: what a meeting's mute and its end say, that text from
// the calendar stays one bounded line, that each change is one line of its own kind and an idle
// tick none, and the history view that shows them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
#include "calendar/calendar_env.h"
#include "common/clock.h"
#include "common/journal.h"
#include "common/program.h"
#include "meetings/meeting_watch.h"
#include "platform/program_names.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_env.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/test_main_window.h"
#include "ui/history_view.h"
#include "ui/settings_window.h"
#include "ui/window_driver.h"

using namespace soundtest;

namespace {

constexpr DWORD kWave = 0x55555555;
constexpr wchar_t kListedApp[] = L"Journal Listed Application";

class JournalLines : public ::testing::Test {
 public:
  void SetUp() override { Start(DeviceKind::PocketPc2003Phone); }
  void TearDown() override {
    Settle();
    if (app_) DestroyWindow(app_);
    DestroyTestMainWindow();
    DeleteFileW(path_.c_str());
    SetJournalPath(L"");
  }
  void Start(DeviceKind kind) {
    DestroyTestMainWindow();
    SetUpDevice(hkcu_, kind);
    fake::device().waveVolume = kWave;
    ASSERT_NE(nullptr, CreateTestMainWindow());
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"qm-journal-lines-" + std::to_wstring(GetCurrentProcessId()) +
            L".txt";
    DeleteFileW(path_.c_str());
    SetJournalPath(path_);
  }

  // A look at the calendar runs on a thread of its own; its report is waited for (a look that
  // never ends fails the test after half a minute instead of hanging it).
  static void Settle() {
    ASSERT_TRUE(WaitForMeetingLook(30'000)) << "the look at the calendar never ended";
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  void Tick() {
    SendMessageW(Program.MainWindow, WM_CHECK, 1, 0);
    Settle();
  }
  void PowerOn() {
    SendMessageW(Program.MainWindow, WM_POWERON_NOTIFY, 0, 0);
    Settle();
  }
  void UserSilences() {
    fake::device().waveVolume = 0;
    RegPutDword(hkcu_.root(), kVolumeKeyPath, kVolumeValue, 0);
  }
  // A shutdown as the program's own Exit runs it; the quit it posts is taken back.
  void ShutDown() {
    RunShutdownDuties();
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
  std::vector<std::wstring> Kinds() const {
    std::vector<std::wstring> kinds;
    for (const std::wstring& line : ReadJournalLines()) {
      kinds.emplace_back(JournalLineKind(line));
    }
    return kinds;
  }

  ScratchHkcu hkcu_;
  std::wstring path_;
  HWND app_ = nullptr;
};

// What a look at the calendar hands the policy: a meeting in progress until `end` (0: none), or
// a look that could not read the calendar.
MeetingFinding Found(ULONGLONG end, bool failed = false) {
  MeetingFinding finding{MeetingState, NumberNewLook(), failed};
  finding.state.InMeeting = end != 0;
  finding.state.MeetingEnd = end;
  wcscpy(finding.state.MeetingSubject, L"Review");
  return finding;
}

// While a meeting that counts is in progress the device stays silent: a meeting's silence goes
// on through one that follows, a silence made by hand becomes the meeting's (neither a power-on
// nor a raised volume the owner may not end it with gives the sound back inside it), and at its
// end the sound comes back only after a look that finds none. A meeting's silence follows the
// calendar; the owner's quiet hours (every day, 22:00 to 06:30) silence as a meeting does. Each
// case with the lines it leaves.
TEST_F(JournalLines, TheDeviceIsSilentWhereAMeetingOrTheQuietHoursSayWithALineEach) {
  const auto at = [](int day, int hour, int minute) {
    fake::device().utcNow = LocalToUtc(2026, 12, day, hour, minute);
    CheckTickWithLook();
  };
  // A meeting of 30 minutes silences; at its end (also a power-on's) `then` is found.
  const auto meetingThen = [](bool byHand, ULONGLONG follows, bool failed) {
    return [=](JournalLines& t) {
      if (byHand) t.UserSilences(), OnCheckTick();
      OnMeetingLookDone(Found(TimeFromNow(1800)));
      EXPECT_FALSE(MuteState.UserRestoreAllowed) << "a raised volume is undone, as in a meeting";
      OnPowerOn(), fake::AdvanceClock(1800), OnCheckTick(), OnPowerOn();
      EXPECT_TRUE(MuteState.Muted && fake::device().waveVolume == 0) << "silent until a look says";
      OnMeetingLookDone(Found(follows ? TimeFromNow(follows * 60) : 0, failed));
    };
  };
  struct Case {
    const char* what;
    std::function<void(JournalLines&)> run;
    std::vector<std::wstring> kinds;
    bool mutedAfter;
    const wchar_t* told = L"";  // what a line tells
  };
  const Case cases[] = {
      {"a meeting follows", meetingThen(false, 30, false), {L"silenced", L"carried-on"}, true,
       L"carried-on  meeting \"Review\" until 11:00"},
      {"none follows", meetingThen(false, 0, false), {L"silenced", L"sound-back"}, false},
      {"the look at its end fails", meetingThen(false, 0, true), {L"silenced", L"sound-back"},
       false},
      {"a silence made by hand", meetingThen(true, 0, false),
       {L"taken-over", L"carried-on", L"sound-back"}, false},
      {"quiet hours begin and end at their times",
       [&](JournalLines&) { at(7, 21, 59), at(7, 22, 0), at(8, 6, 29), at(8, 6, 30); },
       {L"silenced", L"sound-back"}, false, L"silenced  quiet hours until 2026-12-08 06:30; volume"},
      {"Restore keeps them off until they end; the next night they come again",
       [&](JournalLines&) { at(7, 22, 0), RestoreByChoice(), at(7, 23, 0), at(8, 22, 0); },
       {L"silenced", L"sound-back", L"silenced"}, true},
      {"a mute of the owner's that ends inside them carries on into them",
       [&](JournalLines&) {
         at(7, 21, 50), MuteByChoice({LocalToUtc(2026, 12, 7, 22, 5)}), at(7, 22, 5);
       },
       {L"silenced", L"carried-on"}, true},
      {"a listed application holds them off, and they come when it ends",
       [&](JournalLines& t) {
         t.app_ = CreateWindowExW(0, L"STATIC", kListedApp, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10,
                                  10, nullptr, nullptr, nullptr, nullptr);
         at(7, 22, 0), DestroyWindow(t.app_), t.app_ = nullptr, at(7, 22, 1);
       },
       {L"held-off", L"hold-released", L"silenced"}, true},
      {"a meeting deleted from the calendar gives the sound back, also to the next power-on",
       [&](JournalLines&) {
         EditSettings([](SettingsRecord& s) { s.ExtendMuteDefault = true; });
         OnMeetingLookDone(Found(TimeFromNow(1800)));
         at(7, 10, 1), OnMeetingLookDone(Found(0));
       },
       {L"silenced", L"sound-back"}, false,
       L"meeting \"Review\" is no longer in the calendar as it was; mute for: meeting"},
      {"a meeting made longer lasts to its new end",
       [&](JournalLines&) {
         OnMeetingLookDone(Found(TimeFromNow(1800))), OnMeetingLookDone(Found(TimeFromNow(3600)));
         at(7, 10, 45);
       },
       {L"silenced", L"carried-on"}, true},
      {"a look that fails changes nothing",
       [&](JournalLines&) {
         OnMeetingLookDone(Found(TimeFromNow(1800))), OnMeetingLookDone(Found(0, true));
       },
       {L"silenced"}, true},
      {"the owner's choice for the meeting keeps its end",
       [&](JournalLines&) { MuteByChoice({TimeFromNow(1800)}), OnMeetingLookDone(Found(0)); },
       {L"silenced"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Start(DeviceKind::PocketPc2003Phone);
    EditSettings([](SettingsRecord& s) {
      s.EnablePOLink = s.EnableAppFilter = true;
      s.AppsToFilter = kListedApp;
      s.QuietDays = 0x7F;
      s.UserMuteTime = 0, s.UserUnMute = 1;  // a silence made by hand lasts to the next power-on
    });
    fake::device().utcNow = LocalToUtc(2026, 12, 7, 10, 0);
    c.run(*this);
    EXPECT_EQ(c.kinds, Kinds());
    EXPECT_EQ(c.mutedAfter, MuteState.Muted);
    const std::vector<std::wstring> lines = ReadJournalLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::wstring& line) {
      return line.find(c.told) != std::wstring::npos;
    }));
  }
}

TEST_F(JournalLines, AMeetingsMuteAndItsEndTellTheMeetingAndTheSoundBeforeAndAfter) {
  struct Case {
    DeviceKind kind;
    const wchar_t* silencedValues;
    const wchar_t* backValues;
  };
  const Case cases[] = {
      {DeviceKind::PocketPc2003Phone, L"volume 33% -> silent, ringer ring -> off",
       L"volume silent -> 33%, ringer off -> ring"},
      {DeviceKind::OlderCe, L"volume 33% -> silent", L"volume silent -> 33%"},
  };
  DeviceCalendar calendar;
  calendar.Import(Calendar(
      {Event("20261207T100000", "20261207T110000", "Design review", {"CATEGORIES:Work"})}));
  const std::wstring meeting = L"meeting \"Design review\" [Work] until 11:00";
  for (const Case& c : cases) {
    SCOPED_TRACE(KindName(c.kind));
    Start(c.kind);
    EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
    Tick();
    ASSERT_TRUE(MuteState.Muted);
    fake::AdvanceClock(3600);
    Tick();
    ASSERT_FALSE(MuteState.Muted);
    const std::vector<std::wstring> lines = ReadJournalLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(L"2026-12-07 10:00:00  silenced  " + meeting + L"; " + c.silencedValues, lines[0]);
    EXPECT_EQ(L"2026-12-07 11:00:00  sound-back  the mute's end time 11:00 came; mute for: " +
                  meeting + L"; " + c.backValues,
              lines[1]);
  }
}

TEST_F(JournalLines, AMeetingsSubjectFromTheCalendarStaysOneBoundedLine) {
  DeviceCalendar calendar;
  const std::string hostile = "Budget\\nreview\\N\t" + std::string(10000, 'x');
  calendar.Import(Calendar({Event("20261207T100000", "20261207T110000", hostile,
                                  {"CATEGORIES:" + std::string(300, 'c')})}));
  EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
  Tick();
  ASSERT_TRUE(MuteState.Muted);
  const std::vector<std::wstring> lines = ReadJournalLines();
  ASSERT_EQ(1u, lines.size());
  const std::wstring subject = L"\"Budget review " + std::wstring(43, L'x') + L"...\"";
  EXPECT_EQ(L"2026-12-07 10:00:00  silenced  meeting " + subject + L" [" + std::wstring(37, L'c') +
                L"...] until 11:00; volume 33% -> silent, ringer ring -> off",
            lines[0]);
}

TEST_F(JournalLines, EachChangeIsOneLineOfItsKindAndAnIdleTickNone) {
  struct Scenario {
    const char* what;
    void (*run)(JournalLines&);
    std::vector<std::wstring> kinds;
  };
  const Scenario scenarios[] = {
      {"idle ticks with the sound on",
       [](JournalLines& t) {
         for (int i = 0; i < 20; ++i) t.Tick();
       },
       {}},
      {"idle ticks during a mute",
       [](JournalLines& t) {
         MuteByChoice({TimeFromNow(3600)});
         for (int i = 0; i < 20; ++i) t.Tick();
       },
       {L"silenced"}},
      {"a silence made by hand, a raised volume undone, the power button",
       [](JournalLines& t) {
         t.UserSilences();
         t.Tick();
         fake::device().waveVolume = 0x33333333;
         t.Tick();
         t.Tick();
         t.PowerOn();
         t.Tick();
       },
       {L"taken-over", L"volume-undone", L"sound-back"}},
      {"a raised volume the owner may end a mute with",
       [](JournalLines& t) {
         EditSettings([&](SettingsRecord& s) { s.UserUnMute = 2; });
         MuteByChoice({TimeFromNow(3600)});
         fake::device().waveVolume = 0x33333333;
         t.Tick();
         t.Tick();
       },
       {L"silenced", L"sound-back"}},
      {"an application holds muting off and lets go",
       [](JournalLines& t) {
         EditSettings([&](SettingsRecord& s) {
           s.EnableAppFilter = true;
           s.AppsToFilter = kListedApp;
         });
         MuteByChoice({TimeFromNow(3600)});
         t.app_ = CreateWindowExW(0, L"STATIC", kListedApp, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10,
                                  10, nullptr, nullptr, nullptr, nullptr);
         t.Tick();
         t.Tick();
         DestroyWindow(t.app_);
         t.app_ = nullptr;
         t.Tick();
         t.Tick();
       },
       {L"silenced", L"held-off", L"sound-back", L"hold-released"}},
      {"sound protection puts a setting back",
       [](JournalLines& t) {
         EditSettings([&](SettingsRecord& s) {
           s.SoundProtection = {true, false, true};
           s.SPScreen = 1;
         });
         RegPutDword(t.hkcu_.root(), kVolumeKeyPath, kScreenValue, 0);
         t.Tick();
         t.Tick();
       },
       {L"repaired"}},
      {"a start, an end, a start after a run killed during a mute",
       [](JournalLines& t) {
         StartProgramState();
         t.ShutDown();
         StartProgramState();
         MuteByChoice({TimeFromNow(3600)});
         StartProgramState();  // killed: no shutdown
         fake::device().waveVolume = kWave;
         t.Tick();
         t.Tick();
         t.ShutDown();
       },
       {L"started", L"ended", L"started", L"silenced", L"restarted", L"lost-mute-undone",
        L"ended"}},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.what);
    Start(DeviceKind::PocketPc2003Phone);
    s.run(*this);
    EXPECT_EQ(s.kinds, Kinds());
  }
}

TEST_F(JournalLines, TheLinesTellTheApplicationTheRepairAndTheRunLost) {
  EditSettings([&](SettingsRecord& s) {
    s.EnableAppFilter = true;
    s.AppsToFilter = std::wstring(L"Other|") + kListedApp;
  });
  MuteByChoice({TimeFromNow(3600)});
  app_ = CreateWindowExW(0, L"STATIC", kListedApp, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10, 10,
                         nullptr, nullptr, nullptr, nullptr);
  Tick();
  const std::vector<std::wstring> lines = ReadJournalLines();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(L"2026-12-07 10:00:00  held-off  \"Journal Listed Application\" runs", lines[1]);
  EXPECT_EQ(
      L"2026-12-07 10:00:00  sound-back  \"Journal Listed Application\" holds muting off; mute "
      L"for: settings window: a test's mute; volume silent -> 33%, ringer off -> ring",
      lines[2]);
}

TEST_F(JournalLines, ARepairTellsWhatWasPutBackAsTheOwnerSeesIt) {
  const std::wstring repaired = L"2026-12-07 10:00:00  repaired  protected settings put back: ";
  const std::pair<DeviceKind, std::wstring> cases[] = {
      {DeviceKind::PocketPc2003Phone, L"screen taps soft, buttons loud; volume 33%, ringer ring"},
      {DeviceKind::OlderCe, L"screen taps soft, buttons loud, sounds for events and programs; "
                            L"volume 33%"}};
  for (const auto& [kind, words] : cases) {
    SCOPED_TRACE(KindName(kind));
    Start(kind);
    EditSettings([&](SettingsRecord& s) {
      s.SoundProtection = {true, false, true};
      s.SPScreen = 1, s.SPKey = 0x00010002, s.SPMute = 6;
    });
    RegPutDword(hkcu_.root(), kVolumeKeyPath, L"Screen", 0);
    Tick();
    EXPECT_EQ(std::vector<std::wstring>{repaired + words}, ReadJournalLines());
  }
}

// The settings window driven from inside its modal loop, as the user's taps would.
class JournalWindow : public JournalLines {
 protected:
  void Open(std::function<void(HWND)> act) {
    WhenWindowAppears(L"#32770", kSettingsWindowTitle, std::move(act));
    SendMessageW(Program.MainWindow, WM_TRAY_NOTIFY, 5000, WM_LBUTTONUP);
  }
};

TEST_F(JournalWindow, TheWindowsChoiceIsOneLineAndWhatItDoesToTheSoundAnother) {
  Open([](HWND w) {
    ASSERT_TRUE(ChooseListRow(w, IDC_MUTE_MINUTES, 1));
    CloseSettingsWindow(w, true);
  });
  ASSERT_TRUE(MuteState.Muted);
  Open([](HWND w) { CloseSettingsWindow(w, false); });
  ASSERT_FALSE(MuteState.Muted);
  const std::vector<std::wstring> lines = ReadJournalLines();
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(
      L"2026-12-07 10:00:00  silenced  settings window; volume 33% -> silent, "
      L"ringer ring -> off",
      lines[0]);
  EXPECT_EQ(L"2026-12-07 10:00:00  window  mute for 30 minutes until 10:30", lines[1]);
  EXPECT_EQ(L"2026-12-07 10:00:00  window  cancel", lines[2]);
  EXPECT_EQ(
      L"2026-12-07 10:00:00  sound-back  settings window; mute for: settings window: mute "
      L"for 30 minutes until 10:30; volume silent -> 33%, ringer off -> ring",
      lines[3]);
}

TEST_F(JournalWindow, HistoryShowsTheJournalNewestFirstInAReadOnlyList) {
  for (int n = 1; n <= 3; ++n) Journal(kJournalWindow, L"entry " + std::to_wstring(n));
  std::vector<std::wstring> shown;
  LONG_PTR style = 0;
  bool closedItself = false;
  Open([&](HWND w) {
    ASSERT_TRUE(ChooseTab(w, kAboutPage));
    WhenWindowAppears(L"#32770", kHistoryViewTitle, [&](HWND history) {
      const HWND list = GetDlgItem(history, IDC_HISTORY_LIST);
      style = GetWindowLongPtrW(list, GWL_STYLE);
      const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        shown.emplace_back(text);
      }
      PostMessageW(history, WM_COMMAND, IDOK, 0);
    });
    // The tap returns once the view has closed again.
    ASSERT_TRUE(TapControl(w, IDC_ABOUT_HISTORY));
    closedItself = FindWindowW(L"#32770", kHistoryViewTitle) == nullptr;
    CloseSettingsWindow(w, false);
  });
  EXPECT_TRUE(closedItself);
  ASSERT_GE(shown.size(), 3u);
  // Opening the window silenced the device: that line is the newest.
  EXPECT_EQ(L"silenced", JournalLineKind(shown[0]));
  EXPECT_EQ(L"2026-12-07 10:00:00  window  entry 3", shown[1]);
  EXPECT_EQ(L"2026-12-07 10:00:00  window  entry 1", shown[3]);
  EXPECT_TRUE(style & LBS_NOSEL) << "nothing in the list can be chosen or changed";

  DeleteFileW(path_.c_str());
  EXPECT_EQ(std::vector<std::wstring>{kNoHistoryText}, HistoryEntries());
}

}  // namespace
