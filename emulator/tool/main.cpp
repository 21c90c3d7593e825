// qmdevice: drives and inspects the emulated handheld from outside.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "device/device_state.h"
#include "tool.h"

namespace {

struct Registered {
  const wchar_t* name;
  const wchar_t* usage;
  ToolCommandFn fn;
};
struct Step {
  const wchar_t* name;
  SetupStepFn fn;
};

std::vector<Registered>& Commands() {
  static std::vector<Registered> commands;
  return commands;
}
std::vector<Step>& Steps() {
  static std::vector<Step> steps;
  return steps;
}

void Write(FILE* stream, const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes,
                      nullptr, nullptr);
  fwrite(utf8.data(), 1, utf8.size(), stream);
  fputc('\n', stream);
  fflush(stream);
}

int Usage() {
  std::wstring text = L"usage: qmdevice COMMAND [ARGS]\ncommands:";
  for (const auto& c : Commands()) text += std::wstring(L"\n  ") + c.usage;
  PrintError(text);
  return 2;
}

}  // namespace

ToolCommand::ToolCommand(const wchar_t* name, const wchar_t* usage, ToolCommandFn fn) {
  Commands().push_back({name, usage, fn});
}

SetupStep::SetupStep(const wchar_t* name, SetupStepFn fn) { Steps().push_back({name, fn}); }

void Print(const std::wstring& text) { Write(stdout, text); }
void PrintError(const std::wstring& text) { Write(stderr, text); }

std::wstring Hex(DWORD value) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08X", value);
  return text;
}

// Runs every registered set-up step; used by `init` after the device's basics exist.
int RunSetupSteps(const std::wstring& windowsDir) {
  for (const auto& step : Steps()) {
    if (const int rc = step.fn(windowsDir); rc != 0) {
      PrintError(std::wstring(L"set-up step failed: ") + step.name);
      return rc;
    }
  }
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring name = argv[1];
  ToolArgs args(argv + 2, argv + argc);
  for (const auto& c : Commands()) {
    if (name == c.name) return c.fn(args);
  }
  PrintError(L"unknown command: " + name);
  return Usage();
}
