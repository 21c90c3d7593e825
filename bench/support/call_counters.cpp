#include "support/call_counters.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

// volatile: the compiler may assume that malloc leaves globals alone.
volatile long g_keysOpened = 0;
volatile long g_heapAllocations = 0;
volatile long g_filesOpened = 0;

decltype(&RegOpenKeyExW) g_regOpenKeyExW;
decltype(&RegCreateKeyExW) g_regCreateKeyExW;
decltype(&HeapAlloc) g_heapAlloc;
decltype(&CreateFileW) g_createFileW;
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
HANDLE WINAPI CountCreateFile(LPCWSTR n, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c,
                              DWORD f, HANDLE t) {
  g_filesOpened = g_filesOpened + 1;
  return g_createFileW(n, a, s, sa, c, f, t);
}
LPVOID WINAPI CountHeapAlloc(HANDLE h, DWORD f, SIZE_T n) {
  g_heapAllocations = g_heapAllocations + 1;
  return g_heapAlloc(h, f, n);
}
void* CountMalloc(size_t n) {
  g_heapAllocations = g_heapAllocations + 1;
  return g_malloc(n);
}
void* CountCalloc(size_t c, size_t n) {
  g_heapAllocations = g_heapAllocations + 1;
  return g_calloc(c, n);
}
void* CountRealloc(void* p, size_t n) {
  g_heapAllocations = g_heapAllocations + 1;
  return g_realloc(p, n);
}

// Points this program's import of `name` at `hook`; the original goes to `*original`.
template <typename F>
bool Hook(const char* name, F hook, F* original) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return false;
  bool found = false;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
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

}  // namespace

bool InstallCallCounters() {
  static const bool installed = [] {
    bool ok = Hook("RegOpenKeyExW", &CountOpen, &g_regOpenKeyExW);
    ok = Hook("RegCreateKeyExW", &CountCreate, &g_regCreateKeyExW) && ok;
    ok = Hook("malloc", &CountMalloc, &g_malloc) && ok;
    ok = Hook("CreateFileW", &CountCreateFile, &g_createFileW) && ok;
    Hook("calloc", &CountCalloc, &g_calloc);
    Hook("realloc", &CountRealloc, &g_realloc);
    Hook("HeapAlloc", &CountHeapAlloc, &g_heapAlloc);
    // The counters must see what they claim to count.
    ResetCallCounts();
    void* probe = std::malloc(16);
    std::free(probe);
    HKEY key{};
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
    }
    const HANDLE file = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    const CallCounts seen = ReadCallCounts();
    ResetCallCounts();
    return ok && seen.keysOpened == 1 && seen.heapAllocations >= 1 && seen.filesOpened == 1;
  }();
  return installed;
}

void ResetCallCounts() {
  g_keysOpened = 0;
  g_heapAllocations = 0;
  g_filesOpened = 0;
}

CallCounts ReadCallCounts() { return {g_keysOpened, g_heapAllocations, g_filesOpened}; }
