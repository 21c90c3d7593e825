// The emulated shell's ringer buttons on each kind of Pocket PC, tapped on its real windows in
// this process: what they do to the live sound and the shell's saved values, and that a press
// after the program's own silence keeps what the program saved.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <span>
#include <tuple>

#include "device/device_state.h"
#include "settings/settings.h"
#include "shell/shell_program.h"
#include "shell/shell_windows.h"
#include "sound/mute_engine.h"
#include "sound/sound_env.h"
#include "sound/taskbar_volume.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

// Wave volume (or its saved copy), screen tap, key click, ring volume.
using Values = std::array<DWORD, 4>;
constexpr const wchar_t* kLiveNames[] = {kVolumeValue, kScreenValue, kKeyValue, kRingerValue};
constexpr const wchar_t* kSavedNames[] = {kSavedVolumeValue, kSavedScreenValue, kSavedKeyValue,
                                          kSavedRingerVolumeValue};
// The owner's own sound differs from what a fresh device's shell has saved.
constexpr Values kOwner{0x44444444, 0x00010002, 1, 0x77777777};
constexpr Values kFreshSaved{kFreshWaveVolume, 1, 0x00010002, 0xCCCCCCCC};
constexpr Values kSilent{};
// Ringer mode, wave volume, live values, saved values.
using Sound = std::tuple<DWORD, DWORD, Values, Values>;

constexpr DeviceKind kPocketPcKinds[] = {DeviceKind::PocketPc2002, DeviceKind::PocketPc2003,
                                         DeviceKind::PocketPc2003Phone};
bool HasVibrate(DeviceKind kind) { return kind != kNoVibrateKind; }

class ShellRingerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellOptions options;
    options.layout = [this] {
      return HasVibrate(kind_) ? PopupLayout::Standard : PopupLayout::NoVibrate;
    };
    ASSERT_NE(nullptr, CreateShell(GetModuleHandleW(nullptr), options));
  }
  void TearDown() override { DestroyShell(); }

  // A fresh device of `kind` on which the owner has set their own sound.
  void FreshDevice(DeviceKind kind) {
    kind_ = kind;
    soundtest::SetUpDevice(scratch_, kind);
    WriteDeviceKind(kind);
    WriteDeviceWaveVolume(kOwner[0]);
    fake::device().waveVolume = kOwner[0];
    for (size_t i = 0; i < kOwner.size(); ++i) {
      if (i < 3 || kind == DeviceKind::PocketPc2003Phone) {
        RegPutDword(scratch_.root(), kVolumeKeyPath, kLiveNames[i], kOwner[i]);
      }
    }
  }

  Values Read(const wchar_t* key, const wchar_t* const (&names)[4]) const {
    Values values;
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = RegDword(scratch_.root(), key, names[i], soundtest::kAbsent);
    }
    return values;
  }
  Values Live() const { return Read(kVolumeKeyPath, kLiveNames); }
  Values Saved() const { return Read(kShellOverridesKeyPath, kSavedNames); }
  DWORD Mode() const { return RegDword(scratch_.root(), kShellOverridesKeyPath, kModeValue); }
  Sound Now() const { return {Mode(), ReadDeviceWaveVolume(), Live(), Saved()}; }
  // Only a Pocket PC 2003 phone has a ring volume.
  Values OnThisKind(Values values) const {
    if (kind_ != DeviceKind::PocketPc2003Phone) values[3] = soundtest::kAbsent;
    return values;
  }

  // The owner's tap: the icon opens the pop-up, the button is clicked, the icon closes it again.
  bool Press(int id) {
    TapTaskBarVolumeIcon();
    const HWND frame = GetWindow(ShellVolumePopup(), GW_CHILD);
    const HWND button = GetDlgItem(FindWindowExW(frame, nullptr, kShellDialogClass, L""), id);
    if (button) SendMessageW(button, BM_CLICK, 0, 0);
    TapTaskBarVolumeIcon();
    return button != nullptr;
  }

  ScratchHkcu scratch_;
  ScratchHklm machine_{scratch_};
  DeviceKind kind_ = DeviceKind::PocketPc2003;
};

struct Step {
  const char* what;
  int button;
  bool silent, savedOwner;  // else the owner's sound is live and the fresh values saved
  DWORD mode;
  bool refreshed;
};
const Step kWithVibrate[] = {
    {"On while on", kIdRingOn, false, false, 0, false},
    {"Off", kIdRingOff, true, true, 2, true},
    {"a second Off", kIdRingOff, true, true, 2, false},
    {"Vibrate after Off", kIdRingVibrate, true, true, 1, true},
    {"Off after Vibrate", kIdRingOff, true, true, 2, true},
    {"On", kIdRingOn, false, true, 0, true},
    {"a second On", kIdRingOn, false, true, 0, false},
    {"Vibrate from ring", kIdRingVibrate, true, true, 1, true},
    {"On after Vibrate", kIdRingOn, false, true, 0, true},
};
const Step kWithoutVibrate[] = {
    {"Vibrate, which is not there", kIdRingVibrate, false, false, 0, false},
    {"Off", kIdRingOff, true, true, 2, true},
    {"a second Off", kIdRingOff, true, true, 2, false},
    {"On", kIdRingOn, false, true, 0, true},
};

TEST_F(ShellRingerTest, TheOwnersTapsSilenceAndGiveBackTheirOwnSound) {
  for (const DeviceKind kind : kPocketPcKinds) {
    FreshDevice(kind);
    for (const Step& step : HasVibrate(kind) ? std::span<const Step>(kWithVibrate)
                                             : std::span<const Step>(kWithoutVibrate)) {
      SCOPED_TRACE(soundtest::KindName(kind) + ": " + step.what);
      const DWORD refreshes = DeviceRefreshCount();
      EXPECT_EQ(step.button != kIdRingVibrate || HasVibrate(kind), Press(step.button));
      const Values live = OnThisKind(step.silent ? kSilent : kOwner);
      const Values saved = OnThisKind(step.savedOwner ? kOwner : kFreshSaved);
      EXPECT_EQ(Sound(step.mode, live[0], live, saved), Now());
      EXPECT_EQ(refreshes + (step.refreshed ? 1 : 0), DeviceRefreshCount());
    }
  }
}

// The program writes the values to come back to and the mode itself before it presses the
// button of its mode (Off where the device has no Vibrate), and writes everything back with the
// ring mode before it presses On.
TEST_F(ShellRingerTest, APressAfterTheProgramsOwnSilenceKeepsWhatTheProgramSaved) {
  for (const DeviceKind kind : kPocketPcKinds) {
    for (const bool toVibrate : {false, true}) {
      SCOPED_TRACE(soundtest::KindName(kind) + (toVibrate ? ", to vibrate" : ", to off"));
      FreshDevice(kind);
      EditSettings([&](SettingsRecord& s) { s.MuteToVibrate = toVibrate; });
      MuteByChoice();
      SetTaskBarRinger(true);
      EXPECT_EQ(toVibrate && HasVibrate(kind) ? 1u : 2u, Mode());
      EXPECT_EQ(OnThisKind(kSilent), Live());
      EXPECT_EQ(OnThisKind(kOwner), Saved());

      RestoreByChoice();
      SetTaskBarRinger(false);
      EXPECT_EQ(0u, Mode());
      EXPECT_EQ(OnThisKind(kOwner), Live());
    }
  }
}

// The pop-up shows the volume in the owner's words and follows it while open: a tap on Off, and
// a change the pop-up did not make.
TEST_F(ShellRingerTest, ThePopUpShowsTheVolumeInWordsAndFollowsIt) {
  FreshDevice(DeviceKind::PocketPc2003);
  TapTaskBarVolumeIcon();
  const HWND frame = GetWindow(ShellVolumePopup(), GW_CHILD);
  const auto shown = [frame] {
    wchar_t text[32] = {};
    GetDlgItemTextW(frame, kIdVolumeText, text, 32);
    return std::wstring(text);
  };
  EXPECT_EQ(L"27%", shown());
  SendDlgItemMessageW(FindWindowExW(frame, nullptr, kShellDialogClass, L""), kIdRingOff, BM_CLICK,
                      0, 0);
  EXPECT_EQ(L"silent", shown());
  WriteDeviceWaveVolume(0xFFFFFFFF);
  MSG msg;
  for (int i = 0; i < 400 && shown() != L"100%"; ++i) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  EXPECT_EQ(L"100%", shown());
  TapTaskBarVolumeIcon();
}

}  // namespace
