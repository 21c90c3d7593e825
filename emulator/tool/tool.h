// The device tool: drives and inspects the emulated handheld. Each file of this folder may add
// commands and set-up steps by defining static registrations; the tool's main finds them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

using ToolArgs = std::vector<std::wstring>;

// A command: `qmdevice NAME args...`. Returns the process exit code; prints to stdout.
using ToolCommandFn = int (*)(const ToolArgs& args);

struct ToolCommand {
  ToolCommand(const wchar_t* name, const wchar_t* usage, ToolCommandFn fn);
};

// A step of `qmdevice init`: runs after the device's kind, registry keys and folders exist.
// `deviceWindowsDir` is the device's \Windows folder as this process sees it.
using SetupStepFn = int (*)(const std::wstring& deviceWindowsDir);
struct SetupStep {
  SetupStep(const wchar_t* name, SetupStepFn fn);
};

// Output helpers: UTF-8 to stdout / stderr; a value as 0x%08X.
void Print(const std::wstring& text);
void PrintError(const std::wstring& text);
std::wstring Hex(DWORD value);
