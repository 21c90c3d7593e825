#include "support/process_memory.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---- Files of the host ----------------------------------------------------------------------

// Where the host's /proc is seen from this side: Wine's own answer when it gives one.
std::wstring HostProc() {
  using DosName = wchar_t*(CDECL*)(const char*);
  const auto dosName = reinterpret_cast<DosName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (dosName) {
    if (wchar_t* name = dosName("/proc")) {
      std::wstring path = name;
      HeapFree(GetProcessHeap(), 0, name);
      return path;
    }
  }
  return L"Z:\\proc";
}

struct FileCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using File = std::unique_ptr<void, FileCloser>;

File OpenHostFile(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  return File(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// The whole of a file that tells no size (as the files of /proc do).
bool ReadHostFile(const std::wstring& path, std::string* text) {
  const File file = OpenHostFile(path);
  if (!file) return false;
  text->clear();
  char buffer[16384];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    text->append(buffer, got);
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// One variable of a host process's environment ("NAME=value", NUL-separated); empty if none.
std::string HostVariable(const std::string& environment, const std::string& name) {
  const std::string wanted = '\0' + name + '=';
  const std::string all = '\0' + environment;
  const size_t at = all.find(wanted);
  if (at == std::string::npos) return {};
  const size_t from = at + wanted.size();
  return all.substr(from, all.find('\0', from) - from);
}

// When a host process started, in the host's clock ticks since boot (0 when unknown).
unsigned long long HostStartTime(const std::wstring& dir) {
  std::string stat;
  if (!ReadHostFile(dir + L"\\stat", &stat)) return 0;
  // The name in parentheses may hold spaces; the start time is the 20th field after it.
  size_t at = stat.rfind(')');
  if (at == std::string::npos) return 0;
  for (int field = 0; field < 20 && at != std::string::npos; ++field) at = stat.find(' ', at + 1);
  return at == std::string::npos ? 0 : std::strtoull(stat.c_str() + at + 1, nullptr, 10);
}

// Whether a host process's command line names a program of the file name `name` (lower case)
// with its folder, as the command line of a program started by its path does.
bool RunsProgram(const std::string& commandLine, const std::string& name) {
  const std::string line = Lower(commandLine);
  for (size_t at = line.find(name); at != std::string::npos; at = line.find(name, at + 1)) {
    const char before = at == 0 ? '\0' : line[at - 1];
    const char after = at + name.size() < line.size() ? line[at + name.size()] : '\0';
    if ((before == '\\' || before == '/') && (after == '"' || after == ' ' || after == '\0')) {
      return true;
    }
  }
  return false;
}

// The host process of the newest running program of `module` (a file name) in this program's Wine
// prefix. A Windows program's command line is its host process's, and "self" is, to a Windows
// program, its prefix's server, whose environment names the prefix.
int FindHostProcess(const std::wstring& proc, const std::wstring& module) {
  std::string server, name;
  if (!ReadHostFile(proc + L"\\self\\environ", &server)) return 0;
  const std::string prefix = HostVariable(server, "WINEPREFIX");
  for (const wchar_t c : module) name += static_cast<char>(c);
  name = Lower(name);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((proc + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int pid = 0;
  unsigned long long newest = 0;
  do {
    if (!iswdigit(found.cFileName[0])) continue;
    const std::wstring dir = proc + L"\\" + found.cFileName;
    std::string commandLine, environment;
    if (!ReadHostFile(dir + L"\\cmdline", &commandLine) || !RunsProgram(commandLine, name) ||
        !ReadHostFile(dir + L"\\environ", &environment) ||
        HostVariable(environment, "WINEPREFIX") != prefix) {
      continue;
    }
    const unsigned long long started = HostStartTime(dir);
    if (pid == 0 || started > newest) {
      pid = _wtoi(found.cFileName);
      newest = started;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return pid;
}

struct Mapping {
  ULONG_PTR start = 0, end = 0;
  std::string name;
  long anonymousKb = 0;
};

std::vector<Mapping> ReadMappings(const std::string& smaps) {
  std::vector<Mapping> mappings;
  size_t at = 0;
  while (at < smaps.size()) {
    size_t end = smaps.find('\n', at);
    if (end == std::string::npos) end = smaps.size();
    const std::string line = smaps.substr(at, end - at);
    at = end + 1;
    unsigned long long from = 0, to = 0;
    int nameAt = 0;
    char perms[8];
    // A mapping's line: "start-end perms offset device inode [name]"; its figures follow it.
    if (std::sscanf(line.c_str(), "%llx-%llx %7s %*s %*s %*s %n", &from, &to, perms, &nameAt) >= 3) {
      Mapping m;
      m.start = static_cast<ULONG_PTR>(from);
      m.end = static_cast<ULONG_PTR>(to);
      if (nameAt > 0 && static_cast<size_t>(nameAt) <= line.size()) m.name = line.substr(nameAt);
      mappings.push_back(m);
    } else if (line.rfind("Anonymous:", 0) == 0 && !mappings.empty()) {
      mappings.back().anonymousKb = std::atol(line.c_str() + 10);
    }
  }
  return mappings;
}

double StatusKb(const std::string& status, const char* field) {
  const size_t at = status.find(field);
  return at == std::string::npos ? -1 : std::atof(status.c_str() + at + std::strlen(field));
}

// ---- The Windows side of the process --------------------------------------------------------

struct Region {
  ULONG_PTR base = 0, end = 0, allocation = 0;
  DWORD type = 0;
};

enum class Holder { Stack, ThreadBlock, ProcessHeap, Private, Library, WineHeap, WineOther };

struct Layout {
  std::vector<Region> regions;  // committed, by address
  std::map<ULONG_PTR, std::wstring> modules;  // by base
  struct Thread {
    ULONG_PTR stackLow = 0, stackHigh = 0, block = 0, blockEnd = 0;
  };
  std::vector<Thread> threads;
  ULONG_PTR processHeap = 0;
};

bool ReadLayout(HANDLE process, Layout* layout) {
  const DWORD pid = GetProcessId(process);
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  auto* at = static_cast<BYTE*>(system.lpMinimumApplicationAddress);
  MEMORY_BASIC_INFORMATION info;
  while (at < system.lpMaximumApplicationAddress &&
         VirtualQueryEx(process, at, &info, sizeof info) == sizeof info) {
    const auto base = reinterpret_cast<ULONG_PTR>(info.BaseAddress);
    if (info.State == MEM_COMMIT) {
      layout->regions.push_back(
          {base, base + info.RegionSize, reinterpret_cast<ULONG_PTR>(info.AllocationBase), info.Type});
    }
    at = static_cast<BYTE*>(info.BaseAddress) + info.RegionSize;
  }

  const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (modules == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(modules, &module); more; more = Module32NextW(modules, &module)) {
    layout->modules[reinterpret_cast<ULONG_PTR>(module.modBaseAddr)] = module.szModule;
  }
  CloseHandle(modules);

  const HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (threads == INVALID_HANDLE_VALUE) return false;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(threads, &entry); more; more = Thread32Next(threads, &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread) continue;
    struct {
      LONG exitStatus;
      void* teb;
      CLIENT_ID client;
      ULONG_PTR affinity;
      LONG priority, basePriority;
    } basic{};
    if (NtQueryInformationThread(thread, static_cast<THREADINFOCLASS>(0), &basic, sizeof basic,
                                 nullptr) == 0) {
      // The thread's block: NT_TIB's stack base at 8, the stack's whole reservation at 0x1478.
      ULONG_PTR stackBase = 0, reservation = 0;
      SIZE_T read = 0;
      auto* teb = static_cast<BYTE*>(basic.teb);
      if (ReadProcessMemory(process, teb + 8, &stackBase, sizeof stackBase, &read) &&
          ReadProcessMemory(process, teb + 0x1478, &reservation, sizeof reservation, &read)) {
        Layout::Thread t{reservation, stackBase, reinterpret_cast<ULONG_PTR>(teb), 0};
        if (VirtualQueryEx(process, teb, &info, sizeof info) == sizeof info) {
          t.blockEnd = reinterpret_cast<ULONG_PTR>(info.BaseAddress) + info.RegionSize;
        }
        layout->threads.push_back(t);
      }
    }
    CloseHandle(thread);
  }
  CloseHandle(threads);

  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) ==
      0) {
    SIZE_T read = 0;
    ReadProcessMemory(process, reinterpret_cast<BYTE*>(basic.PebBaseAddress) + 0x30,
                      &layout->processHeap, sizeof layout->processHeap, &read);
  }
  return true;
}

const Region* RegionAt(const Layout& layout, ULONG_PTR address) {
  const auto next = std::upper_bound(
      layout.regions.begin(), layout.regions.end(), address,
      [](ULONG_PTR a, const Region& r) { return a < r.base; });
  if (next == layout.regions.begin()) return nullptr;
  const Region& r = *(next - 1);
  return address < r.end ? &r : nullptr;
}

Holder HolderOf(const Layout& layout, const Mapping& mapping, ULONG_PTR page, std::wstring* what) {
  const Region* region = RegionAt(layout, page);
  if (!region) {
    return mapping.name == "[heap]" ? Holder::WineHeap : Holder::WineOther;
  }
  if (region->type == MEM_IMAGE) {
    const auto module = layout.modules.find(region->allocation);
    *what = module != layout.modules.end() ? module->second : L"(an image not listed)";
    return Holder::Library;
  }
  for (const Layout::Thread& t : layout.threads) {
    // Wine runs a thread's system calls on a stack of its own, allocated just above its stack.
    if ((page >= t.stackLow && page < t.stackHigh) || region->allocation == t.stackHigh) {
      return Holder::Stack;
    }
    if (page >= t.block && page < t.blockEnd) return Holder::ThreadBlock;
  }
  if (region->allocation == layout.processHeap) return Holder::ProcessHeap;
  wchar_t name[64];
  std::swprintf(name, 64, L"allocation at %#llx", static_cast<unsigned long long>(region->allocation));
  *what = name;
  return Holder::Private;
}

std::vector<NamedKb> Largest(const std::map<std::wstring, double>& byName) {
  std::vector<NamedKb> list;
  for (const auto& [name, kb] : byName) list.push_back({name, kb});
  std::sort(list.begin(), list.end(), [](const NamedKb& a, const NamedKb& b) { return a.kb > b.kb; });
  return list;
}

}  // namespace

bool MeasureProcessMemory(HANDLE process, const std::wstring& module, ProcessMemory* out,
                          std::wstring* why) {
  *out = ProcessMemory{};
  const std::wstring proc = HostProc();
  const int pid = FindHostProcess(proc, module);
  if (pid == 0) {
    *why = L"its host process is not found (not under Wine?)";
    return false;
  }
  const std::wstring dir = proc + L"\\" + std::to_wstring(pid);
  Layout layout;
  if (!ReadLayout(process, &layout)) {
    *why = L"the process's modules or threads cannot be listed";
    return false;
  }
  std::string status, smaps;
  if (!ReadHostFile(dir + L"\\smaps", &smaps) || !ReadHostFile(dir + L"\\status", &status)) {
    *why = L"the host process's memory map cannot be read";
    return false;
  }
  const File pagemap = OpenHostFile(dir + L"\\pagemap");
  if (!pagemap) {
    *why = L"the host process's page map cannot be read";
    return false;
  }
  out->rssAnonKb = StatusKb(status, "RssAnon:");
  out->threads = static_cast<int>(layout.threads.size());
  out->librariesLoaded = static_cast<int>(layout.modules.size());

  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const ULONG_PTR page = system.dwPageSize;
  const double pageKb = page / 1024.0;
  std::map<std::wstring, double> libraries, privates;
  constexpr size_t kChunk = 65536;  // page map entries read at once
  std::vector<unsigned long long> entries(kChunk);
  const auto highest = reinterpret_cast<ULONG_PTR>(system.lpMaximumApplicationAddress);
  for (const Mapping& m : ReadMappings(smaps)) {
    if (m.anonymousKb == 0 || m.start > highest) continue;
    // One 64-bit entry per page: bit 63 present, bit 62 swapped, bit 61 a file's or shared page.
    for (ULONG_PTR from = m.start; from < m.end; from += kChunk * page) {
      const size_t count = std::min<ULONG_PTR>(kChunk, (m.end - from) / page);
      LARGE_INTEGER offset;
      offset.QuadPart = static_cast<LONGLONG>(from / page * 8);
      DWORD got = 0;
      if (!SetFilePointerEx(pagemap.get(), offset, nullptr, FILE_BEGIN) ||
          !ReadFile(pagemap.get(), entries.data(), static_cast<DWORD>(count * 8), &got, nullptr)) {
        *why = L"the host process's page map cannot be read";
        return false;
      }
      for (size_t i = 0; i < got / 8; ++i) {
        const unsigned long long e = entries[i];
        if (!(e >> 63 & 1) || (e >> 61 & 1)) continue;
        std::wstring what;
        switch (HolderOf(layout, m, from + i * page, &what)) {
          case Holder::Stack: out->stacksKb += pageKb; break;
          case Holder::ThreadBlock: out->threadBlocksKb += pageKb; break;
          case Holder::ProcessHeap: out->processHeapKb += pageKb; break;
          case Holder::Private: out->otherPrivateKb += pageKb; privates[what] += pageKb; break;
          case Holder::Library: out->librariesKb += pageKb; libraries[what] += pageKb; break;
          case Holder::WineHeap: out->wineHeapKb += pageKb; break;
          case Holder::WineOther: out->wineOtherKb += pageKb; break;
        }
        out->pagesKb += pageKb;
      }
    }
  }
  out->libraries = Largest(libraries);
  out->otherPrivate = Largest(privates);
  return true;
}
