// The device's clock set to a wall time on a date of either season, whatever the season on the
// host today: the device holds the instant that wall time names on that date, and the tool and
// the program both read the wall time back. A time in the hour skipped in spring is refused; one
// in the hour repeated in autumn is its first pass, in summer time.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "device/device_state.h"
#include "e2e/device_session.h"
#include "platform/journal_file.h"

namespace {

using namespace e2e;

constexpr ULONGLONG kFileTimeMinute = 60ULL * 10'000'000ULL;

// "YYYY-MM-DD HH:MM" taken as UTC.
ULONGLONG Utc(const std::string& text) {
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0;
  sscanf(text.c_str(), "%u-%u-%u %u:%u", &y, &mo, &d, &h, &mi);
  const SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
                      static_cast<WORD>(h), static_cast<WORD>(mi), 0, 0};
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  return (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string FirstJournalLine() {
  std::ifstream file((std::wstring(L"C:") + kJournalFilePath).c_str(), std::ios::binary);
  std::string line;
  std::getline(file, line);
  return line;
}

struct ClockCase {
  const char* what;
  const char* wall;  // given to `clock set`, the device's local time
  const char* utc;   // the instant the device must then hold; null: the time is refused
  const char* note;  // what the tool must say beside the time, if anything
};

// New York time, the zone every test runs in: UTC-5, and UTC-4 from 02:00 on the second Sunday
// of March to 02:00 on the first Sunday of November.
constexpr ClockCase kCases[] = {
    {"winter", "2027-01-15 09:00", "2027-01-15 14:00", nullptr},
    {"spring", "2027-04-15 09:00", "2027-04-15 13:00", nullptr},
    {"summer", "2026-07-07 12:00", "2026-07-07 16:00", nullptr},
    {"autumn", "2026-10-15 09:00", "2026-10-15 13:00", nullptr},
    {"the last minute before the clocks go forward", "2027-03-14 01:59", "2027-03-14 06:59",
     nullptr},
    {"the hour skipped in spring", "2027-03-14 02:30", nullptr, nullptr},
    {"the first minute after the clocks went forward", "2027-03-14 03:00", "2027-03-14 07:00",
     nullptr},
    {"the hour repeated in autumn", "2026-11-01 01:30", "2026-11-01 05:30",
     "01:30 comes twice on 2026-11-01: the first, in summer time, was taken"},
    {"the first minute after the repeated hour", "2026-11-01 02:00", "2026-11-01 07:00", nullptr},
};

class ClockOnTheDevice : public ::testing::Test {
 protected:
  void SetUp() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
  void TearDown() override { ResetDevice(DeviceKind::PocketPc2003Phone); }
};

TEST_F(ClockOnTheDevice, AWallTimeSetOnAnyDateIsTheOneTheDeviceAndTheProgramRead) {
  TIME_ZONE_INFORMATION zone{};
  GetTimeZoneInformation(&zone);
  ASSERT_TRUE(zone.Bias == 300 && zone.DaylightBias == -60)
      << "the cases are New York times (TZ=America/New_York, as tools/wine-run sets it)";

  for (const ClockCase& c : kCases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.wall);
    ResetDevice(DeviceKind::PocketPc2003Phone);
    std::wstring set = L"clock set ";
    for (const char* p = c.wall; *p; ++p) set += *p == ' ' ? L'T' : static_cast<wchar_t>(*p);

    if (!c.utc) {
      EXPECT_EQ(2, Tool(set));
      EXPECT_EQ(0u, ReadDeviceQword(L"ClockBaseHost", 0)) << "the clock was set all the same";
      continue;
    }
    const std::vector<std::string> said = ToolLines(set);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(c.wall, said[0].substr(0, 16));
    std::vector<std::string> wantedLines = {said[0]};
    if (c.note) wantedLines.push_back(c.note);
    EXPECT_EQ(wantedLines, said);
    const ULONGLONG held = DeviceNowUtc(), wanted = Utc(c.utc);
    EXPECT_TRUE(held >= wanted && held < wanted + 30 * kFileTimeMinute)
        << "the device holds " << Narrow(FormatFileTime(held, false)) << ", " << c.utc
        << "Z was wanted";

    // The program's own reading of the clock: the time of the line it journals at its start lies
    // between the time set and the time the device shows once the line is there.
    Program program(L"STARTUP");
    std::string line;
    ASSERT_TRUE(WaitUntil([&] { return !(line = FirstJournalLine()).empty(); }, 60000));
    const std::vector<std::string> after = ToolLines(L"clock");
    ASSERT_FALSE(after.empty());
    const std::string journaled = line.substr(0, 19);
    EXPECT_LE(std::string(c.wall) + ":00", journaled) << line;
    EXPECT_LE(journaled, after[0].substr(0, 19)) << line;
  }
}

}  // namespace
