#include "common/journal.h"

#include <strsafe.h>

#include "common/clock.h"
#include "common/scoped.h"

namespace {

std::wstring g_pathOverride;

// What is left of a full journal: its newest lines within this many bytes.
constexpr DWORD kKeptBytes = kJournalLimitBytes / 2;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// Characters that would break a line or that nobody can see.
bool IsControl(wchar_t c) {
  return c < L' ' || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

// Control characters become blanks (and, with `collapse`, runs of blanks one, without blanks at
// either end); lone surrogates become U+FFFD.
std::wstring Clean(std::wstring_view text, bool collapse) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out.push_back(c);
      out.push_back(text[++i]);
      continue;
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) c = 0xFFFD;
    if (IsControl(c)) c = L' ';
    if (collapse && c == L' ' && (out.empty() || out.back() == L' ')) continue;
    out.push_back(c);
  }
  if (collapse && !out.empty() && out.back() == L' ') out.pop_back();
  return out;
}

// At most `chars` characters; a cut one ends in "..." and never in half a surrogate pair.
std::wstring Cut(std::wstring text, size_t chars) {
  if (text.size() <= chars) return text;
  size_t n = chars > 3 ? chars - 3 : 0;
  if (n > 0 && IsHighSurrogate(text[n - 1])) --n;
  text.resize(n);
  return text + L"...";
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  // Without MB_ERR_INVALID_CHARS, bytes that are no UTF-8 come out as U+FFFD.
  const int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  if (chars <= 0) return {};
  std::wstring out(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, out.data(), chars);
  return out;
}

std::wstring LocalTimeStamp() {
  const SYSTEMTIME t = LocalTimeOf(TimeFromNow(0));
  wchar_t stamp[32];
  StringCchPrintfW(stamp, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                   t.wHour, t.wMinute, t.wSecond);
  return stamp;
}

bool ReadAt(HANDLE file, ULONGLONG offset, char* buffer, DWORD bytes) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD got = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ReadFile(file, buffer, bytes, &got, nullptr) && got == bytes;
}

bool FileSize(HANDLE file, ULONGLONG* size) {
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(file, &value)) return false;
  *size = static_cast<ULONGLONG>(value.QuadPart);
  return true;
}

// Leaves only the newest whole lines within kKeptBytes at the start of the file (none when that
// part holds no line break: junk is started afresh). The kept size goes to `*size`, and whether
// it ends a line to `*endsLine`.
bool TrimJournal(HANDLE file, ULONGLONG* size, bool* endsLine) {
  const DWORD tail = *size < kKeptBytes ? static_cast<DWORD>(*size) : kKeptBytes;
  std::string kept(tail, '\0');
  if (tail > 0 && !ReadAt(file, *size - tail, kept.data(), tail)) return false;
  if (tail < *size) {
    // The part begins inside a line, or at the start of one that is dropped all the same.
    const size_t first = kept.find('\n');
    kept.erase(0, first == std::string::npos ? kept.size() : first + 1);
  }
  LARGE_INTEGER start{};
  DWORD written = 0;
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  if (!kept.empty() &&
      (!WriteFile(file, kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr) ||
       written != kept.size())) {
    return false;
  }
  if (!SetEndOfFile(file)) return false;
  *size = kept.size();
  *endsLine = kept.empty() || kept.back() == '\n';
  return true;
}

// Appends one line (ending in "\n") to the journal file, making room first.
bool AppendLine(const std::string& line) {
  UniqueFile file(CreateFileW(JournalPath(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return false;
  // Not every file system refuses to open a read-only file for writing: the attribute decides.
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return false;
  ULONGLONG size = 0;
  if (!FileSize(file.get(), &size)) return false;
  bool endsLine = true;
  if (size + line.size() + 1 > kJournalLimitBytes) {
    if (!TrimJournal(file.get(), &size, &endsLine)) return false;
  } else if (size > 0) {
    char last = '\n';
    if (!ReadAt(file.get(), size - 1, &last, 1)) return false;
    endsLine = last == '\n';
  }
  // A file that something else left without a final line break gets one before the new line.
  const std::string text = endsLine ? line : "\n" + line;
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  DWORD written = 0;
  return SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) &&
         WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace

std::wstring JournalText(std::wstring_view text, size_t chars) {
  return Cut(Clean(text, true), chars);
}

void Journal(const wchar_t* kind, std::wstring_view details) noexcept {
  try {
    const std::wstring line =
        LocalTimeStamp() + L"  " + kind + L"  " + JournalText(details, kJournalDetailChars);
    AppendLine(Utf8(line) + "\n");
  } catch (...) {
    // Out of memory: the line is dropped, what it records goes on.
  }
}

std::vector<std::wstring> ReadJournalLines() {
  std::vector<std::wstring> lines;
  UniqueFile file(CreateFileW(JournalPath(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ULONGLONG size = 0;
  if (!file || !FileSize(file.get(), &size) || size == 0) return lines;
  const DWORD bytes = size < kJournalLimitBytes ? static_cast<DWORD>(size) : kJournalLimitBytes;
  std::string text(bytes, '\0');
  if (!ReadAt(file.get(), size - bytes, text.data(), bytes)) return lines;
  size_t at = 0;
  if (bytes < size) {
    // Of a file that grew too large elsewhere, its first line here is only the end of one.
    const size_t first = text.find('\n');
    at = first == std::string::npos ? text.size() : first + 1;
  }
  constexpr size_t kShownChars = kJournalKindColumn + 24 + kJournalDetailChars;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view raw(text.data() + at, end - at);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::wstring line = Cut(Clean(FromUtf8(raw), false), kShownChars);
    if (line.find_first_not_of(L' ') != std::wstring::npos) lines.push_back(std::move(line));
    at = end + 1;
  }
  return lines;
}

std::wstring_view JournalLineKind(std::wstring_view line) {
  if (line.size() <= kJournalKindColumn || line.substr(kJournalKindColumn - 2, 2) != L"  ") {
    return {};
  }
  line.remove_prefix(kJournalKindColumn);
  return line.substr(0, line.find(L' '));
}

void SetJournalPath(std::wstring_view path) { g_pathOverride.assign(path); }

const wchar_t* JournalPath() {
  return g_pathOverride.empty() ? kJournalFilePath : g_pathOverride.c_str();
}
