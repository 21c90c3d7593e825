// The real program killed and started on the emulated handheld: a run killed during a mute gives
// nothing away (the next run gives back exactly the owner's sound at the next power-on), and many
// starts at once leave one program running.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/program.h"
#include "device/device_kinds.h"
#include "device/device_state.h"
#include "e2e/device_session.h"
#include "platform/program_names.h"
#include "resources/resource.h"
#include "ui/window_driver.h"

namespace {

using namespace e2e;

constexpr DWORD kWaitMs = 30000;
constexpr DWORD kMissing = 0xDEADBEEF;

// Every sound value of the owner that a mute silences, as far as the device's kind keeps it
// (kMissing where it keeps none).
struct OwnerSound {
  DWORD wave, volume, mute, screen, key, ringer, mode;
  DWORD unmutedVolume, unmutedMute, unmutedScreen, unmutedKey;
  DWORD ringVolume, earCouple;
  std::wstring ringTone;
  bool operator==(const OwnerSound&) const = default;
};

void PrintTo(const OwnerSound& s, std::ostream* out) {
  char text[400];
  snprintf(text, sizeof text,
           "{wave %08lX volume %08lX mute %lX screen %lX key %lX ringer %08lX mode %lX | unmuted "
           "%08lX %lX %lX %lX | ring volume %lX ear couple %lX | tone ",
           s.wave, s.volume, s.mute, s.screen, s.key, s.ringer, s.mode, s.unmutedVolume,
           s.unmutedMute, s.unmutedScreen, s.unmutedKey, s.ringVolume, s.earCouple);
  *out << text;
  for (const wchar_t c : s.ringTone) *out << static_cast<char>(c < 128 ? c : '?');
  *out << "}";
}

OwnerSound Snapshot() {
  return {ReadDeviceWaveVolume(),
          UserDword(kVolumeKeyPath, kVolumeValue, kMissing),
          UserDword(kVolumeKeyPath, kMuteValue, kMissing),
          UserDword(kVolumeKeyPath, kScreenValue, kMissing),
          UserDword(kVolumeKeyPath, kKeyValue, kMissing),
          UserDword(kVolumeKeyPath, kRingerValue, kMissing),
          UserDword(kShellOverridesKeyPath, kModeValue, kMissing),
          UserDword(kVolumeUnmutedKeyPath, kVolumeValue, kMissing),
          UserDword(kVolumeUnmutedKeyPath, kMuteValue, kMissing),
          UserDword(kVolumeUnmutedKeyPath, kScreenValue, kMissing),
          UserDword(kVolumeUnmutedKeyPath, kKeyValue, kMissing),
          UserDword(kRingCategoryKeyPath, kInitVolValue, kMissing),
          UserDword(kEarCoupleKeyPath, kEarCoupleValue, kMissing),
          UserText(kRingToneKeyPath, kSoundValue)};
}

// A sound of the owner's own on a fresh device of `kind`, unlike the device's defaults in every
// value, and as the shell would have saved it.
void GiveOwnerSound(DeviceKind kind) {
  constexpr DWORD kVolume = 0x44444444, kMute = 5, kScreen = 0x00010002, kKey = 1;
  constexpr DWORD kRinger = 0x77777777;
  const SoundKeySet keys = SoundKeysOfKind(kind);
  WriteDeviceWaveVolume(kVolume);
  for (const wchar_t* path :
       {kVolumeKeyPath, keys.volumeUnmuted ? kVolumeUnmutedKeyPath : nullptr}) {
    if (!path) continue;
    PutUserDword(path, kVolumeValue, kVolume);
    PutUserDword(path, kMuteValue, kMute);
    PutUserDword(path, kScreenValue, kScreen);
    PutUserDword(path, kKeyValue, kKey);
  }
  if (keys.shellOverrides) {
    PutUserDword(kShellOverridesKeyPath, kSavedVolumeValue, kVolume);
    PutUserDword(kShellOverridesKeyPath, kSavedScreenValue, kScreen);
    PutUserDword(kShellOverridesKeyPath, kSavedKeyValue, kKey);
  }
  if (keys.ringCategory) {
    PutUserDword(kVolumeKeyPath, kRingerValue, kRinger);
    PutUserDword(kShellOverridesKeyPath, kSavedRingerVolumeValue, kRinger);
    PutUserDword(kRingCategoryKeyPath, kInitVolValue, 4);
  }
  if (keys.earCouple) PutUserDword(kEarCoupleKeyPath, kEarCoupleValue, 2);
  if (keys.ringTone) {
    constexpr wchar_t kTone[] = L"\\Windows\\Ring-Owner.wav";
    for (const wchar_t* name : {kSoundValue, kSavedSoundValue}) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kRingToneKeyPath, name, REG_SZ, kTone, sizeof kTone);
    }
  }
}

bool KeptSoundExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKeptSoundKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

bool Silent() { return ReadDeviceWaveVolume() == 0; }

bool ShowsMuted(HWND main) {
  const DWORD picture = TrayPicture();
  return TrayIconOf(main) && (picture == IDI_MUTED || picture == IDI_MUTED_USER_RESTORE);
}

// One tick of the program, run now and waited for.
bool Tick(HWND main) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(main, WM_CHECK, 1, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
}

// What a trial fails at, and false; what the trial goes on with.
bool Step(bool ok, const char* what) {
  if (!ok) ADD_FAILURE() << what;
  return ok;
}

enum class MuteBy { Meeting, HandMadeSilence, SettingsWindow };
enum class KillWhen { AtOnce, AfterTicks, WindowOpen };

struct KillTrial {
  MuteBy mute;
  KillWhen kill;
  DeviceKind kind;
};

// Every way of muting at every moment of a kill, spread over the kinds that have it (the oldest
// kind has no volume pop-up to silence by hand). The first five differ in all three.
constexpr KillTrial kKillTrials[] = {
    {MuteBy::Meeting, KillWhen::AtOnce, DeviceKind::PocketPc2003Phone},
    {MuteBy::HandMadeSilence, KillWhen::AfterTicks, DeviceKind::PocketPc2003Phone},
    {MuteBy::SettingsWindow, KillWhen::WindowOpen, DeviceKind::PocketPc2003Phone},
    {MuteBy::Meeting, KillWhen::WindowOpen, DeviceKind::PocketPc2003},
    {MuteBy::HandMadeSilence, KillWhen::AtOnce, DeviceKind::PocketPc2002},
    {MuteBy::SettingsWindow, KillWhen::AfterTicks, DeviceKind::PocketPc2003Phone},
    {MuteBy::Meeting, KillWhen::AfterTicks, DeviceKind::OlderCe},
    {MuteBy::HandMadeSilence, KillWhen::WindowOpen, DeviceKind::PocketPc2003Phone},
    {MuteBy::SettingsWindow, KillWhen::AtOnce, DeviceKind::PocketPc2003},
    {MuteBy::SettingsWindow, KillWhen::WindowOpen, DeviceKind::OlderCe},
};

std::string Describe(const KillTrial& t) {
  static constexpr const char* kMute[] = {"meeting mute", "hand-made silence",
                                          "settings-window mute"};
  static constexpr const char* kKill[] = {"killed at once", "killed after ticks",
                                          "killed with the settings window open"};
  std::string text =
      std::string(kMute[static_cast<int>(t.mute)]) + ", " + kKill[static_cast<int>(t.kill)] + ", ";
  for (const wchar_t* c = KindInfo(t.kind).name; *c; ++c) text += static_cast<char>(*c);
  return text;
}

// Mutes the way the trial asks with the program running as `program`, and brings the run to the
// moment of its kill.
bool MuteAndReachTheKill(const KillTrial& t, e2e::Program& program, HWND main) {
  if (t.kill == KillWhen::AtOnce) {
    // As soon as the mute keeps what it silences: the silence may not be complete yet.
    return Step(WaitUntil(KeptSoundExists, kWaitMs), "the mute kept nothing");
  }
  if (t.mute == MuteBy::SettingsWindow) {
    HWND settings = nullptr;
    if (!Step(WaitUntil([&] { return (settings = FindSettingsWindow()) != nullptr; }, kWaitMs),
              "no settings window")) {
      return false;
    }
    if (!Step(WaitUntil(Silent, kWaitMs), "the open window did not silence")) return false;
    if (t.kill == KillWhen::WindowOpen) return true;
    // Thirty minutes of silence chosen on the Mute page.
    if (!Step(WaitForEnabledControl(settings, IDC_MUTE_MINUTES, kWaitMs) != nullptr &&
                  ChooseListRow(settings, IDC_MUTE_MINUTES, 1) &&
                  CloseSettingsWindow(settings, true),
              "the Mute page took no choice")) {
      return false;
    }
    if (!Step(WaitUntil([] { return FindSettingsWindow() == nullptr; }, kWaitMs),
              "the settings window stayed")) {
      return false;
    }
  }
  if (!Step(WaitUntil([&] { return ShowsMuted(main) && Silent(); }, kWaitMs), "no mute")) {
    return false;
  }
  if (t.kill == KillWhen::AfterTicks) {
    for (int i = 0; i < 3; ++i) {
      if (!Step(Tick(main), "a tick went unanswered")) return false;
    }
    return Step(Silent(), "the mute ended before its time");
  }
  // The settings window opened over the running mute.
  if (!Step(Tool(L"tap") == 0, "no icon to tap")) return false;
  return Step(WaitUntil(
                  [&] {
                    return FindProcessWindow(program.id(), L"#32770", kSettingsWindowTitle) !=
                           nullptr;
                  },
                  kWaitMs),
              "no settings window");
}

// One trial: a mute, a kill, a start, a power-on. True when the owner's sound is back exactly.
bool RunKillTrial(const KillTrial& t) {
  ResetDevice(t.kind);
  GiveOwnerSound(t.kind);
  const OwnerSound owner = Snapshot();
  if (t.mute == MuteBy::Meeting) {
    PutUserDword(kSettingsKeyPath, L"EnablePOLink", 1);
    if (!Step(Tool(L"calendar sample --in 0 --minutes 60") == 0, "no meeting")) return false;
  }
  if (t.mute == MuteBy::HandMadeSilence && !Step(Tool(L"shell start") == 0, "no shell")) {
    return false;
  }
  {
    // Started by hand, the program opens its settings window, which silences the device.
    e2e::Program killed(t.mute == MuteBy::SettingsWindow ? L"" : L"STARTUP");
    const HWND main = WaitForMainWindowOf(killed.id(), kWaitMs);
    if (!Step(main != nullptr, "the program did not start")) return false;
    if (t.mute == MuteBy::HandMadeSilence) {
      if (!Step(WaitUntil([&] { return TrayIconOf(main) && TrayPicture() == IDI_IDLE; }, kWaitMs),
                "the program is not ready") ||
          !Step(Tool(L"ringer off") == 0, "the ringer did not switch off")) {
        return false;
      }
    }
    if (!MuteAndReachTheKill(t, killed, main)) return false;
    killed.Kill();
    if (!Step(!killed.Running(), "the kill did not end the program")) return false;
  }

  e2e::Program again(L"STARTUP");
  const HWND main = WaitForMainWindowOf(again.id(), kWaitMs);
  if (!Step(main != nullptr, "the program did not start again")) return false;
  // The new run takes the silence over at a tick; a kill before anything was silenced leaves
  // nothing to. The killed run's icon shows until the new run replaces it, so the icon counts
  // only after a tick of the new run.
  const bool mayBeOver = t.mute == MuteBy::SettingsWindow && t.kill == KillWhen::AtOnce;
  if (!Step(WaitUntil(
                [&] {
                  return Tick(main) &&
                         (ShowsMuted(main) || (mayBeOver && TrayPicture() == IDI_IDLE &&
                                               !KeptSoundExists() && Snapshot() == owner));
                },
                kWaitMs),
            "the new run did not take the silence over")) {
    return false;
  }
  if (t.mute == MuteBy::Meeting &&
      !Step(Tool(L"calendar clear") == 0 && Tool(L"clock advance 61") == 0, "the meeting stays")) {
    return false;
  }
  if (!Step(Tool(L"power") == 0, "no power-on")) return false;
  const bool back = WaitUntil(
      [&] {
        return Snapshot() == owner && TrayIconOf(main) && TrayPicture() == IDI_IDLE &&
               !KeptSoundExists();
      },
      kWaitMs);
  EXPECT_EQ(owner, Snapshot());
  EXPECT_FALSE(KeptSoundExists());
  return back;
}

// QM_KILL_TRIALS, when set, is the number of trials: 1 to 100.
int KillTrialCount() {
  const char* text = getenv("QM_KILL_TRIALS");
  if (!text || !*text) return 5;
  char* end = nullptr;
  const long count = strtol(text, &end, 10);
  if (*end != '\0' || count < 1 || count > 100) return 0;
  return static_cast<int>(count);
}

class RestartsOnTheDevice : public ::testing::Test {
 protected:
  void SetUp() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
  void TearDown() override {
    Tool(L"shell stop");
    ResetDevice(DeviceKind::PocketPc2003Phone);
  }
};

TEST_F(RestartsOnTheDevice, KilledDuringAMuteTheNextRunGivesBackTheOwnersSoundAtPowerOn) {
  const int trials = KillTrialCount();
  ASSERT_GT(trials, 0) << "QM_KILL_TRIALS takes a number of trials from 1 to 100";
  int back = 0;
  for (int i = 0; i < trials; ++i) {
    const KillTrial& trial = kKillTrials[i % std::size(kKillTrials)];
    SCOPED_TRACE(testing::Message() << "trial " << i + 1 << ": " << Describe(trial));
    if (RunKillTrial(trial)) ++back;
    Tool(L"shell stop");
  }
  printf("kill trials: %d/%d sound back\n", back, trials);
  EXPECT_EQ(trials, back);
}

TEST_F(RestartsOnTheDevice, TwentyStartsAtOnceLeaveOneProgramRunningAndTheSoundAsItWas) {
  GiveOwnerSound(DeviceKind::PocketPc2003Phone);
  const OwnerSound owner = Snapshot();
  constexpr size_t kStarts = 20;
  std::vector<std::unique_ptr<e2e::Program>> starts;
  // Each is made ready to run first; then all start at one moment.
  for (size_t i = 0; i < kStarts; ++i) {
    starts.push_back(std::make_unique<e2e::Program>(L"STARTUP", e2e::Program::Held::Yes));
    ASSERT_NE(0u, starts.back()->id()) << "a start was refused";
  }
  for (const auto& start : starts) start->Go();

  const auto running = [&] {
    std::vector<e2e::Program*> still;
    for (const auto& start : starts) {
      if (start->Running()) still.push_back(start.get());
    }
    return still;
  };
  ASSERT_TRUE(WaitUntil([&] { return running().size() <= 1; }, 120000));
  const std::vector<e2e::Program*> survivors = running();
  ASSERT_EQ(1u, survivors.size());
  const HWND main = WaitForMainWindowOf(survivors[0]->id(), kWaitMs);
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WaitUntil([&] { return TrayIconOf(main); }, kWaitMs));
  for (const auto& start : starts) {
    if (start.get() != survivors[0]) {
      EXPECT_EQ(1u, start->Wait(0)) << "a second start ends with 1";
    }
  }
  EXPECT_EQ(std::vector<DWORD>{survivors[0]->id()}, ProgramProcessIds());
  EXPECT_EQ(std::vector<HWND>{main}, MainWindows());

  // A later start that found the first one's window asked it to raise its settings window, and
  // an open settings window holds the device silent; what the starts themselves left is the
  // owner's sound. A tap of our own opens the window if none did, and the Cancel posted after it
  // comes after every raise in the program's one queue: none is left to open it again.
  ASSERT_EQ(0, Tool(L"tap"));
  HWND settings = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (settings = FindProcessWindow(survivors[0]->id(), L"#32770",
                                             kSettingsWindowTitle)) != nullptr;
      },
      kWaitMs));
  ASSERT_TRUE(WaitUntil(Silent, kWaitMs));
  ASSERT_TRUE(CloseSettingsWindow(settings, false));
  EXPECT_TRUE(WaitUntil(
      [&] { return !IsWindow(settings) && Snapshot() == owner && TrayPicture() == IDI_IDLE; },
      kWaitMs));
  EXPECT_EQ(owner, Snapshot());
  EXPECT_EQ(std::vector<HWND>{main}, MainWindows());
  EXPECT_EQ(std::vector<DWORD>{survivors[0]->id()}, ProgramProcessIds());
}

}  // namespace
