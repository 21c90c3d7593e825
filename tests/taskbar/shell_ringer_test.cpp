// The emulated shell's ringer buttons on each kind of Pocket PC, pressed on its real windows in
// this process: what the owner's taps do to the live sound and the shell's saved values, and
// that a press after the program's own silence keeps what the program saved.
#include <gtest/gtest.h>
#include <windows.h>

#include <span>

#include "device/device_state.h"
#include "settings/settings.h"
#include "shell/shell_program.h"
#include "shell/shell_windows.h"
#include "sound/mute_engine.h"
#include "sound/sound_env.h"
#include "sound/taskbar_volume.h"
#include "support/fake_device.h"
#include "support/scratch_registry.h"

namespace {

using soundtest::kAbsent;

constexpr DeviceKind kPocketPcKinds[] = {DeviceKind::PocketPc2002, DeviceKind::PocketPc2003,
                                         DeviceKind::PocketPc2003Phone};

bool IsPhone(DeviceKind kind) { return kind == DeviceKind::PocketPc2003Phone; }
bool HasVibrate(DeviceKind kind) { return kind != kNoVibrateKind; }

// The owner's own sound, unlike the saved values a fresh device holds.
struct Values {
  DWORD volume, screen, key, ringer;
  bool operator==(const Values&) const = default;
};
constexpr Values kOwner{0x44444444, 0x00010002, 1, 0x77777777};
constexpr Values kFreshSaved{kFreshWaveVolume, 1, 0x00010002, 0xCCCCCCCC};
constexpr Values kSilent{0, 0, 0, 0};

struct Sound {
  DWORD mode, wave;
  Values live, saved;
  DWORD mute;
  bool operator==(const Sound&) const = default;
};

Values ForKind(Values values, DeviceKind kind) {
  if (!IsPhone(kind)) values.ringer = kAbsent;
  return values;
}

void PrintTo(const Values& v, std::ostream* os) {
  *os << std::hex << "{" << v.volume << " " << v.screen << " " << v.key << " " << v.ringer << "}";
}
void PrintTo(const Sound& s, std::ostream* os) {
  *os << std::hex << "mode " << s.mode << ", wave " << s.wave << ", live ";
  PrintTo(s.live, os);
  *os << ", saved ";
  PrintTo(s.saved, os);
  *os << ", mute " << s.mute;
}

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

  // A fresh device of `kind` whose owner has set their own sound.
  void FreshDevice(DeviceKind kind) {
    kind_ = kind;
    soundtest::SetUpDevice(scratch_, kind);
    WriteDeviceKind(kind);
    WriteDeviceWaveVolume(kOwner.volume);
    fake::device().waveVolume = kOwner.volume;
    PutLive(ForKind(kOwner, kind));
  }

  void PutLive(const Values& v) {
    RegPutDword(root(), kVolumeKeyPath, L"Volume", v.volume);
    RegPutDword(root(), kVolumeKeyPath, L"Screen", v.screen);
    RegPutDword(root(), kVolumeKeyPath, L"Key", v.key);
    if (v.ringer != kAbsent) RegPutDword(root(), kVolumeKeyPath, L"Ringer", v.ringer);
  }

  Sound Now() {
    auto value = [&](const wchar_t* key, const wchar_t* name) {
      return RegDword(root(), key, name, kAbsent);
    };
    return {
        value(kShellOverridesKeyPath, L"Mode"),
        ReadDeviceWaveVolume(),
        {value(kVolumeKeyPath, L"Volume"), value(kVolumeKeyPath, L"Screen"),
         value(kVolumeKeyPath, L"Key"), value(kVolumeKeyPath, L"Ringer")},
        {value(kShellOverridesKeyPath, L"SavedVolume"),
         value(kShellOverridesKeyPath, L"SavedScreen"), value(kShellOverridesKeyPath, L"SavedKey"),
         value(kShellOverridesKeyPath, L"SavedRingerVolume")},
        value(kVolumeKeyPath, L"Mute")};
  }

  // What the device should hold: the live sound as the owner set it or silenced, and what the
  // shell keeps. The wave volume follows the live values; "Mute" is never the ringer's.
  Sound Expected(bool silent, const Values& saved, DWORD mode) const {
    const Values live = ForKind(silent ? kSilent : kOwner, kind_);
    return {mode, live.volume, live, ForKind(saved, kind_), 7};
  }

  // The owner's tap on a ringer button: opens the pop-up, clicks the button, closes the pop-up.
  // False when the pop-up has no such button.
  bool Press(int id) {
    const HWND taskBar = ShellTaskBar();
    SendMessageW(taskBar, WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>(ShellIconPoint()));
    const HWND popup = ShellVolumePopup();
    EXPECT_NE(nullptr, popup);
    if (!popup) return false;
    const HWND panel = FindWindowExW(GetWindow(popup, GW_CHILD), nullptr, kShellDialogClass, L"");
    const HWND button = GetDlgItem(panel, id);
    if (button) SendMessageW(button, BM_CLICK, 0, 0);
    SendMessageW(taskBar, WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>(ShellIconPoint()));
    return button != nullptr;
  }

  HKEY root() const { return scratch_.root(); }

  ScratchHkcu scratch_;
  ScratchHklm machine_{scratch_};
  DeviceKind kind_ = DeviceKind::PocketPc2003;
};

struct Step {
  const char* what;
  int button;
  bool silent;      // live values silenced
  bool savedOwner;  // the shell keeps the owner's sound (else a fresh device's saved values)
  DWORD mode;
  bool refreshed;  // the device took up its sound settings again
};
constexpr bool kYes = true, kNo = false;

const Step kWithVibrate[] = {
    {"On while on", kIdRingOn, kNo, kNo, 0, kNo},
    {"Off", kIdRingOff, kYes, kYes, 2, kYes},
    {"a second Off", kIdRingOff, kYes, kYes, 2, kNo},
    {"Vibrate after Off", kIdRingVibrate, kYes, kYes, 1, kYes},
    {"Off after Vibrate", kIdRingOff, kYes, kYes, 2, kYes},
    {"On", kIdRingOn, kNo, kYes, 0, kYes},
    {"a second On", kIdRingOn, kNo, kYes, 0, kNo},
    {"Vibrate from ring", kIdRingVibrate, kYes, kYes, 1, kYes},
    {"On after Vibrate", kIdRingOn, kNo, kYes, 0, kYes},
};
const Step kWithoutVibrate[] = {
    {"On while on", kIdRingOn, kNo, kNo, 0, kNo},
    {"Vibrate, which is not there", kIdRingVibrate, kNo, kNo, 0, kNo},
    {"Off", kIdRingOff, kYes, kYes, 2, kYes},
    {"a second Off", kIdRingOff, kYes, kYes, 2, kNo},
    {"On", kIdRingOn, kNo, kYes, 0, kYes},
};

TEST_F(ShellRingerTest, TheOwnersTapsSilenceAndGiveBackTheirOwnSound) {
  for (const DeviceKind kind : kPocketPcKinds) {
    FreshDevice(kind);
    for (const Step& step : HasVibrate(kind) ? std::span<const Step>(kWithVibrate)
                                             : std::span<const Step>(kWithoutVibrate)) {
      SCOPED_TRACE(soundtest::KindName(kind) + ", " + step.what);
      const DWORD refreshes = DeviceRefreshCount();
      const bool pressed = Press(step.button);
      EXPECT_EQ(step.button != kIdRingVibrate || HasVibrate(kind), pressed);
      EXPECT_EQ(Expected(step.silent, step.savedOwner ? kOwner : kFreshSaved, step.mode), Now());
      EXPECT_EQ(step.refreshed ? refreshes + 1 : refreshes, DeviceRefreshCount());
    }
  }
}

// The program writes the values to come back to and the mode itself, silences the device, and
// then presses the button of its mode (Off where the device has no Vibrate); giving the sound
// back, it writes everything back with the ring mode and presses On.
TEST_F(ShellRingerTest, APressAfterTheProgramsOwnSilenceKeepsWhatTheProgramSaved) {
  for (const DeviceKind kind : kPocketPcKinds) {
    for (const bool toVibrate : {false, true}) {
      SCOPED_TRACE(soundtest::KindName(kind) + (toVibrate ? ", to vibrate" : ", to off"));
      FreshDevice(kind);
      Settings.MuteToVibrate = toVibrate;
      const DWORD mode = toVibrate && HasVibrate(kind) ? 1 : 2;

      MuteNow();
      SetTaskBarRinger(true);
      Sound now = Now();
      EXPECT_EQ(ForKind(kOwner, kind), now.saved);
      EXPECT_EQ(ForKind(kSilent, kind), now.live);
      EXPECT_EQ(mode, now.mode);

      RestoreSound();
      SetTaskBarRinger(false);
      now = Now();
      EXPECT_EQ(ForKind(kOwner, kind), now.live);
      EXPECT_EQ(0u, now.mode);
      EXPECT_EQ(kOwner.volume, fake::device().waveVolume);
    }
  }
}

}  // namespace
