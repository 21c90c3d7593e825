// The resident private memory of another process running under Wine, and what holds it.
//
// Wine runs each Windows process as one process of the host, so its private memory is the host's
// anonymous resident memory of that process (RssAnon). The host process is found by the program's
// name in its command line (Wine gives it the Windows command line) among the processes of the
// same Wine prefix, the newest first; each resident anonymous page is then put down to what the Windows side of the process knows at its address:
// a thread's stack, a library's image, the process heap, another private allocation, or nothing
// (Wine's own memory for the process: its host-side libraries and their heap).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct NamedKb {
  std::wstring name;
  double kb = 0;
};

struct ProcessMemory {
  double rssAnonKb = 0;   // the host's count for the whole process
  double pagesKb = 0;     // the pages found and put down below; equals rssAnonKb when all went well
  int threads = 0;
  double stacksKb = 0;       // the threads' stacks (and the stacks Wine runs their system calls on)
  double threadBlocksKb = 0; // the threads' environment blocks
  double processHeapKb = 0;
  double otherPrivateKb = 0; // other heaps and private allocations
  std::vector<NamedKb> otherPrivate;  // by allocation, largest first
  double librariesKb = 0;    // written or relocated pages of loaded images, the program's own too
  std::vector<NamedKb> libraries;     // by library, largest first
  int librariesLoaded = 0;
  double wineHeapKb = 0;     // Wine's host-side heap for the process
  double wineOtherKb = 0;    // Wine's host-side libraries and other memory
};

// Measures `process` (a handle with query and read access), the newest running program of
// `module` (its file name) in this program's Wine prefix. False, with a reason, when its host
// process cannot be found or read.
bool MeasureProcessMemory(HANDLE process, const std::wstring& module, ProcessMemory* out,
                          std::wstring* why);
