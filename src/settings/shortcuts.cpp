#include "settings/shortcuts.h"

#include <windows.h>

#include <vector>

#include "common/error_message.h"
#include "common/scoped.h"
#include "platform/handheld.h"

namespace {

// The whole module path, however long: a cut path would point at a file that does not exist.
std::wstring ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return {};
    if (got < buffer.size()) return std::wstring(buffer.data(), got);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ToSingleByte(const std::wstring& text) {
  if (text.empty()) return {};
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes,
                      nullptr, nullptr);
  return out;
}

void WriteShortcut(const wchar_t* path, bool startup, bool reportFailure) {
  const std::wstring module = ModulePath();
  if (module.empty()) return;
  UniqueFile file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    if (reportFailure) ShowLastErrorText();
    return;
  }
  const std::string text = ShortcutText(module, startup);
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  FlushFileBuffers(file.get());
  SetEndOfFile(file.get());
}

}  // namespace

std::string ShortcutText(const std::wstring& modulePath, bool startup) {
  std::string command = ToSingleByte(modulePath);
  command.insert(command.begin(), '"');
  command.push_back('"');
  if (startup) command.append(" STARTUP");
  std::string text = std::to_string(command.size());
  text.push_back('#');
  text.append(command);
  return text;
}

void CreateShortcut(Shortcut which, const wchar_t* path) {
  WriteShortcut(path, which == Shortcut::StartUp, which == Shortcut::StartMenu);
}
void DeleteShortcut(const wchar_t* path) { DeleteFileW(path); }
