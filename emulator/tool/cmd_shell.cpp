// The device's shell from outside: starting and stopping it, the reminder dialog, the volume
// icon and its ringer buttons, and the launches the sound applet and the help viewer recorded.
#include <windows.h>

#include <cwchar>
#include <string>

#include "device/device_registry.h"
#include "device/device_state.h"
#include "platform/sound_keys.h"
#include "platform/sound_words.h"
#include "shell/launch_record.h"
#include "shell/shell_program.h"
#include "shell/shell_windows.h"
#include "tool.h"

namespace {

constexpr DWORD kWaitMs = 10000;
constexpr UINT kRequestTimeoutMs = 5000;

HWND FindTaskBar() { return FindWindowW(kTaskBarClass, L""); }
HWND FindVolumePopup() { return FindWindowW(kShellDialogClass, kVolumePopupTitle); }

std::wstring PointText(DWORD point) {
  return L"(" + std::to_wstring(static_cast<short>(LOWORD(point))) + L", " +
         std::to_wstring(static_cast<short>(HIWORD(point))) + L")";
}

bool ParseCoordinate(const std::wstring& text, WORD* out) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  const long value = wcstol(text.c_str(), &end, 10);
  if (*end != L'\0' || value < 0 || value > 0x7FFF) return false;
  *out = static_cast<WORD>(value);
  return true;
}

bool WaitFor(bool wantRunning) {
  for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
    if ((FindTaskBar() != nullptr) == wantRunning) return true;
    Sleep(50);
  }
  return (FindTaskBar() != nullptr) == wantRunning;
}

// Sends a request to the running shell; false when there is none or it does not answer.
bool Request(WPARAM request, LPARAM arg, DWORD_PTR* result) {
  const HWND taskBar = FindTaskBar();
  if (!taskBar) return false;
  return SendMessageTimeoutW(taskBar, ShellRequestMessage(), request, arg,
                             SMTO_ABORTIFHUNG, kRequestTimeoutMs, result) != 0;
}

// A button-down on the task bar at `point`, as a tap there.
void TapTaskBar(HWND taskBar, DWORD point) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(taskBar, WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>(point),
                      SMTO_ABORTIFHUNG, kRequestTimeoutMs, &ignored);
}

DWORD VolumeIconPoint() { return ReadDeviceDword(kIconPointValue, kDefaultVolumeIconPoint); }

int NoShell() {
  PrintError(L"the shell is not running: start it with `qmdevice shell start`");
  return 1;
}

int StartShell() {
  if (FindTaskBar()) {
    Print(L"shell already running");
    return 0;
  }
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  std::wstring program = std::wstring(windows) + L"\\" + kShellProgramFile;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + program + L"\"";
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, windows,
                      &startup, &process)) {
    PrintError(L"cannot start " + program + L" (error " + std::to_wstring(GetLastError()) +
               L"); is the device installed?");
    return 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!WaitFor(true)) {
    PrintError(L"the shell started but its task bar did not appear");
    return 1;
  }
  Print(L"shell running");
  return 0;
}

int StopShell() {
  const HWND taskBar = FindTaskBar();
  if (!taskBar) {
    Print(L"shell not running");
    return 0;
  }
  PostMessageW(taskBar, WM_CLOSE, 0, 0);
  if (!WaitFor(false)) {
    PrintError(L"the shell did not stop");
    return 1;
  }
  Print(L"shell stopped");
  return 0;
}

std::wstring RingerModeText() {
  const RegKey key = OpenRegKey(HKEY_CURRENT_USER, kShellOverridesKeyPath, KEY_QUERY_VALUE);
  const auto mode = key ? FindRegDword(key.get(), kModeValue) : std::nullopt;
  return mode ? SoundWords(SoundValue::RingerMode, *mode) : L"(not set)";
}

// The values the shell keeps to come back to, as far as the device has them.
std::wstring SavedSoundText() {
  static constexpr struct {
    const wchar_t* value;
    const wchar_t* shown;
    SoundValue what;
  } kSaved[] = {{kSavedVolumeValue, L"volume", SoundValue::Volume},
                {kSavedScreenValue, L"screen taps", SoundValue::ClickSound},
                {kSavedKeyValue, L"buttons", SoundValue::ClickSound},
                {kSavedRingerVolumeValue, L"ring volume", SoundValue::Volume}};
  const RegKey key = OpenRegKey(HKEY_CURRENT_USER, kShellOverridesKeyPath, KEY_QUERY_VALUE);
  std::wstring text;
  for (const auto& saved : kSaved) {
    const auto value = key ? FindRegDword(key.get(), saved.value) : std::nullopt;
    if (!value) continue;
    text += (text.empty() ? L"" : L", ") + std::wstring(saved.shown) + L" " +
            SoundWords(saved.what, *value);
  }
  return text.empty() ? L"none" : text;
}

int ShellStatus() {
  const HWND taskBar = FindTaskBar();
  if (!taskBar) {
    Print(L"shell: not running");
    return 1;
  }
  Print(L"shell: running");
  Print(std::wstring(L"task bar: ") + (IsWindowVisible(taskBar) ? L"shown" : L"hidden") +
        (GetPropW(taskBar, kStartIconHiddenProp) ? L", Start icon hidden" : L""));
  Print(L"volume icon at " + PointText(VolumeIconPoint()));
  Print(std::wstring(L"volume pop-up: ") + (FindVolumePopup() ? L"open" : L"closed"));
  Print(std::wstring(L"reminder: ") +
        (FindWindowW(kShellDialogClass, kReminderTitle) ? L"on screen" : L"none"));
  Print(std::wstring(L"ringer mode: ") + RingerModeText());
  Print(L"saved by the ringer: " + SavedSoundText());
  return 0;
}

int Shell(const ToolArgs& args) {
  const std::wstring what = args.empty() ? L"status" : args[0];
  if (args.size() <= 1) {
    if (what == L"start") return StartShell();
    if (what == L"stop") return StopShell();
    if (what == L"status") return ShellStatus();
  }
  PrintError(L"usage: qmdevice shell [start | stop | status]");
  return 2;
}

int Reminder(const ToolArgs& args) {
  if (args.size() != 1 || (args[0] != L"show" && args[0] != L"hide")) {
    PrintError(L"usage: qmdevice reminder show|hide");
    return 2;
  }
  const bool show = args[0] == L"show";
  DWORD_PTR done = 0;
  if (!Request(show ? kRequestShowReminder : kRequestHideReminder, 0, &done)) return NoShell();
  if (!done) {
    PrintError(L"the shell could not do that");
    return 1;
  }
  Print(show ? L"reminder on screen" : L"no reminder");
  return 0;
}

int TaskBar(const ToolArgs& args) {
  if (args.empty()) return ShellStatus();
  if (args[0] == L"icon" && args.size() == 3) {
    WORD x = 0, y = 0;
    if (!ParseCoordinate(args[1], &x) || !ParseCoordinate(args[2], &y)) {
      PrintError(L"taskbar icon takes X and Y from 0 to 32767");
      return 2;
    }
    const DWORD point = MAKELONG(x, y);
    WriteDeviceDword(kIconPointValue, point);
    DWORD_PTR done = 0;
    const bool told = Request(kRequestMoveIcon, static_cast<LPARAM>(point), &done);
    Print(L"volume icon at " + PointText(point) +
          (told ? L"" : L" (taking effect when the shell starts)"));
    return 0;
  }
  if (args[0] == L"tap" && (args.size() == 1 || args.size() == 3)) {
    DWORD point = VolumeIconPoint();
    if (args.size() == 3) {
      WORD x = 0, y = 0;
      if (!ParseCoordinate(args[1], &x) || !ParseCoordinate(args[2], &y)) {
        PrintError(L"taskbar tap takes X and Y from 0 to 32767");
        return 2;
      }
      point = MAKELONG(x, y);
    }
    const HWND taskBar = FindTaskBar();
    if (!taskBar) return NoShell();
    TapTaskBar(taskBar, point);
    Print(L"tapped at " + PointText(point) + L"; volume pop-up " +
          (FindVolumePopup() ? L"open" : L"closed"));
    return 0;
  }
  PrintError(L"usage: qmdevice taskbar [icon X Y | tap [X Y]]");
  return 2;
}

// A button of the pop-up with exactly that caption.
HWND FindPopupButton(HWND popup, const wchar_t* caption) {
  struct Search {
    const wchar_t* caption;
    HWND found;
  } search{caption, nullptr};
  EnumChildWindows(
      popup,
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<Search*>(param);
        wchar_t cls[16] = {}, text[32] = {};
        GetClassNameW(window, cls, 16);
        GetWindowTextW(window, text, 32);
        if (_wcsicmp(cls, L"Button") != 0 || wcscmp(text, search->caption) != 0) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The owner's tap on a ringer button: the volume icon opens the pop-up when it is closed, the
// button is pressed, and a pop-up opened for it is closed again.
int Ringer(const ToolArgs& args) {
  static constexpr struct {
    const wchar_t* word;
    const wchar_t* caption;
  } kButtons[] = {
      {L"on", kRingerOnCaption}, {L"vibrate", kRingerVibrateCaption}, {L"off", kRingerOffCaption}};
  const wchar_t* caption = nullptr;
  for (const auto& button : kButtons) {
    if (args.size() == 1 && args[0] == button.word) caption = button.caption;
  }
  if (!caption) {
    PrintError(L"usage: qmdevice ringer off|vibrate|on");
    return 2;
  }
  const HWND taskBar = FindTaskBar();
  if (!taskBar) return NoShell();
  const bool opened = !FindVolumePopup();
  if (opened) TapTaskBar(taskBar, VolumeIconPoint());
  const HWND popup = FindVolumePopup();
  if (!popup) {
    PrintError(L"the volume icon opens no pop-up on this device");
    return 1;
  }
  const HWND button = FindPopupButton(popup, caption);
  if (button) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kRequestTimeoutMs, &ignored);
  }
  // Unless someone else closed it meanwhile.
  if (opened && FindVolumePopup()) TapTaskBar(taskBar, VolumeIconPoint());
  if (!button) {
    PrintError(std::wstring(L"the volume pop-up has no \"") + caption + L"\" button");
    return 1;
  }
  Print(std::wstring(L"tapped \"") + caption + L"\"; ringer mode: " +
        RingerModeText());
  return 0;
}

int Launches(const ToolArgs& args) {
  if (args.size() == 1 && args[0] == L"clear") {
    ClearLaunches();
    Print(L"launch record cleared");
    return 0;
  }
  if (!args.empty()) {
    PrintError(L"usage: qmdevice launches [clear]");
    return 2;
  }
  const auto launches = ReadLaunches();
  for (const auto& launch : launches) {
    Print(FormatFileTime(launch.deviceTime, true) + L"  " + launch.program + L"  " +
          launch.arguments);
  }
  if (launches.empty()) Print(L"(no launches)");
  return 0;
}

int FreshShellState(const std::wstring&) {
  ClearLaunches();
  WriteDeviceDword(kIconPointValue, kDefaultVolumeIconPoint);
  return 0;
}

const ToolCommand kShell(L"shell", L"shell [start | stop | status]", Shell);
const ToolCommand kReminder(L"reminder", L"reminder show|hide", Reminder);
const ToolCommand kRinger(L"ringer", L"ringer off|vibrate|on   (tap a ringer button)", Ringer);
const ToolCommand kTaskBar(L"taskbar", L"taskbar [icon X Y | tap [X Y]]", TaskBar);
const ToolCommand kLaunches(L"launches", L"launches [clear]", Launches);
const SetupStep kShellSetup(L"shell", FreshShellState);

}  // namespace
