// The device's documents folder, and the program's journal in it as anything on the device would
// read it: the file's lines as far as they can be shown.
#include <windows.h>

#include <string>

#include "common/scoped.h"
#include "platform/journal_file.h"
#include "tool.h"

namespace {

// A rooted path of the device on the drive of its \Windows folder.
std::wstring OnDeviceDrive(const std::wstring& windowsDir, const wchar_t* rooted) {
  return windowsDir.substr(0, 2) + rooted;
}

std::wstring WindowsDir() {
  wchar_t dir[MAX_PATH] = {};
  GetWindowsDirectoryW(dir, MAX_PATH);
  return dir;
}

int MakeDocumentsFolder(const std::wstring& windowsDir) {
  const std::wstring folder = OnDeviceDrive(windowsDir, kDocumentsFolder);
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  return 1;
}

// One line as it can be shown: bytes that are no UTF-8 as U+FFFD, control characters as blanks.
std::wstring Shown(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
  if (chars > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), chars);
  for (wchar_t& c : text) {
    if (c < L' ' || c == 0x7F) c = L' ';
  }
  return text;
}

// Prints the journal, oldest line first; of a file larger than the journal may grow, only its
// newest part, as the program shows it.
int PrintJournal(const ToolArgs& args) {
  if (!args.empty()) {
    PrintError(L"usage: qmdevice journal");
    return 2;
  }
  const std::wstring path = OnDeviceDrive(WindowsDir(), kJournalFilePath);
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      Print(L"(no journal yet)");
      return 0;
    }
    PrintError(L"the journal cannot be read (error " + std::to_wstring(error) + L")");
    return 1;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return 1;
  const LONGLONG shown = size.QuadPart < static_cast<LONGLONG>(kJournalLimitBytes)
                             ? size.QuadPart
                             : static_cast<LONGLONG>(kJournalLimitBytes);
  LARGE_INTEGER start{};
  start.QuadPart = size.QuadPart - shown;
  std::string bytes(static_cast<size_t>(shown), '\0');
  DWORD got = 0;
  if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) ||
      !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(shown), &got, nullptr)) {
    PrintError(L"the journal cannot be read");
    return 1;
  }
  bytes.resize(got);
  size_t at = 0;
  if (start.QuadPart > 0) {
    Print(L"(" + std::to_wstring(start.QuadPart) + L" older bytes not shown)");
    const size_t first = bytes.find('\n');
    at = first == std::string::npos ? bytes.size() : first + 1;
  }
  bool any = false;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) {
      Print(Shown(line));
      any = true;
    }
    at = end + 1;
  }
  if (!any) Print(L"(the journal is empty)");
  return 0;
}

const SetupStep kDocuments(L"documents folder", MakeDocumentsFolder);
const ToolCommand kJournal(L"journal", L"journal (the program's journal, oldest first)",
                           PrintJournal);

}  // namespace
