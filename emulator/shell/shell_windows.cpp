#include "shell/shell_windows.h"

#include <cstdlib>
#include <string>

#include "device/device_registry.h"
#include "device/device_state.h"
#include "platform/sound_words.h"
#include "shell/ringer_switch.h"

namespace {

constexpr wchar_t kFrameClass[] = L"ShellFrame";
constexpr UINT_PTR kFollowFrontTimer = 1;
constexpr UINT kFollowFrontMs = 250;
constexpr int kOkButtonWidth = 26;
constexpr int kCaptionChars = 64;
constexpr int kIdPopupFrame = 100;

// What a window of the shared "Dialog" class is; kept in its user data.
enum class DialogRole : LONG_PTR { None = 0, Popup, Panel, Reminder };

struct Shell {
  HINSTANCE instance = nullptr;
  ShellOptions options;
  HWND taskBar = nullptr;
  HWND popup = nullptr;
  HWND reminder = nullptr;
  ShellStats stats;
  HWND front = nullptr;   // the window whose caption the task bar shows
  std::wstring caption;
};
Shell g_shell;

struct RingerButton {
  int id;
  const wchar_t* caption;
  RingerMode mode;
};
constexpr RingerButton kRingerButtons[] = {
    {kIdRingOn, kRingerOnCaption, RingerMode::Ring},
    {kIdRingVibrate, kRingerVibrateCaption, RingerMode::Vibrate},
    {kIdRingOff, kRingerOffCaption, RingerMode::Off}};

const RingerButton* ButtonById(int id) {
  for (const auto& b : kRingerButtons) {
    if (b.id == id) return &b;
  }
  return nullptr;
}

short PointX(DWORD point) { return static_cast<short>(LOWORD(point)); }
short PointY(DWORD point) { return static_cast<short>(HIWORD(point)); }

bool HitsIcon(LPARAM lParam) {
  const int dx = std::abs(PointX(static_cast<DWORD>(lParam)) - PointX(g_shell.options.iconPoint));
  const int dy = std::abs(PointY(static_cast<DWORD>(lParam)) - PointY(g_shell.options.iconPoint));
  return dx <= kIconHitRadius && dy <= kIconHitRadius;
}

// Checks the button of `mode` among the ringer buttons under `parent`, clears the others.
void ShowRingerMode(HWND parent, DWORD mode) {
  for (const auto& b : kRingerButtons) {
    if (HWND button = GetDlgItem(parent, b.id)) {
      SendMessageW(button, BM_SETCHECK,
                   static_cast<DWORD>(b.mode) == mode ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

// The volume as the pop-up shows it, in the owner's words; followed while the pop-up is open.
void ShowVolume() {
  const HWND frame = g_shell.popup ? GetDlgItem(g_shell.popup, kIdPopupFrame) : nullptr;
  const HWND text = frame ? GetDlgItem(frame, kIdVolumeText) : nullptr;
  if (!text) return;
  const std::wstring shown = SoundWords(SoundValue::Volume, ReadDeviceWaveVolume());
  wchar_t now[kCaptionChars] = {};
  GetWindowTextW(text, now, kCaptionChars);
  if (shown != now) SetWindowTextW(text, shown.c_str());
}

// A ringer button's command, from the user's tap on it or from a program naming its id and
// handle. Anything else that arrives as a command is ignored.
bool OnRingerCommand(HWND parent, WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED) return false;
  const RingerButton* ringer = ButtonById(LOWORD(wParam));
  if (!ringer) return false;
  const HWND button = GetDlgItem(parent, ringer->id);
  if (!button) return false;
  if (lParam != 0 && reinterpret_cast<HWND>(lParam) != button) return false;
  SwitchRinger(ringer->mode);
  ShowRingerMode(parent, static_cast<DWORD>(ringer->mode));
  ShowVolume();
  g_shell.stats.pressed.emplace_back(ringer->caption);
  return true;
}

HWND CreateChild(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                 HWND parent, int id, void* param = nullptr) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_shell.instance,
                         param);
}

void AddRingerButtons(HWND parent, int top, bool withVibrate) {
  int y = top;
  for (const auto& b : kRingerButtons) {
    if (b.id == kIdRingVibrate && !withVibrate) continue;
    CreateChild(L"Button", b.caption, BS_RADIOBUTTON, 4, y, 96, 18, parent, b.id);
    y += 20;
  }
  ShowRingerMode(parent, ReadRingerMode(0));
}

// The walk a program makes: the pop-up's first child (the frame), its first child (a label),
// then a following sibling of class "Dialog" that holds the ringer buttons.
void BuildPopupContent(HWND popup, PopupLayout layout) {
  const HWND frame = CreateChild(kFrameClass, L"", 0, 0, 0, 120, 110, popup, kIdPopupFrame);
  CreateChild(L"Static", L"Volume:", SS_LEFT, 4, 2, 100, 14, frame, 101);
  CreateChild(L"Static", L"", SS_LEFT, 4, 16, 100, 14, frame, kIdVolumeText);
  if (layout == PopupLayout::NoPanel) {
    AddRingerButtons(frame, 32, true);
    return;
  }
  const HWND panel = CreateChild(kShellDialogClass, L"", 0, 0, 32, 120, 66, frame, 103,
                                 reinterpret_cast<void*>(DialogRole::Panel));
  AddRingerButtons(panel, 2, layout != PopupLayout::NoVibrate);
}

void OpenPopup() {
  const PopupLayout layout =
      g_shell.options.layout ? g_shell.options.layout() : PopupLayout::Standard;
  if (layout == PopupLayout::None) return;
  const int x = PointX(g_shell.options.iconPoint) - 60;
  const HWND popup = CreateWindowExW(
      WS_EX_TOOLWINDOW, kShellDialogClass, kVolumePopupTitle, WS_POPUP | WS_BORDER, x < 0 ? 0 : x,
      kTaskBarHeight, 122, 112, g_shell.taskBar, nullptr, g_shell.instance,
      reinterpret_cast<void*>(DialogRole::Popup));
  if (!popup) return;
  g_shell.popup = popup;
  BuildPopupContent(popup, layout);
  ShowVolume();
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  ++g_shell.stats.popupOpens;
}

void ClosePopup() {
  if (!g_shell.popup) return;
  DestroyWindow(g_shell.popup);
  ++g_shell.stats.popupCloses;
}

// The window in front, whose caption the task bar shows; the task bar's own windows and the
// desktop do not count.
HWND FrontWindow() {
  const HWND front = GetForegroundWindow();
  if (!front || front == g_shell.taskBar || front == g_shell.popup) return nullptr;
  if (GetWindowTextLengthW(front) == 0) return nullptr;
  return front;
}

// The "ok" of a dialog whose caption offers it, at the task bar's right end.
RECT OkButtonRect() {
  RECT bar{};
  GetClientRect(g_shell.taskBar, &bar);
  return RECT{bar.right - kOkButtonWidth, 2, bar.right - 2, bar.bottom - 2};
}

bool FrontOffersOk(HWND front) { return front && GetPropW(front, kDoneButtonProp) != nullptr; }

// Repaints the caption when another window comes to the front or its caption changes.
void FollowFrontWindow() {
  const HWND front = FrontWindow();
  wchar_t caption[kCaptionChars] = {};
  if (front) GetWindowTextW(front, caption, kCaptionChars);
  if (front == g_shell.front && caption == g_shell.caption) return;
  g_shell.front = front;
  g_shell.caption = caption;
  InvalidateRect(g_shell.taskBar, nullptr, TRUE);
}

void OnTaskBarButtonDown(LPARAM lParam) {
  ++g_shell.stats.buttonDowns;
  const POINT tap{PointX(static_cast<DWORD>(lParam)), PointY(static_cast<DWORD>(lParam))};
  const HWND front = FrontWindow();
  const RECT ok = OkButtonRect();
  if (FrontOffersOk(front) && PtInRect(&ok, tap)) {
    PostMessageW(front, WM_COMMAND, IDOK, 0);
    return;
  }
  if (!HitsIcon(lParam)) return;
  if (g_shell.popup) {
    ClosePopup();
  } else {
    OpenPopup();
  }
}

void PaintTaskBar(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  FillRect(dc, &rc, reinterpret_cast<HBRUSH>(COLOR_ACTIVECAPTION + 1));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  // The caption of the window in front stands beside the Start icon, as on the handheld.
  const HWND front = FrontWindow();
  if (!GetPropW(window, kStartIconHiddenProp)) {
    RECT start{4, 0, PointX(g_shell.options.iconPoint) - 10, rc.bottom};
    const std::wstring caption = front ? g_shell.caption : std::wstring(L"Start");
    DrawTextW(dc, caption.c_str(), -1, &start, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  }
  if (FrontOffersOk(front)) {
    RECT ok = OkButtonRect();
    FrameRect(dc, &ok, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextW(dc, L"ok", -1, &ok, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
  const int x = PointX(g_shell.options.iconPoint);
  const int y = PointY(g_shell.options.iconPoint);
  RECT icon{x - 6, y - 6, x + 6, y + 6};
  FrameRect(dc, &icon, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EndPaint(window, &ps);
}

LRESULT OnShellRequest(WPARAM request, LPARAM arg) {
  switch (request) {
    case kRequestMoveIcon:
      MoveVolumeIcon(static_cast<DWORD>(arg));
      return 1;
    case kRequestShowReminder:
      return ShowReminder(true) ? 1 : 0;
    case kRequestHideReminder:
      return ShowReminder(false) ? 0 : 1;
    default:
      return 0;
  }
}

LRESULT CALLBACK TaskBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == ShellRequestMessage()) return OnShellRequest(wParam, lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
      OnTaskBarButtonDown(lParam);
      return 0;
    case WM_PAINT:
      PaintTaskBar(window);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_TIMER:
      if (wParam == kFollowFrontTimer) {
        FollowFrontWindow();
        ShowVolume();
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (g_shell.popup) DestroyWindow(g_shell.popup);
      if (g_shell.reminder) DestroyWindow(g_shell.reminder);
      RemovePropW(window, kStartIconHiddenProp);
      RemovePropW(window, kSipButtonHiddenProp);
      g_shell.taskBar = nullptr;
      if (g_shell.options.postQuitOnDestroy) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && OnRingerCommand(window, wParam, lParam)) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ShellDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto role = static_cast<DialogRole>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (role == DialogRole::Panel && OnRingerCommand(window, wParam, lParam)) return 0;
      if (role == DialogRole::Reminder && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (role == DialogRole::Reminder) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (role == DialogRole::Popup && window == g_shell.popup) g_shell.popup = nullptr;
      if (role == DialogRole::Reminder && window == g_shell.reminder) g_shell.reminder = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterOnce(HINSTANCE instance, const wchar_t* name, WNDPROC proc, UINT background) {
  WNDCLASSW existing{};
  if (GetClassInfoW(instance, name, &existing)) return existing.lpfnWndProc == proc;
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  wc.lpszClassName = name;
  return RegisterClassW(&wc) != 0;
}

}  // namespace

UINT ShellRequestMessage() {
  static const UINT message = RegisterWindowMessageW(kShellRequestMessageName);
  return message;
}

HWND CreateShell(HINSTANCE instance, const ShellOptions& options) {
  if (g_shell.taskBar) return nullptr;
  if (!RegisterOnce(instance, kTaskBarClass, TaskBarProc, COLOR_ACTIVECAPTION) ||
      !RegisterOnce(instance, kShellDialogClass, ShellDialogProc, COLOR_BTNFACE) ||
      !RegisterOnce(instance, kFrameClass, FrameProc, COLOR_BTNFACE)) {
    return nullptr;
  }
  g_shell.instance = instance;
  g_shell.options = options;
  g_shell.stats = {};
  g_shell.taskBar =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTaskBarClass, L"",
                      WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN), kTaskBarHeight, nullptr,
                      nullptr, instance, nullptr);
  if (!g_shell.taskBar) return nullptr;
  ShowWindow(g_shell.taskBar, SW_SHOWNOACTIVATE);
  SetTimer(g_shell.taskBar, kFollowFrontTimer, kFollowFrontMs, nullptr);
  return g_shell.taskBar;
}

void DestroyShell() {
  if (g_shell.taskBar) DestroyWindow(g_shell.taskBar);
  g_shell.taskBar = nullptr;
  g_shell.popup = nullptr;
  g_shell.reminder = nullptr;
  g_shell.front = nullptr;
  g_shell.caption.clear();
}

HWND ShellTaskBar() { return g_shell.taskBar; }
HWND ShellVolumePopup() { return g_shell.popup; }
HWND ShellReminder() { return g_shell.reminder; }
DWORD ShellIconPoint() { return g_shell.options.iconPoint; }

void MoveVolumeIcon(DWORD point) {
  g_shell.options.iconPoint = point;
  if (g_shell.taskBar) InvalidateRect(g_shell.taskBar, nullptr, TRUE);
}

bool ShowReminder(bool show) {
  if (!show) {
    if (g_shell.reminder) DestroyWindow(g_shell.reminder);
    return g_shell.reminder != nullptr;
  }
  if (g_shell.reminder) return true;
  const HWND reminder = CreateWindowExW(
      0, kShellDialogClass, kReminderTitle, WS_POPUP | WS_CAPTION, 20, kTaskBarHeight + 40, 200,
      100, nullptr, nullptr, g_shell.instance, reinterpret_cast<void*>(DialogRole::Reminder));
  if (!reminder) return false;
  g_shell.reminder = reminder;
  CreateChild(L"Static", L"Upcoming appointment", SS_LEFT, 8, 8, 180, 16, reminder, 1);
  CreateChild(L"Button", L"Dismiss", BS_PUSHBUTTON, 60, 40, 80, 22, reminder, IDCANCEL);
  ShowWindow(reminder, SW_SHOWNOACTIVATE);
  return true;
}

const ShellStats& GetShellStats() { return g_shell.stats; }
void ResetShellStats() { g_shell.stats = {}; }

DWORD ReadRingerMode(DWORD fallback) {
  const RegKey key = OpenRegKey(HKEY_CURRENT_USER, kShellOverridesKeyPath, KEY_QUERY_VALUE);
  return key ? GetRegDword(key.get(), kModeValue, fallback) : fallback;
}
