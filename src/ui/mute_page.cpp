#include "ui/mute_page.h"

#include <commctrl.h>
#include <strsafe.h>

#include <array>
#include <string>

#include "common/clock.h"
#include "common/program.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/mute_policy.h"
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

// A local date and time as the user's short date and the time without seconds.
std::wstring ShortDateTime(const SYSTEMTIME& local) {
  wchar_t date[23] = {};
  wchar_t time[18] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 23) == 0) {
    date[0] = L'\0';
  }
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 18) == 0) {
    time[0] = L'\0';
  }
  return std::wstring(date) + L" " + time;
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

BOOL OnInitDialog(HWND page) {
  if (Settings.ExitButton) ShowWindow(GetDlgItem(page, IDC_MUTE_EXIT), SW_SHOW);
  OnSettingsWindowOpened();
  if (IsPocketPc()) RefreshTaskBarVolume();
  InitUntilPicker(page);
  FillList(page, IDC_MUTE_MINUTES, kMinuteRows, Settings.MuteListValue);
  SetChecked(page, IDC_MUTE_EXTEND, MuteState.ExtendToPowerOn);
  return TRUE;
}

// Asks the main window whether a meeting is in progress and shows what it found.
void CheckMeeting(HWND page) {
  const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ShowCursor(TRUE);
  std::wstring text;
  bool inMeeting = false;
  if (!Settings.EnablePOLink) {
    text = L"Link to Pocket Outlook is disabled.";
  } else {
    SetDlgItemTextW(page, IDC_MUTE_MEETING_TEXT, L"Checking Meetings...");
    inMeeting = SendMessageW(Program.MainWindow, WM_CHECK, 0, 0) != 0;
    text = inMeeting ? std::wstring(MeetingState.MeetingText)
                     : L"No active QuietMinder meeting found. " +
                           std::wstring(MeetingState.MeetingStatusText);
  }
  SetDlgItemTextW(page, IDC_MUTE_MEETING_TEXT, text.c_str());
  EnableControl(page, IDC_MUTE_MEETING_TEXT, inMeeting);
  EnableControl(page, IDC_MUTE_MEETING, inMeeting);
  if (!inMeeting && IsChecked(page, IDC_MUTE_MEETING)) {
    const HWND continueOption = GetDlgItem(page, IDC_MUTE_CONTINUE);
    ChooseOption(page, IsWindowEnabled(continueOption) ? IDC_MUTE_CONTINUE
                                                       : static_cast<int>(Settings.DefaultOption));
  }
  ShowCursor(FALSE);
  SetCursor(before);
}

// Shows the mute the window opened on: a running mute (`wasMuted`), stretched to a meeting in
// progress, or the default option.
void ShowState(HWND page, bool wasMuted) {
  const MuteStateRecord& mute = MuteState;
  const bool meeting = MeetingState.InMeeting;
  if (wasMuted && meeting && mute.MuteUntil <= MeetingState.MeetingEnd) {
    if (mute.MuteUntil < MeetingState.MeetingEnd) SetMuteUntil(MeetingState.MeetingEnd);
    SetExtendToPowerOn(Settings.ExtendMuteDefault);
    ChooseOption(page, IDC_MUTE_MEETING);
  } else if (wasMuted) {
    // A mute whose time has passed lasts to the next power-on.
    const std::wstring until = TimeFromNow(0) < mute.MuteUntil
                                   ? ShortDateTime(LocalTimeOf(mute.MuteUntil))
                                   : L"Next Power On";
    SetDlgItemTextW(page, IDC_MUTE_CONTINUE_TEXT, until.c_str());
    EnableControl(page, IDC_MUTE_CONTINUE, true);
    ChooseOption(page, IDC_MUTE_CONTINUE);
  } else if (meeting) {
    ChooseOption(page, IDC_MUTE_MEETING);
    SetExtendToPowerOn(Settings.ExtendMuteDefault);
  } else {
    ChooseOption(page, static_cast<int>(Settings.DefaultOption));
  }
  EnableControls(page, kEnabledByState, true);
  SetChecked(page, IDC_MUTE_EXTEND, MuteState.ExtendToPowerOn);
  if (Settings.FirstRun) {
    Settings.FirstRun = false;
    ShowMessageBox(page, kGreeting, L"QuietMinder Information", MB_OK);
  }
}

BOOL OnRefresh(HWND page, WPARAM wParam, LPARAM lParam) {
  CheckMeeting(page);
  if (lParam != 0) ShowState(page, wParam != 0);
  return TRUE;
}

// Works out the window's result and the end of the mute from the chosen option, and journals it.
BOOL OnCommit(HWND page) {
  int choice = kChoiceRestore;
  std::wstring what = L"mute";
  if (IsChecked(page, IDC_MUTE_UNTIL)) {
    SYSTEMTIME picked{};
    SendDlgItemMessageW(page, IDC_MUTE_UNTIL_TIME, DTM_GETSYSTEMTIME, 0,
                        reinterpret_cast<LPARAM>(&picked));
    bool extend = false;
    SetMuteUntil(ResolveMuteUntilTime(picked, &extend));
    if (extend) SetExtendToPowerOn(true);
    choice = kChoiceUntil;
  }
  if (IsChecked(page, IDC_MUTE_MEETING)) {
    SetMuteUntil(MeetingState.MeetingEnd);
    choice = kChoiceUntil;
    what = L"mute for the " + JournalMeeting();
  }
  if (IsChecked(page, IDC_MUTE_CONTINUE)) {
    choice = kChoiceContinue;
    what = L"continue the mute";
  }
  if (IsChecked(page, IDC_MUTE_POWER_ON)) {
    SetMuteUntil(TimeFromNow(0));
    SetExtendToPowerOn(true);
    choice = kChoicePowerOn;
  }
  if (IsChecked(page, IDC_MUTE_FOR)) {
    if (const auto minutes = SelectedValue(page, IDC_MUTE_MINUTES)) {
      Settings.MuteListValue = *minutes;
      SetMuteUntil(TimeFromNow(*minutes * 60));
      SaveMuteListValue();
      choice = kChoiceMinutes;
      wchar_t count[16];
      StringCchPrintfW(count, 16, L"%lu", *minutes);
      what = L"mute for " + std::wstring(count) + L" minutes";
    }
  }
  SettingsWindowState.MuteChoice = choice;
  if (choice == kChoiceRestore) {
    JournalWindowChoice(L"restore", false);
  } else {
    JournalWindowChoice(what + L" " + JournalMuteEnd(), true);
  }
  return TRUE;
}

BOOL OnCommand(HWND page, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
      SendMessageW(page, WM_PAGE_COMMIT, 0, 0);
      EndDialog(page, SettingsWindowState.MuteChoice);
      return TRUE;
    case IDCANCEL:
      SettingsWindowState.MuteChoice = kChoiceRestore;
      JournalWindowChoice(L"cancel", false);
      EndDialog(page, 0);
      return TRUE;
    case IDC_MUTE_EXIT:
      if (HIWORD(wParam) != BN_CLICKED) return TRUE;
      JournalWindowChoice(L"exit", false);
      // The settings window closes with nothing muted and the main window ends the program.
      PostMessageW(GetAncestor(page, GA_ROOT), WM_COMMAND, wParam, lParam);
      EndDialog(page, 0);
      return TRUE;
    case IDC_MUTE_EXTEND: {
      const LRESULT state = SendDlgItemMessageW(page, IDC_MUTE_EXTEND, BM_GETCHECK, 0, 0);
      if (state == BST_CHECKED || state == BST_UNCHECKED) {
        SetExtendToPowerOn(state == BST_CHECKED);
      }
      return TRUE;
    }
    case IDC_MUTE_MINUTES:
      // The owner touched the list: opened it or picked a row. The focus alone (the window hands
      // it to the first control when the tab comes back) chooses nothing.
      if (HIWORD(wParam) != CBN_SETFOCUS && HIWORD(wParam) != CBN_KILLFOCUS) {
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
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page);
    case WM_COMMAND:
      return OnCommand(page, wParam, lParam);
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_PAGE_REFRESH:
      return OnRefresh(page, wParam, lParam);
    case WM_PAGE_COMMIT:
      return OnCommit(page);
    default:
      return FALSE;
  }
}
