// The program's settings window and the views over it from outside, as a user's taps would drive
// them, and pictures of the device's screen.
#include <windows.h>

#include <cwchar>
#include <functional>
#include <string>

#include "platform/control_ids.h"
#include "tool.h"
#include "ui/window_driver.h"

namespace {

constexpr DWORD kWaitMs = 10000;
constexpr wchar_t kUiUsage[] =
    L"ui tab N | focus ID | tap ID | open ID | choose ID ROW | select ID TEXT | "
    L"deselect ID TEXT | slide ID POSITION | type ID TEXT | time ID HH:MM | history | today | "
    L"ok | cancel   (ID: a control's number or its name, such as IDC_APPS_ENABLE; the control "
    L"of the view in front while one is open)";

// The program's controls by the names of its header of control ids; the build makes the table
// from that header.
constexpr struct {
  const wchar_t* name;
  int id;
} kControls[] = {
#include "control_names.inc"
};

bool ParseNumber(const std::wstring& text, int* out) {
  wchar_t* end = nullptr;
  const long value = wcstol(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0') return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseControl(const std::wstring& text, int* out) {
  if (ParseNumber(text, out)) return true;
  for (const auto& control : kControls) {
    if (text != control.name) continue;
    *out = control.id;
    return true;
  }
  return false;
}

bool ParseTime(const std::wstring& text, int* hour, int* minute) {
  const size_t colon = text.find(L':');
  return colon != std::wstring::npos && ParseNumber(text.substr(0, colon), hour) &&
         ParseNumber(text.substr(colon + 1), minute);
}

// One "ui" action on the program's window in front (a view over the settings window while one is
// open); false when its control is not there (yet).
using UiAction = std::function<bool(HWND window)>;

// The action for the command line; nothing when the arguments are not understood.
UiAction ParseUiAction(const ToolArgs& args) {
  const std::wstring& verb = args[0];
  int a = 0, b = 0;
  if (verb == L"tab" && args.size() == 2 && ParseNumber(args[1], &a)) {
    return [a](HWND s) { return ChooseTab(s, a); };
  }
  if (verb == L"focus" && args.size() == 2 && ParseControl(args[1], &a)) {
    return [a](HWND s) { return FocusControl(s, a); };
  }
  if (verb == L"tap" && args.size() == 2 && ParseControl(args[1], &a)) {
    return [a](HWND s) { return TapControl(s, a); };
  }
  // A button that opens a window of its own (History): the tap does not wait for it to close.
  if (verb == L"open" && args.size() == 2 && ParseControl(args[1], &a)) {
    return [a](HWND s) { return TapControlThatOpens(s, a); };
  }
  if (verb == L"history" && args.size() == 1) {
    return [](HWND) {
      const HWND view = FindHistoryView();
      if (!view) return false;
      for (const std::wstring& line : HistoryViewLines(view)) Print(line);
      return true;
    };
  }
  // The Today view (opened with `open IDC_MEET_TODAY` on the Meetings page), once it has the plan
  // of the day it shows: the day, its band, then the lines.
  if (verb == L"today" && args.size() == 1) {
    return [](HWND) {
      const std::vector<std::wstring> lines = TodayViewLines(FindTodayView());
      for (const std::wstring& line : lines) Print(line);
      return !lines.empty();
    };
  }
  if (verb == L"choose" && args.size() == 3 && ParseControl(args[1], &a) &&
      ParseNumber(args[2], &b)) {
    return [a, b](HWND s) { return ChooseListRow(s, a, b); };
  }
  if ((verb == L"select" || verb == L"deselect") && args.size() == 3 && ParseControl(args[1], &a)) {
    const std::wstring entry = args[2];
    const bool select = verb == L"select";
    return [a, entry, select](HWND s) { return SelectListEntry(s, a, entry, select); };
  }
  if (verb == L"slide" && args.size() == 3 && ParseControl(args[1], &a) &&
      ParseNumber(args[2], &b)) {
    return [a, b](HWND s) { return DragSlider(s, a, b); };
  }
  if (verb == L"type" && args.size() == 3 && ParseControl(args[1], &a)) {
    const std::wstring text = args[2];
    return [a, text](HWND s) { return TypeText(s, a, text); };
  }
  int hour = 0, minute = 0;
  if (verb == L"time" && args.size() == 3 && ParseControl(args[1], &a) &&
      ParseTime(args[2], &hour, &minute)) {
    return [a, hour, minute](HWND s) { return SetTimePicker(s, a, hour, minute); };
  }
  // The window in front: a view while one is open.
  if ((verb == L"ok" || verb == L"cancel") && args.size() == 1) {
    const bool ok = verb == L"ok";
    return [ok](HWND) { return CloseFrontWindow(ok); };
  }
  return {};
}

int Ui(const ToolArgs& args) {
  const UiAction action = args.empty() ? UiAction() : ParseUiAction(args);
  if (!action) {
    PrintError(std::wstring(L"usage: ") + kUiUsage);
    return 2;
  }
  // The window and its pages come up (and the Mute page enables its options) a little after
  // the window itself appears: a control not there yet is waited for, as a user would.
  for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
    if (const HWND front = FindFrontWindow(); front && action(front)) return 0;
    Sleep(50);
  }
  if (!FindSettingsWindow()) {
    PrintError(L"no settings window is open");
  } else if (args[0] == L"history") {
    PrintError(L"no history view is open");
  } else if (args[0] == L"today") {
    PrintError(L"no Today view with its plan is open");
  } else {
    PrintError(L"not done: the control is not shown or not enabled, or has no such entry");
  }
  return 1;
}

int Screenshot(const ToolArgs& args) {
  if (args.size() != 1) return 2;
  if (!SaveScreenPicture(args[0])) {
    PrintError(L"the screen could not be saved");
    return 1;
  }
  return 0;
}

const ToolCommand kUi(L"ui", kUiUsage, Ui);
const ToolCommand kScreenshot(L"screenshot", L"screenshot FILE.bmp", Screenshot);

}  // namespace
