// The device's tool-help library: process and module snapshots, as the device offers them.
#include <windows.h>
#include <tlhelp32.h>

extern "C" {

HANDLE Th_CreateToolhelp32Snapshot(DWORD flags, DWORD process) {
  return CreateToolhelp32Snapshot(flags, process);
}

BOOL Th_CloseToolhelp32Snapshot(HANDLE snapshot) {
  return CloseHandle(snapshot);
}

}  // extern "C"
