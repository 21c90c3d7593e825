// What the program relies on about the handheld shell's windows: their class names and titles,
// the ringer buttons of the volume pop-up, where the volume icon sits on a fresh device, and the
// marks the shell's full-screen call leaves on the task bar. Class names and titles are matched
// exactly.
#pragma once
#include <windows.h>

inline constexpr wchar_t kTaskBarClass[] = L"HHTaskBar";  // its title is empty
// The shell's dialogs: the volume pop-up, its ringer panel and the reminder.
inline constexpr wchar_t kShellDialogClass[] = L"Dialog";
inline constexpr wchar_t kVolumePopupTitle[] = L"Volume";
inline constexpr wchar_t kReminderTitle[] = L"Reminder";
// Captions of the ringer buttons; a device without a vibrating alert has no "Vibrate".
inline constexpr wchar_t kRingerOnCaption[] = L"On";
inline constexpr wchar_t kRingerVibrateCaption[] = L"Vibrate";
inline constexpr wchar_t kRingerOffCaption[] = L"Off";

// The volume icon's point on the task bar of a fresh device: x in the low word, y in the high.
inline constexpr DWORD kDefaultVolumeIconPoint = 0x000B00A5;

// Properties that the task bar carries while its Start icon / input panel button are hidden.
inline constexpr wchar_t kStartIconHiddenProp[] = L"HHTaskBar.StartIconHidden";
inline constexpr wchar_t kSipButtonHiddenProp[] = L"HHTaskBar.SipButtonHidden";
// The property a dialog carries when its caption offers OK (SHIDIF_DONEBUTTON).
inline constexpr wchar_t kDoneButtonProp[] = L"SH.DoneButton";
// The shell's menu bars: their class and height in pixels.
inline constexpr wchar_t kMenuBarClass[] = L"menu_worker";
inline constexpr int kMenuBarHeight = 26;
