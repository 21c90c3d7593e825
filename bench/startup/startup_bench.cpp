// Start-up and idle cost of QuietMinder:
//  - the time from process start to the resident main window, against a minimal Win32 program's
//    time to its window, measured alternately in the same run (needs the emulated handheld: run
//    this program on a device, see bench/run-benchmarks.sh);
//  - one idle check tick with default settings (time, registry keys opened, heap allocations),
//    in this process on the fake handheld;
//  - the resident private memory of QuietMinder after start-up, against the minimal program's,
//    and what holds it (on the emulated handheld too);
//  - the size of QuietMinder.exe.
// Each figure is printed with its limit beside it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "common/program.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "platform/program_names.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "support/call_counters.h"
#include "support/process_memory.h"
#include "support/fake_device.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"

namespace {

constexpr wchar_t kProgram[] = L"C:\\Program Files\\QuietMinder\\QuietMinder.exe";
constexpr int kStarts = 15;  // each, alternately: a shared machine makes single starts vary by half
constexpr int kTicks = 20000;
constexpr double kPeriodUs = 500'000.0;
constexpr double kStartUpLimit = 1.15;     // times the minimal program's start-up
constexpr double kMemoryLimit = 1.5;       // times the minimal program's resident private memory
constexpr int kMemoryStarts = 3;           // each; the start of median memory is shown
constexpr DWORD kSettleMs = 1000;          // after the window: the first check ticks, the driver
constexpr DWORD kSizeLimitBytes = 256 * 1024;

double NowUs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

std::wstring BesideMe(const wchar_t* file) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L'\\') + 1) + file;
}

// Starts `module`, waits for its window, calls `atWindow` (if any) with the process, ends the
// process; microseconds to the window, or -1.
struct MemoryRun;
double TimeToWindow(const std::wstring& module, const wchar_t* arguments, const wchar_t* cls,
                    void (*atWindow)(HANDLE process, MemoryRun* out) = nullptr,
                    MemoryRun* out = nullptr) {
  std::wstring line = L"\"" + module + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const double start = NowUs();
  if (!CreateProcessW(module.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\",
                      &si, &pi)) {
    return -1;
  }
  double elapsed = -1;
  for (int i = 0; i < 20000; ++i) {
    if (FindWindowW(cls, nullptr)) {
      elapsed = NowUs() - start;
      if (atWindow) atWindow(pi.hProcess, out);
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(0);
  }
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  Sleep(100);
  return elapsed;
}

// After start-up: once the window is there and the program waits for input, and a while more.
struct MemoryRun {
  std::wstring module;
  ProcessMemory memory;
  bool ok = false;
  std::wstring why;
};

void MeasureAfterStartUp(HANDLE process, MemoryRun* run) {
  WaitForInputIdle(process, 5000);
  Sleep(kSettleMs);
  run->ok = MeasureProcessMemory(process, run->module, &run->memory, &run->why);
}

MemoryRun MemoryAfterStartUp(const std::wstring& module, const wchar_t* arguments,
                             const wchar_t* cls) {
  std::vector<MemoryRun> runs(kMemoryStarts);
  for (MemoryRun& run : runs) {
    run.module = module.substr(module.find_last_of(L'\\') + 1);
    TimeToWindow(module, arguments, cls, MeasureAfterStartUp, &run);
  }
  std::sort(runs.begin(), runs.end(), [](const MemoryRun& a, const MemoryRun& b) {
    return a.ok != b.ok ? a.ok : a.memory.rssAnonKb < b.memory.rssAnonKb;
  });
  const auto good = std::count_if(runs.begin(), runs.end(), [](const MemoryRun& r) { return r.ok; });
  return good == 0 ? runs.front() : runs[good / 2];
}

void PrintList(const std::vector<NamedKb>& list, size_t most) {
  double rest = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i < most && list[i].kb >= 8) {
      std::printf("      %-28ls %6.0f KB\n", list[i].name.c_str(), list[i].kb);
    } else {
      rest += list[i].kb;
    }
  }
  if (rest > 0) std::printf("      %-28s %6.0f KB\n", "the others", rest);
}

void PrintMemory(const char* title, const ProcessMemory& m) {
  std::printf("  %s: %.0f KB resident private (anonymous) memory\n", title, m.rssAnonKb);
  std::printf("    thread stacks (%d threads)    %6.0f KB\n", m.threads, m.stacksKb);
  std::printf("    thread blocks                %6.0f KB\n", m.threadBlocksKb);
  std::printf("    process heap                 %6.0f KB\n", m.processHeapKb);
  std::printf("    other private allocations    %6.0f KB\n", m.otherPrivateKb);
  PrintList(m.otherPrivate, 3);
  std::printf("    libraries (%d loaded)        %6.0f KB\n", m.librariesLoaded, m.librariesKb);
  PrintList(m.libraries, 6);
  std::printf("    Wine's host side: its heap   %6.0f KB, its libraries and the rest %.0f KB\n",
              m.wineHeapKb, m.wineOtherKb);
  if (m.pagesKb != m.rssAnonKb) {
    std::printf("    (pages found: %.0f KB; the rest came or went while they were counted)\n",
                m.pagesKb);
  }
}

void MeasureMemory(const std::wstring& minimal) {
  const MemoryRun program = MemoryAfterStartUp(kProgram, L"STARTUP", kWindowClass);
  const MemoryRun yardstick = MemoryAfterStartUp(minimal, L"", L"QMMinimalWindow");
  if (!program.ok || !yardstick.ok) {
    std::printf("resident private memory: not measured (%ls)\n",
                (program.ok ? yardstick.why : program.why).c_str());
    return;
  }
  std::printf("resident private memory after start-up (median of %d starts each, %u ms after "
              "the window):\n", kMemoryStarts, static_cast<unsigned>(kSettleMs));
  PrintMemory("QuietMinder", program.memory);
  PrintMemory("minimal Win32 program", yardstick.memory);
  std::printf("memory ratio: %.2fx (limit: at most %.1fx)\n",
              program.memory.rssAnonKb / yardstick.memory.rssAnonKb, kMemoryLimit);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

void MeasureStartUp() {
  if (GetFileAttributesW(kProgram) == INVALID_FILE_ATTRIBUTES) {
    std::printf("start-up: skipped (not on an emulated handheld with QuietMinder installed)\n");
    return;
  }
  const std::wstring minimal = BesideMe(L"minimal_window.exe");
  std::vector<double> program, yardstick;
  TimeToWindow(minimal, L"", L"QMMinimalWindow");  // warm the file cache
  for (int i = 0; i < kStarts; ++i) {
    yardstick.push_back(TimeToWindow(minimal, L"", L"QMMinimalWindow"));
    program.push_back(TimeToWindow(kProgram, L"STARTUP", kWindowClass));
  }
  const double p = Median(program), m = Median(yardstick);
  std::printf("start-up to the resident main window (median of %d): %.1f ms\n", kStarts, p / 1000);
  std::printf("minimal Win32 program to its window (median of %d):   %.1f ms\n", kStarts, m / 1000);
  std::printf("ratio: %.2fx (limit: at most %.2fx)\n", p / m, kStartUpLimit);
  MeasureMemory(minimal);
}

void MeasureIdleTick() {
  ScratchHkcu hkcu;
  fake::ResetDevice();
  PopulateSoundKeys(hkcu.root(), DeviceKind::PocketPc2003Phone);
  fake::device().osMajor = 4;
  fake::device().platformType = L"PocketPC";
  Program.Instance = GetModuleHandleW(nullptr);
  DetectDeviceProfile(Program.Instance);
  LoadSettings();
  CreateTestMainWindow();
  if (!InstallCallCounters()) {
    std::printf("idle tick: the call counters could not be installed\n");
    return;
  }
  for (int i = 0; i < 100; ++i) SendMessageW(Program.MainWindow, WM_CHECK, 1, 0);  // warm-up
  ResetCallCounts();
  const double start = NowUs();
  for (int i = 0; i < kTicks; ++i) SendMessageW(Program.MainWindow, WM_CHECK, 1, 0);
  const double perTick = (NowUs() - start) / kTicks;
  const CallCounts counts = ReadCallCounts();
  std::printf("idle tick, default settings (%d ticks): %.2f us per tick = %.4f%% of the %.0f ms "
              "period (target: under 0.1%%)\n",
              kTicks, perTick, perTick / kPeriodUs * 100, kPeriodUs / 1000);
  std::printf("  registry keys opened per tick: %.2f, heap allocations per tick: %.2f\n",
              static_cast<double>(counts.keysOpened) / kTicks,
              static_cast<double>(counts.heapAllocations) / kTicks);
  std::printf("  still idle afterwards: %s\n", MuteState.Muted ? "no (muted!)" : "yes");
  DestroyTestMainWindow();
}

void MeasureSize() {
  std::wstring path = kProgram;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    path = BesideMe(L"..\\..\\src\\QuietMinder.exe");
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    std::printf("QuietMinder.exe: not found\n");
    return;
  }
  std::printf("QuietMinder.exe: %lu bytes = %.0f KB (limit: at most %lu KB)\n",
              data.nFileSizeLow, data.nFileSizeLow / 1024.0, kSizeLimitBytes / 1024);
}

}  // namespace

int main() {
  MeasureSize();
  MeasureIdleTick();
  MeasureStartUp();
  return 0;
}
