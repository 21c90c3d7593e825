#include "sound/taskbar_volume.h"

#include <windowsx.h>

#include <cwchar>

#include "common/program.h"
#include "platform/aygshell.h"
#include "platform/shell_names.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_state.h"

TaskBarVolumeStateRecord TaskBarVolumeState;

void ResetTaskBarVolumeState() { TaskBarVolumeState = TaskBarVolumeStateRecord{}; }

namespace {

// Class names and captions are compared on their first 48 characters.
constexpr int kNameChars = 48 + 1;
// The longest wait for the shell to answer one message: a shell that has stopped answering
// holds the check tick no longer than this, once per refresh.
constexpr UINT kShellAnswerMs = 250;

bool HasClass(HWND window, const wchar_t* cls) {
  wchar_t name[kNameChars] = {};
  GetClassNameW(window, name, kNameChars);
  return wcscmp(name, cls) == 0;
}

// The caption as the system keeps it: the window is not asked, so a hung one cannot hold us.
bool HasText(HWND window, const wchar_t* text) {
  wchar_t caption[kNameChars] = {};
  InternalGetWindowText(window, caption, kNameChars);
  return wcscmp(caption, text) == 0;
}

// The window lookup compares without case; the shell's names are matched exactly.
HWND FindTopLevel(const wchar_t* cls, const wchar_t* title) {
  HWND candidate = nullptr;
  while ((candidate = FindWindowExW(nullptr, candidate, cls, title)) != nullptr) {
    if (HasClass(candidate, cls) && HasText(candidate, title)) return candidate;
  }
  return nullptr;
}

HWND FindTaskBar() { return FindTopLevel(kTaskBarClass, L""); }
HWND FindVolumePopup() { return FindTopLevel(kShellDialogClass, kVolumePopupTitle); }

// True when the shell took the message and answered in time. A message it did not answer may
// still be carried out later, when (if ever) the shell reads its messages again.
bool SendToShell(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kShellAnswerMs, &ignored) != 0;
}

// The shell answers messages: it has also carried out every earlier one it took, so the state
// of its windows can be read.
bool ShellAnswers(HWND taskBar) { return SendToShell(taskBar, WM_NULL, 0, 0); }

bool TapIcon(HWND taskBar) {
  return SendToShell(taskBar, WM_LBUTTONDOWN, MK_LBUTTON,
                     static_cast<LPARAM>(Settings.TBIconLocation));
}

// The pop-up's first child, that window's first child, then the first of it and its following
// siblings of class "Dialog".
HWND FindRingerPanel(HWND popup) {
  const HWND frame = GetWindow(popup, GW_CHILD);
  if (!frame) return nullptr;
  for (HWND w = GetWindow(frame, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (HasClass(w, kShellDialogClass)) return w;
  }
  return nullptr;
}

enum class Press { Done, NoSuchButton, Unanswered };

Press PressButton(HWND panel, const wchar_t* caption) {
  for (HWND w = GetWindow(panel, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!HasText(w, caption)) continue;
    const WORD id = static_cast<WORD>(GetDlgCtrlID(w));
    return SendToShell(panel, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(w))
               ? Press::Done
               : Press::Unanswered;
  }
  return Press::NoSuchButton;
}

// ---- Locate dialog ----------------------------------------------------------------------
// The dialog's state, kept by LocateTaskBarIcon for its length.
struct Locate {
  // Ending the dialog hides it, and the deactivation that follows must not end it a second time
  // with another result.
  bool ended = false;
  std::optional<DWORD> point;  // where the owner tapped
};

Locate& LocateOf(HWND dialog) {
  return *reinterpret_cast<Locate*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Showing a dialog cancels a mouse capture taken before it is on screen (the dialog receives
// WM_CANCELMODE), so the mouse is taken by a message that arrives once it is shown.
constexpr UINT WM_LOCATE_TAKE_MOUSE = WM_APP + 1;

void EndLocate(HWND dialog) {
  Locate& locate = LocateOf(dialog);
  if (locate.ended) return;
  locate.ended = true;
  SHFullScreen(dialog, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON);
  EndDialog(dialog, locate.point ? 1 : 0);
}

BOOL OnLocateInit(HWND dialog, LPARAM locate) {
  SetWindowLongPtrW(dialog, DWLP_USER, locate);
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&info);
  SetForegroundWindow(dialog);
  SHFullScreen(dialog, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON);
  PostMessageW(dialog, WM_LOCATE_TAKE_MOUSE, 0, 0);
  return TRUE;
}

// The tap arrives in client coordinates; the dialog has no frame on its right and bottom edges,
// so the corners' difference is where its client area sits on the screen.
void OnLocateTap(HWND dialog, LPARAM lParam) {
  RECT window{}, client{};
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  const auto x = static_cast<short>(GET_X_LPARAM(lParam) + (window.right - client.right));
  const auto y = static_cast<short>(GET_Y_LPARAM(lParam) + (window.bottom - client.bottom));
  ReleaseCapture();
  Locate& locate = LocateOf(dialog);
  if (!locate.ended)
    locate.point = (static_cast<DWORD>(static_cast<WORD>(y)) << 16) | static_cast<WORD>(x);
  EndLocate(dialog);
}

INT_PTR CALLBACK LocateProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnLocateInit(dialog, lParam);
  if (!GetWindowLongPtrW(dialog, DWLP_USER)) return FALSE;
  switch (message) {
    case WM_LOCATE_TAKE_MOUSE:
      if (!LocateOf(dialog).ended) SetCapture(dialog);
      return TRUE;
    case WM_LBUTTONDOWN:
      OnLocateTap(dialog, lParam);
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) return FALSE;
      ReleaseCapture();
      EndLocate(dialog);
      return TRUE;
    case WM_CANCELMODE:
      ReleaseCapture();
      EndLocate(dialog);
      return TRUE;
    case WM_CAPTURECHANGED: {
      const HWND taker = reinterpret_cast<HWND>(lParam);
      if (taker && taker != dialog) EndLocate(dialog);
      return TRUE;
    }
    case WM_DESTROY:
      SetWindowLongPtrW(dialog, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void RefreshTaskBarVolume() { SetTaskBarRinger(MuteState.Muted); }

bool ReminderShowing() {
  if (!FindTopLevel(kShellDialogClass, kReminderTitle)) return false;
  TaskBarVolumeState.SoundRefreshPending = true;
  return true;
}

void TapTaskBarVolumeIcon() {
  if (const HWND taskBar = FindTaskBar()) TapIcon(taskBar);
}

void SetTaskBarRinger(bool muted) {
  if (ReminderShowing()) return;
  const wchar_t* wanted = !muted                   ? kRingerOnCaption
                          : Settings.MuteToVibrate ? kRingerVibrateCaption
                                                   : kRingerOffCaption;
  const HWND taskBar = FindTaskBar();
  if (!taskBar) {
    TaskBarVolumeState.SoundRefreshPending = false;
    return;
  }
  // Until the shell has answered every step, the refresh stays pending and a later tick (or
  // power-on) does it again from the start; nothing more is sent to a shell that has not
  // answered, so unanswered taps never pile up to open and close the pop-up behind our back.
  TaskBarVolumeState.SoundRefreshPending = true;
  if (!ShellAnswers(taskBar)) return;
  if (!FindVolumePopup() && !TapIcon(taskBar)) return;
  const HWND popup = FindVolumePopup();
  if (!popup) {
    // The tap was taken and opened nothing (the icon is elsewhere, or the shell has no pop-up).
    TaskBarVolumeState.SoundRefreshPending = false;
    return;
  }
  if (const HWND panel = FindRingerPanel(popup)) {
    Press pressed = PressButton(panel, wanted);
    // A device without a vibrating alert has no "Vibrate": it is silenced with "Off".
    if (pressed == Press::NoSuchButton && wanted == kRingerVibrateCaption) {
      pressed = PressButton(panel, kRingerOffCaption);
    }
    if (pressed == Press::Unanswered) return;
  }
  if (!TapIcon(taskBar)) return;
  TaskBarVolumeState.SoundRefreshPending = false;
}

std::optional<DWORD> LocateTaskBarIcon(HWND owner) {
  Locate locate;
  DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_LOCATE), owner, LocateProc,
                  reinterpret_cast<LPARAM>(&locate));
  return locate.point;
}
