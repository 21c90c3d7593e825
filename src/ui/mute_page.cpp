#include "ui/mute_page.h"

#include <commctrl.h>
#include <strsafe.h>

#include <algorithm>
#include <array>
#include <string>

#include "common/clock.h"
#include "common/program.h"
#include "common/text.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_policy.h"
#include "sound/sound_journal.h"
#include "sound/taskbar_volume.h"
#include "ui/page_controls.h"
#include "ui/page_messages.h"

namespace {

constexpr ULONGLONG kMinute = 60 * kFileTimeSecond;
constexpr ULONGLONG kHour = 60 * kMinute;
constexpr ULONGLONG kDay = 24 * kHour;

// The six options; choosing one clears the others.
constexpr std::array<int, 6> kOptions = {IDC_MUTE_RESTORE, IDC_MUTE_POWER_ON, IDC_MUTE_FOR,
                                         IDC_MUTE_UNTIL,   IDC_MUTE_CONTINUE, IDC_MUTE_MEETING};

constexpr ListRow kMinuteRows[] = {{L"15", 15}, {L"30", 30},   {L"45", 45},
                                   {L"60", 60}, {L"90", 90}, {L"120", 120}};

// Enabled once the page knows the mute state; the meeting option and "Continue to mute until:"
// follow rules of their own.
constexpr int kEnabledByState[] = {IDC_MUTE_EXTEND,        IDC_MUTE_FOR,   IDC_MUTE_MINUTES,
                                   IDC_MUTE_MINUTES_LABEL, IDC_MUTE_UNTIL, IDC_MUTE_UNTIL_TIME,
                                   IDC_MUTE_POWER_ON,      IDC_MUTE_RESTORE};

constexpr wchar_t kGreeting[] =
    L"Welcome! The first time QuietMinder is run, you should review each setting and configure "
    L"it to your personal preferences.  This is also a good time to learn about QuietMinder's "
    L"features.  Context sensitive help is available.  Tap on the feature you wish to learn "
    L"about and then tap on Help on the Start Menu.  Thank you for choosing QuietMinder. Enjoy!";

// A local time as a number of the same units as a file time, for arithmetic within one day.
ULONGLONG LocalUnits(const SYSTEMTIME& local) {
  FILETIME ft{};
  SystemTimeToFileTime(&local, &ft);
  return FileTimeValue(ft);
}

SYSTEMTIME FromLocalUnits(ULONGLONG units) {
  const FILETIME ft = FileTimeOf(units);
  SYSTEMTIME st{};
  FileTimeToSystemTime(&ft, &st);
  return st;
}

SYSTEMTIME LocalNow() { return LocalTimeOf(TimeFromNow(0)); }

// Checks `id` and clears the other options; an id that is no option checks nothing.
void ChooseOption(HWND page, int id) {
  for (int option : kOptions) SetChecked(page, option, option == id);
}

// The user touched a control that belongs to an option: that option is chosen.
void ChooseOptionOf(HWND page, int id) {
  if (!IsChecked(page, id)) ChooseOption(page, id);
}

void InitUntilPicker(HWND page) {
  // Only the time of day counts, in hours and minutes as the user's locale writes them.
  wchar_t format[80] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, format, 80) > 0) {
    SendDlgItemMessageW(page, IDC_MUTE_UNTIL_TIME, DTM_SETFORMATW, 0,
                        reinterpret_cast<LPARAM>(format));
  }
  SYSTEMTIME start = UntilPickerStart(LocalNow());
  SendDlgItemMessageW(page, IDC_MUTE_UNTIL_TIME, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&start));
}

// What the page knows besides its controls, kept in the page for its life.
struct MutePageState {
  bool wasMuted = false;        // a mute ran when the window opened
  MuteLength running;           // that mute, for "Continue to mute until:"
  bool inMeeting = false;       // the last finding the page was told of found a meeting
  ULONGLONG meetingEnd = 0;     // that meeting's end
  bool stateOnFinding = false;  // the first finding shows the state again
  bool touched = false;         // the owner has touched an option or the extend box
};

MutePageState& State(HWND page) {
  return *reinterpret_cast<MutePageState*>(GetWindowLongPtrW(page, DWLP_USER));
}

BOOL OnInitDialog(HWND page) {
  SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(new MutePageState));
  if (Settings.ExitButton) ShowWindow(GetDlgItem(page, IDC_MUTE_EXIT), SW_SHOW);
  OnSettingsWindowOpened();
  if (IsPocketPc()) RefreshTaskBarVolume();
  InitUntilPicker(page);
  FillList(page, IDC_MUTE_MINUTES, kMinuteRows, Settings.MuteListValue);
  SetChecked(page, IDC_MUTE_EXTEND, MuteState.ExtendToPowerOn);
  return TRUE;
}

// Shows the mute the window opened on: a running mute, stretched to a meeting in progress, or
// the default option.
void ShowState(HWND page) {
  const MutePageState& state = State(page);
  bool extend = LengthUntil(state.meetingEnd).toPowerOn;
  if (state.wasMuted && state.inMeeting && state.running.until <= state.meetingEnd) {
    ChooseOption(page, IDC_MUTE_MEETING);
  } else if (state.wasMuted) {
    // A mute whose time has passed lasts to the next power-on.
    const std::wstring until = TimeFromNow(0) < state.running.until
                                   ? ShortDateTime(LocalTimeOf(state.running.until))
                                   : L"Next Power On";
    SetDlgItemTextW(page, IDC_MUTE_CONTINUE_TEXT, until.c_str());
    EnableControl(page, IDC_MUTE_CONTINUE, true);
    ChooseOption(page, IDC_MUTE_CONTINUE);
    extend = state.running.toPowerOn;
  } else if (state.inMeeting) {
    ChooseOption(page, IDC_MUTE_MEETING);
  } else {
    ChooseOption(page, static_cast<int>(Settings.DefaultOption));
  }
  EnableControls(page, kEnabledByState, true);
  SetChecked(page, IDC_MUTE_EXTEND, extend);
  if (Settings.FirstRun) {
    EndFirstRun();
    ShowMessageBox(page, kGreeting, kInformationCaption, MB_OK);
  }
}

// Shows whether a meeting is in progress; the meeting option follows it.
void ShowMeeting(HWND page, const std::wstring& text, bool inMeeting) {
  SetDlgItemTextW(page, IDC_MUTE_MEETING_TEXT, text.c_str());
  EnableControl(page, IDC_MUTE_MEETING_TEXT, inMeeting);
  EnableControl(page, IDC_MUTE_MEETING, inMeeting);
  if (!inMeeting && IsChecked(page, IDC_MUTE_MEETING)) {
    const HWND continueOption = GetDlgItem(page, IDC_MUTE_CONTINUE);
    ChooseOption(page, IsWindowEnabled(continueOption) ? IDC_MUTE_CONTINUE
                                                       : static_cast<int>(Settings.DefaultOption));
  }
}

// The look the page asked for has been taken: what it found is shown, and the first one shows
// the state again unless the owner has made a choice meanwhile.
// Shows what silences the device now: a meeting in progress as the last look found it, or the
// quiet hours, which the meeting option then silences until the end of; `none` otherwise.
void ShowSilenceInForce(HWND page, const std::wstring& none) {
  MutePageState& state = State(page);
  const auto quiet = QuietHoursInForce(TimeFromNow(0));
  std::wstring text = none;
  state.inMeeting = true;
  if (Settings.EnablePOLink && MeetingState.InMeeting) {
    text = MeetingState.MeetingText;
    state.meetingEnd = MeetingState.MeetingEnd;
  } else if (quiet) {
    text = L"Quiet hours until " + TimeOfDayText(LocalTimeOf(*quiet));
    state.meetingEnd = *quiet;
  } else {
    state.inMeeting = false;
  }
  ShowMeeting(page, text, state.inMeeting);
}

BOOL OnFinding(HWND page) {
  MutePageState& state = State(page);
  if (!Settings.EnablePOLink) return TRUE;
  ShowSilenceInForce(page, L"No active QuietMinder meeting found. " +
                               std::wstring(MeetingState.MeetingStatusText));
  if (state.stateOnFinding && !state.touched) ShowState(page);
  state.stateOnFinding = false;
  return TRUE;
}

// Asks the main window for a fresh look at the calendar (the calendar is never read on this
// thread); the finding comes back as WM_PAGE_FINDING. With lParam non-zero the page shows the
// state at once (the meeting unknown yet) and again with the first finding.
BOOL OnRefresh(HWND page, WPARAM wParam, LPARAM lParam) {
  MutePageState& state = State(page);
  if (lParam != 0) {
    state.wasMuted = wParam != 0;
    state.running = MuteState.Length();
  }
  if (!Settings.EnablePOLink) {
    ShowSilenceInForce(page, L"Link to Pocket Outlook is disabled.");
  } else {
    SetDlgItemTextW(page, IDC_MUTE_MEETING_TEXT, L"Checking Meetings...");
    state.stateOnFinding = state.stateOnFinding || lParam != 0;
    SendMessageW(Program.MainWindow, WM_LOOK_FOR_PAGE, 0, reinterpret_cast<LPARAM>(page));
  }
  if (lParam != 0) ShowState(page);
  return TRUE;
}

// The choice the options make: which, how long the mute lasts, and its words for the journal.
MuteChoice ChoiceShown(HWND page) {
  const MutePageState& state = State(page);
  const bool extend = IsChecked(page, IDC_MUTE_EXTEND);
  MuteChoice choice;
  std::wstring what = L"mute";
  if (IsChecked(page, IDC_MUTE_UNTIL)) {
    SYSTEMTIME picked{};
    SendDlgItemMessageW(page, IDC_MUTE_UNTIL_TIME, DTM_GETSYSTEMTIME, 0,
                        reinterpret_cast<LPARAM>(&picked));
    bool past = false;
    const ULONGLONG until = ResolveMuteUntilTime(picked, &past);
    choice = {kChoiceUntil, {until, extend || past}, {}};
  }
  if (IsChecked(page, IDC_MUTE_MEETING)) {
    choice = {kChoiceUntil, {state.meetingEnd, extend}, {}};
    what = L"mute for the " + JournalMeeting();
  }
  if (IsChecked(page, IDC_MUTE_CONTINUE)) {
    choice = {kChoiceContinue, {state.running.until, extend}, {}};
    what = L"continue the mute";
  }
  if (IsChecked(page, IDC_MUTE_POWER_ON)) choice = {kChoicePowerOn, {TimeFromNow(0), true}, {}};
  if (IsChecked(page, IDC_MUTE_FOR)) {
    if (const auto minutes = SelectedValue(page, IDC_MUTE_MINUTES)) {
      SettingsRecord edited = Settings;
      edited.MuteListValue = *minutes;
      CommitSettings(edited, SettingsGroup::MuteList);
      choice = {kChoiceMinutes, {TimeFromNow(*minutes * 60), extend}, {}};
      wchar_t count[16];
      StringCchPrintfW(count, 16, L"%lu", *minutes);
      what = L"mute for " + std::wstring(count) + L" minutes";
    }
  }
  choice.words =
      choice.option == kChoiceRestore ? L"restore" : what + L" " + JournalMuteEnd(choice.length);
  return choice;
}

// Works out the owner's choice, journals it and hands it to the settings window.
BOOL OnCommit(HWND page) {
  const MuteChoice choice = ChoiceShown(page);
  JournalWindowChoice(choice.words);
  SendMessageW(GetAncestor(page, GA_ROOT), WM_PAGE_CHOICE, reinterpret_cast<WPARAM>(page),
               reinterpret_cast<LPARAM>(&choice));
  return TRUE;
}

BOOL OnCommand(HWND page, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) == BN_CLICKED &&
      (id == IDC_MUTE_EXTEND ||
       std::find(kOptions.begin(), kOptions.end(), id) != kOptions.end())) {
    State(page).touched = true;
  }
  switch (id) {
    case IDOK:
      SendMessageW(page, WM_PAGE_COMMIT, 0, 0);
      EndDialog(page, IDOK);
      return TRUE;
    case IDCANCEL:
      JournalWindowChoice(L"cancel");
      EndDialog(page, 0);
      return TRUE;
    case IDC_MUTE_EXIT:
      if (HIWORD(wParam) != BN_CLICKED) return TRUE;
      JournalWindowChoice(L"exit");
      // The settings window closes with nothing muted and the main window ends the program.
      PostMessageW(GetAncestor(page, GA_ROOT), WM_COMMAND, wParam, lParam);
      EndDialog(page, 0);
      return TRUE;
    case IDC_MUTE_MINUTES:
      // The owner touched the list: opened it or picked a row. The focus alone (the window hands
      // it to the first control when the tab comes back) chooses nothing.
      if (HIWORD(wParam) != CBN_SETFOCUS && HIWORD(wParam) != CBN_KILLFOCUS) {
        State(page).touched = true;
        ChooseOptionOf(page, IDC_MUTE_FOR);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL OnNotify(HWND page, const NMHDR* header) {
  // As for the minutes list: the focus alone chooses nothing.
  if (header->idFrom == IDC_MUTE_UNTIL_TIME && header->code != NM_SETFOCUS &&
      header->code != NM_KILLFOCUS) {
    State(page).touched = true;
    ChooseOptionOf(page, IDC_MUTE_UNTIL);
  }
  return TRUE;
}

}  // namespace

SYSTEMTIME UntilPickerStart(const SYSTEMTIME& localNow) {
  SYSTEMTIME hour = localNow;
  hour.wMinute = hour.wSecond = hour.wMilliseconds = 0;
  return FromLocalUnits(LocalUnits(hour) + (localNow.wMinute < 45 ? kHour : 2 * kHour));
}

ULONGLONG ResolveMuteUntilTime(const SYSTEMTIME& picked, bool* extendToPowerOn) {
  const SYSTEMTIME now = LocalNow();
  SYSTEMTIME today = picked;
  today.wYear = now.wYear;
  today.wMonth = now.wMonth;
  today.wDayOfWeek = now.wDayOfWeek;
  today.wDay = now.wDay;
  ULONGLONG until = LocalUnits(today);
  const ULONGLONG nowUnits = LocalUnits(now);
  *extendToPowerOn = false;
  if (until < nowUnits - 15 * kMinute) {
    until += kDay;  // a time well past means tomorrow
  } else if (until < nowUnits) {
    *extendToPowerOn = true;
  }
  ULONGLONG utc = 0;
  if (!UtcOfLocalTime(FromLocalUnits(until), &utc)) return TimeFromNow(0);
  return utc;
}

INT_PTR CALLBACK MutePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(page);
  if (!GetWindowLongPtrW(page, DWLP_USER)) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(page, wParam, lParam);
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_PAGE_REFRESH:
      return OnRefresh(page, wParam, lParam);
    case WM_PAGE_COMMIT:
      return OnCommit(page);
    case WM_PAGE_FINDING:
      return OnFinding(page);
    case WM_DESTROY:
      delete &State(page);
      SetWindowLongPtrW(page, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}
