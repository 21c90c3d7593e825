// Measures one run of the protection check with protection on and nothing changed, on each
// device kind: wall time per tick, registry keys opened per tick, heap allocations per tick.
// The counts come from this program's own import table, so they are the calls the code makes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/startup.h"
#include "device/device_kinds.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "support/fake_device.h"
#include "support/scratch_registry.h"

namespace {

constexpr int kTicks = 20000;
constexpr double kPeriodUs = 500'000.0;  // the default check period
constexpr double kBudgetUs = kPeriodUs * 0.001;

volatile long g_keysOpened = 0;
volatile long g_heapAllocs = 0;  // volatile: the compiler assumes malloc leaves globals alone

decltype(&RegOpenKeyExW) g_regOpenKeyExW;
decltype(&RegCreateKeyExW) g_regCreateKeyExW;
decltype(&HeapAlloc) g_heapAlloc;
void* (*g_malloc)(size_t);
void* (*g_calloc)(size_t, size_t);
void* (*g_realloc)(void*, size_t);

LSTATUS WINAPI CountOpen(HKEY k, LPCWSTR s, DWORD o, REGSAM a, PHKEY r) {
  g_keysOpened = g_keysOpened + 1;
  return g_regOpenKeyExW(k, s, o, a, r);
}
LSTATUS WINAPI CountCreate(HKEY k, LPCWSTR s, DWORD z, LPWSTR c, DWORD o, REGSAM a,
                           const LPSECURITY_ATTRIBUTES sa, PHKEY r, LPDWORD d) {
  g_keysOpened = g_keysOpened + 1;
  return g_regCreateKeyExW(k, s, z, c, o, a, sa, r, d);
}
LPVOID WINAPI CountHeapAlloc(HANDLE h, DWORD f, SIZE_T n) {
  g_heapAllocs = g_heapAllocs + 1;
  return g_heapAlloc(h, f, n);
}
void* CountMalloc(size_t n) {
  g_heapAllocs = g_heapAllocs + 1;
  return g_malloc(n);
}
void* CountCalloc(size_t c, size_t n) {
  g_heapAllocs = g_heapAllocs + 1;
  return g_calloc(c, n);
}
void* CountRealloc(void* p, size_t n) {
  g_heapAllocs = g_heapAllocs + 1;
  return g_realloc(p, n);
}

// Points this module's import of `name` at `hook`; the original goes to `*original`.
template <typename F>
bool Hook(const char* name, F hook, F* original) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  bool found = false;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
      *original = reinterpret_cast<F>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
      VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
      found = true;
    }
  }
  return found;
}

struct Kind {
  const char* name;
  DeviceKind kind;
  bool v3, v4, phone;
};

void Measure(const Kind& k, HKEY scratchRoot, bool report) {
  IsPocketPcV3 = k.v3;
  IsPocketPcV4 = k.v4;
  HasPhone = k.phone;
  PopulateSoundKeys(scratchRoot, k.kind);
  Settings.SoundProtection = {true, false, true};
  Settings.SPMute = 7;
  Settings.SPScreen = 1;
  Settings.SPKey = 0x00010002;  // as a fresh device has them: nothing to repair
  Muted = false;
  LastProtected = 0;
  fake::device().refreshes = 0;

  ProtectSoundSettings();  // warm-up
  g_keysOpened = 0;
  g_heapAllocs = 0;
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kTicks; ++i) ProtectSoundSettings();
  QueryPerformanceCounter(&end);
  const double us = (end.QuadPart - start.QuadPart) * 1e6 / freq.QuadPart / kTicks;
  if (!report) return;
  std::printf("%-22s %9.2f us/tick  %5.2f%% of budget  %4.2f keys opened/tick  "
              "%4.2f heap allocs/tick  (repairs: %d)\n",
              k.name, us, 100.0 * us / kBudgetUs, double(g_keysOpened) / kTicks,
              double(g_heapAllocs) / kTicks, fake::device().refreshes);
}

}  // namespace

int main() {
  const bool hooked = Hook("RegOpenKeyExW", &CountOpen, &g_regOpenKeyExW) &&
                      Hook("RegCreateKeyExW", &CountCreate, &g_regCreateKeyExW);
  Hook("HeapAlloc", &CountHeapAlloc, &g_heapAlloc);
  if (!Hook("malloc", &CountMalloc, &g_malloc)) std::printf("malloc not hooked\n");
  Hook("calloc", &CountCalloc, &g_calloc);
  Hook("realloc", &CountRealloc, &g_realloc);
  if (!hooked) std::printf("warning: registry calls not counted\n");
  g_heapAllocs = 0;
  void* volatile probe = std::malloc(16);
  std::free(probe);
  if (g_heapAllocs != 1) std::printf("warning: heap allocations not counted\n");

  fake::ResetDevice();
  ScratchHkcu scratch;
  SoundKeys = SoundKeyNames{};
  SoundKeys.Volume = L"ControlPanel\\Volume";

  std::printf("protection tick, nothing changed, %d ticks per kind; budget %.0f us "
              "(0.1%% of the %.0f ms period)\n",
              kTicks, kBudgetUs, kPeriodUs / 1000);
  const Kind kinds[] = {
      {"older platform", DeviceKind::OlderCe, false, false, false},
      {"Pocket PC 2002", DeviceKind::PocketPc2002, true, false, false},
      {"Pocket PC 2003", DeviceKind::PocketPc2003, false, true, false},
      {"Pocket PC 2003 phone", DeviceKind::PocketPc2003Phone, false, true, true},
  };
  // The first round warms the registry and the caches up; the second is reported.
  for (int round = 0; round < 2; ++round) {
    for (const auto& k : kinds) Measure(k, scratch.root(), round == 1);
  }
  return 0;
}
