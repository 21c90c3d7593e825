// How the program is known from outside: the registry key of its settings, the name it runs
// under, its hidden main window's class, and the titles of its settings window and history view.
// The program, the emulated device's tool and the tests take them from here. Also read by windres
// (the texts are plain macros for it).
#pragma once

// The single-instance mutex and the main window's title (string-table entry IDS_PROGRAM_NAME).
#define QM_PROGRAM_NAME "QMind"
// The main window's class (string-table entry IDS_WINDOW_CLASS).
#define QM_WINDOW_CLASS "QMIND"
// Captions of the settings window and of the views over it.
#define QM_SETTINGS_WINDOW_TITLE "QuietMinder"
#define QM_HISTORY_VIEW_TITLE "History"
#define QM_TODAY_VIEW_TITLE "Today"
#define QM_RULES_VIEW_TITLE "Rules"

// The notification icon's pictures (icon resources of the program), each for what it tells the
// owner.
#define IDI_IDLE 123                // sound on
#define IDI_MUTED 102               // silenced
#define IDI_MUTED_USER_RESTORE 136  // silenced; raising the volume gives the sound back
#define IDI_FILTER_HOLD 142         // muting held off while a listed application runs

// Below HKEY_CURRENT_USER: the maker's key, and in it the program's settings.
#define QM_MAKER_KEY "Software\\Fernhollow"
#define QM_SETTINGS_KEY QM_MAKER_KEY "\\QuietMinder"

#ifndef RC_INVOKED
inline constexpr wchar_t kProgramName[] = L"" QM_PROGRAM_NAME;
inline constexpr wchar_t kWindowClass[] = L"" QM_WINDOW_CLASS;
inline constexpr wchar_t kSettingsWindowTitle[] = L"" QM_SETTINGS_WINDOW_TITLE;
inline constexpr wchar_t kHistoryViewTitle[] = L"" QM_HISTORY_VIEW_TITLE;
inline constexpr wchar_t kTodayViewTitle[] = L"" QM_TODAY_VIEW_TITLE;
inline constexpr wchar_t kRulesViewTitle[] = L"" QM_RULES_VIEW_TITLE;
// Captions of the program's message boxes: the settings window's name with what the box tells,
// and the window class's for the notification icon's failures.
inline constexpr wchar_t kErrorCaption[] = L"" QM_SETTINGS_WINDOW_TITLE " Error";
inline constexpr wchar_t kInformationCaption[] = L"" QM_SETTINGS_WINDOW_TITLE " Information";
inline constexpr wchar_t kIconErrorCaption[] = L"" QM_WINDOW_CLASS " Error";

inline constexpr wchar_t kMakerKeyPath[] = L"" QM_MAKER_KEY;
inline constexpr wchar_t kSettingsKeyPath[] = L"" QM_SETTINGS_KEY;
// What a running mute keeps beside the settings, so that the next run can give it back.
inline constexpr wchar_t kKeptSoundKeyPath[] = L"" QM_SETTINGS_KEY "\\SavedSound";

// What the notification icon's picture tells the owner; null for another picture.
inline const wchar_t* TrayIconWords(unsigned picture) {
  switch (picture) {
    case IDI_IDLE: return L"sound on";
    case IDI_MUTED: return L"silenced";
    case IDI_MUTED_USER_RESTORE: return L"silenced, and raising the volume gives the sound back";
    case IDI_FILTER_HOLD: return L"sound on: a listed application holds muting off";
    default: return nullptr;
  }
}
#endif
