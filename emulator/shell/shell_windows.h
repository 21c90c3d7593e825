// The emulated handheld's shell: the task bar with its volume icon, the volume pop-up with the
// ringer buttons, and a reminder dialog. The shell program runs these on the device; tests create
// the same windows in their own process.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/shell_names.h"
#include "platform/sound_keys.h"

// How the volume pop-up is built. Standard and NoVibrate are what Pocket PC kinds have; the older
// platform's task bar opens no pop-up (None); NoPanel (the ringer buttons directly in the frame,
// no inner "Dialog" panel) is another shell's layout.
enum class PopupLayout { Standard, NoVibrate, NoPanel, None };

struct ShellOptions {
  // Asked each time the pop-up opens; null means Standard.
  std::function<PopupLayout()> layout;
  // The volume icon's point in the task bar, x in the low word and y in the high word.
  DWORD iconPoint = kDefaultVolumeIconPoint;
  // The shell program ends its message loop when its task bar goes.
  bool postQuitOnDestroy = false;
};

// What happened in the shell since it was created (or since ResetShellStats).
struct ShellStats {
  int buttonDowns = 0;              // left-button-downs that reached the task bar
  int popupOpens = 0;
  int popupCloses = 0;
  std::vector<std::wstring> pressed;  // captions of the ringer buttons pressed, in order
};

inline constexpr int kTaskBarHeight = 26;
// A button-down within this many pixels of the icon's point (either axis) hits the icon.
inline constexpr int kIconHitRadius = 8;

// The pop-up's text that shows the volume, in the owner's words.
inline constexpr int kIdVolumeText = 102;
// Ringer button control ids in the pop-up.
inline constexpr int kIdRingOn = 200;
inline constexpr int kIdRingVibrate = 201;
inline constexpr int kIdRingOff = 202;

// Requests to a running shell from other processes: a registered message sent to the task bar,
// wParam the request, lParam its argument. The result is 1 when the request was carried out.
inline constexpr wchar_t kShellRequestMessageName[] = L"EmulatedHandheld.ShellRequest";
enum ShellRequest : WPARAM {
  kRequestMoveIcon = 1,      // lParam: packed point
  kRequestShowReminder = 2,
  kRequestHideReminder = 3,
};
UINT ShellRequestMessage();

// Registers the window classes and creates the task bar. Null when it cannot (a task bar of this
// process exists already, or creation failed).
HWND CreateShell(HINSTANCE instance, const ShellOptions& options);
// Destroys every window of the shell of this process.
void DestroyShell();

HWND ShellTaskBar();
HWND ShellVolumePopup();   // null while closed
HWND ShellReminder();      // null while none is shown

DWORD ShellIconPoint();
void MoveVolumeIcon(DWORD point);
// Puts up the reminder dialog (true) or takes it down. Returns whether one is now shown.
bool ShowReminder(bool show);

const ShellStats& GetShellStats();
void ResetShellStats();

// The shell's ringer mode: kModeValue under the shell's overrides key, one of kRingerMode*.
// The fallback when it is missing or not a 4-byte value.
DWORD ReadRingerMode(DWORD fallback);
