// Measures one run of the protection check with protection on and nothing changed, on each
// device kind: wall time per tick, registry keys opened per tick, heap allocations per tick.
// The counts come from this program's own import table, so they are the calls the code makes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/program.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "settings/settings.h"
#include "sound/sound_protection.h"
#include "support/call_counters.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"

namespace {

constexpr int kTicks = 20000;
constexpr double kPeriodUs = 500'000.0;  // the default check period
constexpr double kBudgetUs = kPeriodUs * 0.001;
constexpr double kLimitUs = 100.0;  // a tick with nothing changed

struct Kind {
  const char* name;
  DeviceKind kind;
};

void Measure(const Kind& k, HKEY scratchRoot, bool report) {
  fake::device().osMajor = KindInfo(k.kind).osMajor;
  fake::device().platformType = KindInfo(k.kind).platformType;
  PopulateSoundKeys(scratchRoot, k.kind);
  ResetTestProgramState();
  DetectDeviceProfile(Program.Instance);
  EditSettings([&](SettingsRecord& s) {
    s.SoundProtection = {true, false, true};
    s.SPMute = 7;
    s.SPScreen = 1;
    s.SPKey = 0x00010002;  // as a fresh device has them: nothing to repair
  });
  fake::device().refreshes = 0;

  ProtectSoundSettings();  // warm-up
  ResetCallCounts();
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kTicks; ++i) ProtectSoundSettings();
  QueryPerformanceCounter(&end);
  const double us = (end.QuadPart - start.QuadPart) * 1e6 / freq.QuadPart / kTicks;
  const CallCounts counts = ReadCallCounts();
  if (!report) return;
  std::printf("%-22s %9.2f us/tick  %5.2f%% of budget  %4.2f keys opened/tick  "
              "%4.2f heap allocs/tick  (repairs: %d)\n",
              k.name, us, 100.0 * us / kBudgetUs, double(counts.keysOpened) / kTicks,
              double(counts.heapAllocations) / kTicks, fake::device().refreshes);
}

}  // namespace

int main() {
  if (!InstallCallCounters()) {
    std::printf("the call counters could not be installed\n");
    return 1;
  }
  fake::ResetDevice();
  ScratchHkcu scratch;

  std::printf("protection tick, nothing changed, %d ticks per kind; limit %.0f us a tick; budget "
              "%.0f us (0.1%% of the %.0f ms period)\n",
              kTicks, kLimitUs, kBudgetUs, kPeriodUs / 1000);
  const Kind kinds[] = {
      {"older platform", DeviceKind::OlderCe},
      {"Pocket PC 2002", DeviceKind::PocketPc2002},
      {"Pocket PC 2003", DeviceKind::PocketPc2003},
      {"Pocket PC 2003 phone", DeviceKind::PocketPc2003Phone},
  };
  // The first round warms the registry and the caches up; the second is reported.
  for (int round = 0; round < 2; ++round) {
    for (const auto& k : kinds) Measure(k, scratch.root(), round == 1);
  }
  return 0;
}
