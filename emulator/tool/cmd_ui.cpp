// The program's settings window from outside, as a user's taps would drive it, and pictures of
// the device's screen.
#include <windows.h>

#include <cwchar>
#include <string>

#include "tool.h"
#include "ui/window_driver.h"

namespace {

constexpr DWORD kWaitMs = 10000;
constexpr wchar_t kUiUsage[] =
    L"ui tab N | tap ID | choose ID ROW | select ID TEXT | deselect ID TEXT | slide ID POSITION | "
    L"ok | cancel";

HWND WaitForSettingsWindow() {
  for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
    if (const HWND settings = FindSettingsWindow()) return settings;
    Sleep(50);
  }
  return nullptr;
}

bool ParseNumber(const std::wstring& text, int* out) {
  wchar_t* end = nullptr;
  const long value = wcstol(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0') return false;
  *out = static_cast<int>(value);
  return true;
}

int Ui(const ToolArgs& args) {
  if (args.empty()) return 2;
  const std::wstring& verb = args[0];
  const HWND settings = WaitForSettingsWindow();
  if (!settings) {
    PrintError(L"no settings window is open");
    return 1;
  }
  int a = 0, b = 0;
  bool ok = false;
  if (verb == L"tab" && args.size() == 2 && ParseNumber(args[1], &a)) {
    ok = ChooseTab(settings, a);
  } else if (verb == L"tap" && args.size() == 2 && ParseNumber(args[1], &a)) {
    ok = TapControl(settings, a);
  } else if (verb == L"choose" && args.size() == 3 && ParseNumber(args[1], &a) &&
             ParseNumber(args[2], &b)) {
    ok = ChooseListRow(settings, a, b);
  } else if ((verb == L"select" || verb == L"deselect") && args.size() == 3 &&
             ParseNumber(args[1], &a)) {
    ok = SelectListEntry(settings, a, args[2], verb == L"select");
  } else if (verb == L"slide" && args.size() == 3 && ParseNumber(args[1], &a) &&
             ParseNumber(args[2], &b)) {
    ok = DragSlider(settings, a, b);
  } else if ((verb == L"ok" || verb == L"cancel") && args.size() == 1) {
    ok = CloseSettingsWindow(settings, verb == L"ok");
  } else {
    PrintError(std::wstring(L"usage: ") + kUiUsage);
    return 2;
  }
  if (!ok) PrintError(L"not done: the control is not shown or not enabled");
  return ok ? 0 : 1;
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
