#include "ui/sound_page.h"

#include <commctrl.h>

#include <string>

#include "common/clock.h"
#include "common/text.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_policy.h"
#include "sound/sound_protection.h"
#include "ui/page_controls.h"
#include "ui/page_messages.h"

namespace {

constexpr DWORD kVolumeStepWord = 0x33333333;
constexpr int kMiddleStep = 3;

// SPMute's sound classes.
constexpr DWORD kEventsClass = 4;
constexpr DWORD kProgramsClass = 2;
constexpr DWORD kNotificationsClass = 1;
// SPScreen and SPKey: 0 off, else soft or hard.
constexpr DWORD kSoftClick = 1;
constexpr DWORD kHardClick = 65538;

// Switched on and off with protection itself.
constexpr int kProtectionControls[] = {
    IDC_SOUND_WARN_ONLY,  IDC_SOUND_PROTECT,    IDC_SOUND_VOLUME_LABEL, IDC_SOUND_VOLUME,
    IDC_SOUND_LOUD_LABEL, IDC_SOUND_SOFT_LABEL, IDC_SOUND_STATUS};

// A protected click sound: its check box and the soft and hard choices under it.
struct ClickSound {
  int box;
  int soft;
  int hard;
  DWORD SettingsRecord::*field;
};
constexpr ClickSound kClickSounds[] = {
    {IDC_SOUND_SCREEN, IDC_SOUND_SCREEN_SOFT, IDC_SOUND_SCREEN_HARD, &SettingsRecord::SPScreen},
    {IDC_SOUND_KEYS, IDC_SOUND_KEYS_SOFT, IDC_SOUND_KEYS_HARD, &SettingsRecord::SPKey},
};

struct SoundClass {
  int box;
  DWORD bit;
};
constexpr SoundClass kSoundClasses[] = {{IDC_SOUND_EVENTS, kEventsClass},
                                        {IDC_SOUND_PROGRAMS, kProgramsClass},
                                        {IDC_SOUND_NOTIFICATIONS, kNotificationsClass}};

// The enabling rules, all derived from what is checked: the mode and the slider follow
// protection; the protected values follow "Protect my settings"; "Notifications" sits under
// "Programs", and each click sound's soft and hard choices under its check box. A disabled
// control keeps its check, so switching protection off and on again brings the choices back.
void ApplyEnablingRules(HWND page) {
  const bool on = IsChecked(page, IDC_SOUND_ENABLE);
  EnableControls(page, kProtectionControls, on);
  const bool protect = on && IsChecked(page, IDC_SOUND_PROTECT);
  EnableControl(page, IDC_SOUND_EVENTS, protect);
  EnableControl(page, IDC_SOUND_PROGRAMS, protect);
  EnableControl(page, IDC_SOUND_NOTIFICATIONS, protect && IsChecked(page, IDC_SOUND_PROGRAMS));
  for (const ClickSound& click : kClickSounds) {
    EnableControl(page, click.box, protect);
    const bool choices = protect && IsChecked(page, click.box);
    EnableControl(page, click.soft, choices);
    EnableControl(page, click.hard, choices);
  }
}

HWND Slider(HWND page) { return GetDlgItem(page, IDC_SOUND_VOLUME); }

int SliderStep(HWND page) { return static_cast<int>(SendMessageW(Slider(page), TBM_GETPOS, 0, 0)); }

void InitSlider(HWND page) {
  const HWND slider = Slider(page);
  SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(kLoudestStep, kSoftestStep));
  SendMessageW(slider, TBM_SETTICFREQ, 1, 0);
  SendMessageW(slider, TBM_SETPAGESIZE, 0, 1);
  SendMessageW(slider, TBM_SETPOS, TRUE, StepOfVolumeWord(Settings.SPVolume));
}

void ShowClickSound(HWND page, const ClickSound& click) {
  const DWORD stored = Settings.*click.field;
  SetChecked(page, click.box, stored != 0);
  SetChecked(page, click.soft, stored <= kSoftClick);
  SetChecked(page, click.hard, stored > kSoftClick);
}

DWORD ChosenClickSound(HWND page, const ClickSound& click) {
  if (!IsChecked(page, click.box)) return 0;
  return IsChecked(page, click.soft) ? kSoftClick : kHardClick;
}

// "Your sound settings were last protected on <date> at <time>", or nothing before the first time.
void ShowLastProtected(HWND page) {
  const HWND status = GetDlgItem(page, IDC_SOUND_STATUS);
  if (SoundProtectionState.LastProtected == 0) {
    ShowWindow(status, SW_HIDE);
    return;
  }
  const SYSTEMTIME local = LocalTimeOf(SoundProtectionState.LastProtected);
  const std::wstring text = L"Your sound settings were last protected on " +
                            ShortDateText(local) + L" at " + TimeOfDayText(local);
  SetWindowTextW(status, text.c_str());
}

BOOL OnInitDialog(HWND page) {
  InitSlider(page);
  for (const SoundClass& sound : kSoundClasses) {
    SetChecked(page, sound.box, (Settings.SPMute & sound.bit) != 0);
  }
  for (const ClickSound& click : kClickSounds) ShowClickSound(page, click);
  const SoundProtectionFlags& mode = Settings.SoundProtection;
  SetChecked(page, IDC_SOUND_WARN_ONLY, mode.WarnOnly);
  SetChecked(page, IDC_SOUND_PROTECT, !mode.WarnOnly && mode.ProtectSettings);
  SetChecked(page, IDC_SOUND_ENABLE, mode.Enabled);
  ApplyEnablingRules(page);
  ShowLastProtected(page);
  return TRUE;
}

// With protection off only the switch changes; the other values are stored as they were.
BOOL OnCommit(HWND page) {
  SettingsRecord edited = Settings;
  SoundProtectionFlags& mode = edited.SoundProtection;
  mode.Enabled = IsChecked(page, IDC_SOUND_ENABLE);
  if (mode.Enabled) {
    mode.WarnOnly = IsChecked(page, IDC_SOUND_WARN_ONLY);
    mode.ProtectSettings = IsChecked(page, IDC_SOUND_PROTECT);
    DWORD classes = 0;
    if (IsChecked(page, IDC_SOUND_EVENTS)) classes |= kEventsClass;
    if (IsChecked(page, IDC_SOUND_PROGRAMS)) {
      classes |= kProgramsClass;
      if (IsChecked(page, IDC_SOUND_NOTIFICATIONS)) classes |= kNotificationsClass;
    }
    edited.SPMute = classes;
    edited.SPVolume = VolumeWordOfStep(SliderStep(page));
    for (const ClickSound& click : kClickSounds) {
      edited.*click.field = ChosenClickSound(page, click);
    }
  }
  CommitSettings(edited, SettingsGroup::SoundProtection);
  return TRUE;
}

BOOL OnVScroll(HWND page, WPARAM wParam, LPARAM lParam) {
  // Releasing the slider plays "Default" at its level.
  if (reinterpret_cast<HWND>(lParam) == Slider(page) && LOWORD(wParam) == TB_ENDTRACK) {
    OnTestTone(VolumeWordOfStep(SliderStep(page)));
  }
  return FALSE;
}

BOOL OnCommand(HWND page, WPARAM wParam) {
  if (ClosePageOnCommand(page, LOWORD(wParam))) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_SOUND_ENABLE:
    case IDC_SOUND_WARN_ONLY:
    case IDC_SOUND_PROTECT:
    case IDC_SOUND_PROGRAMS:
    case IDC_SOUND_SCREEN:
    case IDC_SOUND_KEYS:
      if (HIWORD(wParam) == BN_CLICKED) ApplyEnablingRules(page);
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

DWORD VolumeWordOfStep(int step) {
  // Modulo 2^32, as the stored word is; steps outside the slider's range do not occur.
  return static_cast<DWORD>(6 - step) * kVolumeStepWord;
}

int StepOfVolumeWord(DWORD volume) {
  if (volume < kVolumeStepWord) return kMiddleStep;
  return 6 - static_cast<int>(volume / kVolumeStepWord);
}

INT_PTR CALLBACK SoundPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page);
    case WM_COMMAND:
      return OnCommand(page, wParam);
    case WM_VSCROLL:
      return OnVScroll(page, wParam, lParam);
    case WM_PAGE_COMMIT:
      return OnCommit(page);
    default:
      return FALSE;
  }
}
