// The journal file as the device keeps it: one line per event, bounded, and whatever state it is
// found in (missing, damaged, huge, read-only) still read as far as it can be and written to
// without losing the ability to journal.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/clock.h"
#include "common/journal.h"
#include "sound/sound_journal.h"
#include "support/fake_device.h"

namespace {

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
}

// "2026-12-07 10:00:00  window  <text>", as the program writes lines.
std::string Line(int n) {
  return "2026-12-07 10:00:00  window  line " + std::to_string(n) + " of the old journal\n";
}

size_t Count(const std::string& text, char c) {
  size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

class JournalFile : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qm-journal-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    path_ = folder_ + L"\\QuietMinder Journal.txt";
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path_.c_str());
    SetJournalPath(path_);
  }
  void TearDown() override {
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path_.c_str());
    RemoveDirectoryW(folder_.c_str());
    SetJournalPath(L"");
  }

  std::wstring folder_, path_;
};

TEST_F(JournalFile, ALineIsTheTimeTheKindAndTheDetailsAndTheKindReadsBack) {
  for (const wchar_t* kind :
       {kJournalSilenced, kJournalTakenOver, kJournalSoundBack, kJournalVolumeUndone,
        kJournalLostMuteUndone, kJournalRepaired, kJournalHeldOff, kJournalHoldReleased,
        kJournalWindow, kJournalStarted, kJournalRestarted, kJournalEnded}) {
    Journal(kind, L"details");
  }
  const std::vector<std::wstring> lines = ReadJournalLines();
  ASSERT_EQ(12u, lines.size());
  // The fake device's clock: 2026-12-07 15:00 UTC, 10:00 in the tests' zone.
  EXPECT_EQ(L"2026-12-07 10:00:00  silenced  details", lines.front());
  EXPECT_EQ(L"ended", JournalLineKind(lines.back()));
  EXPECT_EQ(L"hold-released", JournalLineKind(lines[7]));
  EXPECT_EQ(L"", JournalLineKind(L"not a line of the journal"));
  const std::string bytes = ReadBytes(path_);
  EXPECT_EQ('\n', bytes.back());
  EXPECT_EQ(12u, Count(bytes, '\n'));
  EXPECT_EQ(std::string::npos, bytes.find('\r'));
}

TEST_F(JournalFile, TextFromOutsideStaysOneBoundedLine) {
  struct Case {
    const char* what;
    std::wstring text;
    std::wstring expected;  // empty: only bounded and one line
  };
  const std::wstring longSubject(10000, L'x');
  // A surrogate pair (U+1F600) where the cut falls: it goes whole.
  const std::wstring pairs = std::wstring(396, L'a') + L"\xD83D\xDE00\xD83D\xDE00\xD83D\xDE00";
  const Case cases[] = {
      {"line breaks, tabs and control characters", L"Board\r\nmeeting\tfloor\x01\x1B[2J 3\x7F!",
       L"Board meeting floor [2J 3 !"},
      {"Unicode line separators", std::wstring(L"one\x2028two\x2029three") + L'\x85' + L"four",
       L"one two three four"},
      {"blanks at the ends", L"\n  Design review \t", L"Design review"},
      {"a lone surrogate", L"half \xD83D pair", L"half \xFFFD pair"},
      {"10,000 characters", longSubject, std::wstring(397, L'x') + L"..."},
      {"a surrogate pair at the cut", pairs, std::wstring(396, L'a') + L"..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring shown = JournalText(c.text, kJournalDetailChars);
    EXPECT_EQ(c.expected, shown);
    DeleteFileW(path_.c_str());
    Journal(kJournalSilenced, c.text);
    const std::string bytes = ReadBytes(path_);
    EXPECT_EQ(1u, Count(bytes, '\n')) << "one line";
    EXPECT_EQ('\n', bytes.back());
    const std::vector<std::wstring> lines = ReadJournalLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(L"2026-12-07 10:00:00  silenced  " + c.expected, lines[0]);
  }
}

TEST_F(JournalFile, AFullJournalLosesItsOldestHalfAtALineBoundary) {
  // Numbered lines of known size: 64 KB holds several hundred of them.
  const std::wstring filler(120, L'.');
  size_t largest = 0;
  int trims = 0;
  size_t previous = 0;
  for (int n = 0; n < 1500; ++n) {
    Journal(kJournalWindow, L"entry " + std::to_wstring(n) + L" " + filler);
    const size_t size = ReadBytes(path_).size();
    largest = std::max(largest, size);
    if (size < previous) {
      ++trims;
      EXPECT_LE(size, kJournalLimitBytes / 2 + 200) << "at most the newest half stays";
    }
    previous = size;
  }
  EXPECT_LE(largest, kJournalLimitBytes);
  EXPECT_GE(trims, 2);
  // The lines left are whole, consecutive, and end with the newest.
  const std::vector<std::wstring> lines = ReadJournalLines();
  ASSERT_FALSE(lines.empty());
  int expected = 1500 - static_cast<int>(lines.size());
  for (const std::wstring& line : lines) {
    ASSERT_EQ(L"window", JournalLineKind(line)) << "a line cut in half";
    EXPECT_EQ(L"entry " + std::to_wstring(expected++) + L" " + filler, line.substr(29));
  }
  EXPECT_EQ(1500, expected);
}

TEST_F(JournalFile, AFileInAnyStateIsShownAsFarAsItCanBeAndStillTakesNewLines) {
  std::string tenMegabytes;
  for (int n = 0; tenMegabytes.size() < 10 * 1024 * 1024; ++n) tenMegabytes += Line(n);
  const int lastOfTen = static_cast<int>(Count(tenMegabytes, '\n')) - 1;
  std::string junk(40000, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 256);
  for (char& c : junk) c = c == '\n' ? 'x' : c;

  struct Case {
    const char* what;
    bool exists;
    std::string content;
    std::vector<std::wstring> shown;  // before the new line; empty: checked below
    std::vector<std::wstring> kept;   // read back after the new line, the new one not counted
  };
  const std::wstring old0 = L"2026-12-07 10:00:00  window  line 0 of the old journal";
  const std::wstring old1 = L"2026-12-07 10:00:00  window  line 1 of the old journal";
  const Case cases[] = {
      {"missing", false, "", {}, {}},
      {"empty", true, "", {}, {}},
      {"no final line break",
       true,
       Line(0) + Line(1).substr(0, Line(1).size() - 1),
       {old0, old1},
       {old0, old1}},
      {"not UTF-8",
       true,
       "2026-12-07 10:00:00  window  caf\xE9 \xFF\xC3\n",
       {L"2026-12-07 10:00:00  window  caf\xFFFD \xFFFD\xFFFD"},
       {L"2026-12-07 10:00:00  window  caf\xFFFD \xFFFD\xFFFD"}},
      {"blank lines and CR LF",
       true,
       "\r\n\n" + Line(0).substr(0, Line(0).size() - 1) + "\r\n\n",
       {old0},
       {old0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(path_.c_str());
    if (c.exists) WriteBytes(path_, c.content);
    EXPECT_EQ(c.shown, ReadJournalLines());
    Journal(kJournalStarted, L"new");
    std::vector<std::wstring> after = ReadJournalLines();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(L"2026-12-07 10:00:00  started  new", after.back());
    after.pop_back();
    EXPECT_EQ(c.kept, after);
  }

  {
    SCOPED_TRACE("binary junk without a line break");
    WriteBytes(path_, junk);
    const std::vector<std::wstring> shown = ReadJournalLines();
    ASSERT_EQ(1u, shown.size());
    EXPECT_LE(shown[0].size(), kJournalKindColumn + 24 + kJournalDetailChars);
    for (wchar_t c : shown[0]) EXPECT_GE(c, L' ');
    Journal(kJournalStarted, L"new");
    const std::vector<std::wstring> after = ReadJournalLines();
    ASSERT_EQ(2u, after.size()) << "the junk, then the new line on a line of its own";
    EXPECT_EQ(L"2026-12-07 10:00:00  started  new", after.back());
    // Junk that fills the journal is started afresh.
    WriteBytes(path_, junk + junk);
    Journal(kJournalStarted, L"new");
    EXPECT_EQ(std::vector<std::wstring>{L"2026-12-07 10:00:00  started  new"}, ReadJournalLines());
  }
  {
    SCOPED_TRACE("10 MB written by something else");
    WriteBytes(path_, tenMegabytes);
    const std::vector<std::wstring> shown = ReadJournalLines();
    ASSERT_FALSE(shown.empty());
    EXPECT_LE(shown.size(), kJournalLimitBytes / Line(0).size() + 1) << "only the newest 64 KB";
    EXPECT_EQ(
        L"2026-12-07 10:00:00  window  line " + std::to_wstring(lastOfTen) + L" of the old journal",
        shown.back());
    EXPECT_EQ(L"window", JournalLineKind(shown.front())) << "no line shown cut";
    Journal(kJournalStarted, L"new");
    EXPECT_LE(ReadBytes(path_).size(), kJournalLimitBytes / 2 + 100);
    const std::vector<std::wstring> after = ReadJournalLines();
    EXPECT_EQ(L"2026-12-07 10:00:00  started  new", after.back());
    EXPECT_EQ(shown.back(), after[after.size() - 2]) << "the newest old lines stay";
  }
}

TEST_F(JournalFile, AReadOnlyJournalIsReadAndNeverWritten) {
  WriteBytes(path_, Line(0));
  ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  Journal(kJournalSilenced, L"dropped");
  EXPECT_EQ(Line(0), ReadBytes(path_));
  EXPECT_EQ(1u, ReadJournalLines().size());
}

TEST_F(JournalFile, WithoutItsFolderNothingIsWrittenAndNothingFails) {
  SetJournalPath(folder_ + L"\\no such folder\\QuietMinder Journal.txt");
  Journal(kJournalSilenced, L"dropped");
  EXPECT_TRUE(ReadJournalLines().empty());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder_ + L"\\no such folder").c_str()));
}

TEST_F(JournalFile, ALockedJournalDropsTheLine) {
  WriteBytes(path_, Line(0));
  const HANDLE other = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  Journal(kJournalSilenced, L"dropped");
  CloseHandle(other);
  EXPECT_EQ(Line(0), ReadBytes(path_));
}

TEST_F(JournalFile, ATimeInALineIsTheHourTodayAndTheDateOnAnotherDayAllZeroPadded) {
  // Now is 2026-12-07 10:00 on the device.
  const struct { DWORD seconds; const wchar_t* text; } times[] = {
      {0, L"10:00"},
      {5 * 60, L"10:05"},
      {14 * 3600 - 60, L"23:59"},
      {14 * 3600, L"2026-12-08 00:00"},
      {24 * 86400 + 16 * 3600 + 3 * 60, L"2027-01-01 02:03"},
  };
  for (const auto& t : times) EXPECT_EQ(t.text, JournalTimeOf(TimeFromNow(t.seconds)));
}

}  // namespace
