// The device's calendar: what an import keeps or refuses, which days a series occupies, how the
// restriction text selects, and what the server hands out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "calendar/calendar_env.h"
#include "calendar/calendar_server.h"
#include "calendar/calendar_store.h"
#include "calendar/calendar_view.h"
#include "calendar/category_database.h"
#include "calendar/ics_import.h"
#include "calendar/tz_database.h"
#include "common/scoped.h"
#include "platform/poom.h"

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

int64_t Day(int y, int m, int d) { return DaysFromCivil(y, m, d); }

CivilSeconds At(int y, int m, int d, int h, int mi) {
  return Day(y, m, d) * kSecondsPerDay + h * 3600 + mi * 60;
}

IcsImport Parse(const std::string& ics) {
  IcsImport out;
  std::wstring error;
  EXPECT_TRUE(ParseIcs(ics, &out, &error)) << Narrow(error);
  return out;
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Device-local starts of the occurrences that touch the days from `first` to `last`.
std::vector<CivilSeconds> DeviceStarts(const IcsImport& in, int64_t first, int64_t last) {
  CalendarStore store;
  store.zones = in.zones;
  store.appointments = in.appointments;
  std::vector<CivilSeconds> starts;
  for (const Occurrence& o : CalendarView(store).Touching(first, last, true)) {
    starts.push_back(o.localStart);
  }
  return starts;
}

// The shared collection of real calendar files, or empty where it is absent.
std::filesystem::path SharedIcsFolder() {
  const char* source = std::getenv("QM_SOURCE_DIR");
  if (!source) return {};
  // The variable holds the host's path; the host's root is drive Z: of the prefix.
  const std::string root = source[0] == '/' ? std::string("Z:") + source : std::string(source);
  const std::filesystem::path dir = std::filesystem::path(root) / ".." / "shared" / "testdata" / "ics";
  return std::filesystem::is_directory(dir) ? dir : std::filesystem::path();
}

// ---- Import ----------------------------------------------------------------------------------

TEST(IcsImport, RefusesMalformedFilesWithTheLineAndTheReason) {
  struct Row {
    const char* name;
    std::string ics;
    const char* reason;
  } rows[] = {
      {"damaged kept property", Calendar({"BEGIN:VEVENT\r\nDTSTART;X\r\nEND:VEVENT\r\n"}), "line 5: a malformed parameter of DTSTART"},
      {"ends before it starts", Calendar({Event("20261207T100000", "20261207T090000", "x")}),
       "ends before it starts"},
      {"no colon", Calendar({"BEGIN:VEVENT\r\nDTSTART:20261207T100000\r\nSUMMARY x\r\nEND:VEVENT\r\n"}),
       "line 6"},
      {"mismatched end", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nEND:VCALENDAR\r\n", "line 3: END:VCALENDAR where END:VEVENT"},
      {"never ended", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20261207\r\n", "is never ended"},
      {"not UTF-8", Calendar({Event("20261207T100000", "", "caf\xE9")}), "not UTF-8"},
      {"NUL", std::string("BEGIN:VCALENDAR\r\nX-A:\0\r\nEND:VCALENDAR\r\n", 38), "NUL"},
      {"hourly", Calendar({Event("20261207T100000", "", "x", {"RRULE:FREQ=HOURLY"})}), "HOURLY is not supported"},
      {"set position", Calendar({Event("20261207T100000", "", "x", {"RRULE:FREQ=MONTHLY;BYSETPOS=1"})}),
       "BYSETPOS is not supported"},
      {"bad duration", Calendar({Event("20261207T100000", "", "x", {"DURATION:P1X"})}), "malformed DURATION"},
      {"negative duration", Calendar({Event("20261207T100000", "", "x", {"DURATION:-PT5M"})}), "negative DURATION"},
      {"end and duration", Calendar({Event("20261207T100000", "20261207T110000", "x", {"DURATION:PT5M"})}),
       "both DTEND and DURATION"},
      {"invalid month", Calendar({Event("20261307T100000", "", "x")}), "not a date"},
      {"endless event", Calendar({Event("20261207T100000", "", "x", {"DURATION:P9999W"})}), "ten years"},
      {"nothing", "hello\r\n", "no calendar"},
      {"empty", "", "no calendar"},
  };
  for (const Row& r : rows) {
    IcsImport out;
    std::wstring error;
    EXPECT_FALSE(ParseIcs(r.ics, &out, &error)) << r.name;
    EXPECT_NE(std::string::npos, Narrow(error).find(r.reason)) << r.name << ": " << Narrow(error);
    EXPECT_TRUE(out.appointments.empty()) << r.name;
  }
}

TEST(IcsImport, KeepsTheFieldsTheQueryReads) {
  const IcsImport in = Parse(Calendar({
      Event("20261207T100000", "", "Plan\\, review\\; and \\\\ more",
            {"DURATION:PT1H30M", "CATEGORIES:Meeting\\, John,Work", "CATEGORIES: Work ,Travel",
             "TRANSP:TRANSPARENT"}),
      Event("20261207", "", "Holiday"),
      Event("20261207T100000", "20261207T110000", "Gone", {"STATUS:CANCELLED"}),
      "BEGIN:VEVENT\r\nSUMMARY:no start\r\nORGANIZER;CN=Broken\\; name:x\r\nEND:VEVENT\r\n",
      "BEGIN:VTODO\r\nSUMMARY:todo\r\nEND:VTODO\r\n",
  }));
  ASSERT_EQ(2u, in.appointments.size());
  const Appointment& a = in.appointments[0];
  EXPECT_EQ(L"Plan, review; and \\ more", a.subject);
  EXPECT_EQ((std::vector<std::wstring>{L"Meeting; John", L"Work", L"Travel"}), a.categories);
  EXPECT_EQ(90 * 60, a.durationSeconds);
  EXPECT_EQ(0, a.busyStatus);
  EXPECT_EQ(TimeFrame::Floating, a.frame);
  EXPECT_TRUE(in.appointments[1].allDay);
  EXPECT_EQ(kSecondsPerDay, in.appointments[1].durationSeconds);
  EXPECT_EQ(2, in.appointments[1].busyStatus);
  EXPECT_EQ(1u, in.cancelled);
  EXPECT_EQ(1u, in.withoutStart);
  EXPECT_EQ(1u, in.otherComponents);
}

TEST(IcsImport, FoldedLinesAndBareLineFeeds) {
  const IcsImport in = Parse(
      "BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20261207T100000\nSUMMARY:A long\n  subject\nEND:VEVENT\n"
      "END:VCALENDAR");
  ASSERT_EQ(1u, in.appointments.size());
  EXPECT_EQ(L"A long subject", in.appointments[0].subject);
}

// ---- Time zones --------------------------------------------------------------------------

const char kVienna[] =
    "BEGIN:VTIMEZONE\r\nTZID:Europe/Vienna\r\n"
    "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
    "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nDTSTART:19701025T030000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

TEST(CalendarView, TimesOfOtherZonesAreShownInDeviceTime) {
  // Device time is New York: UTC-5 in December, UTC-4 in July.
  const IcsImport utc = Parse(Calendar({Event("20261207T150000Z", "20261207T160000Z", "UTC")}));
  ASSERT_EQ(TimeFrame::Utc, utc.appointments[0].frame);
  const IcsImport zoned = Parse(Calendar({kVienna,
      "BEGIN:VEVENT\r\nDTSTART;TZID=Europe/Vienna:20261207T160000\r\nDURATION:PT1H\r\nSUMMARY:w\r\nEND:VEVENT\r\n",
      "BEGIN:VEVENT\r\nDTSTART;TZID=Europe/Vienna:20260715T160000\r\nDURATION:PT1H\r\nSUMMARY:s\r\nEND:VEVENT\r\n",
      "BEGIN:VEVENT\r\nDTSTART;TZID=Mars/Olympus:20261207T100000\r\nDURATION:PT1H\r\nSUMMARY:m\r\nEND:VEVENT\r\n"}));
  EXPECT_EQ(1u, zoned.unknownZones);
  CalendarStore zstore;
  zstore.zones = zoned.zones;
  zstore.appointments = zoned.appointments;
  zstore.appointments.push_back(utc.appointments[0]);
  CalendarView view(zstore);
  auto dec7 = view.Touching(Day(2026, 12, 7), Day(2026, 12, 7), true);
  ASSERT_EQ(3u, dec7.size());
  EXPECT_EQ(At(2026, 12, 7, 10, 0), dec7[0].localStart);  // floating, unknown zone
  EXPECT_EQ(At(2026, 12, 7, 10, 0), dec7[1].localStart);  // Vienna 16:00 CET = 15:00Z
  EXPECT_EQ(At(2026, 12, 7, 10, 0), dec7[2].localStart);  // 15:00Z
  auto jul15 = view.Touching(Day(2026, 7, 15), Day(2026, 7, 15), true);
  ASSERT_EQ(1u, jul15.size());
  EXPECT_EQ(At(2026, 7, 15, 10, 0), jul15[0].localStart);  // 16:00 CEST = 14:00Z = 10:00 EDT
}

std::string ZonedEvent(const std::string& tzid, const std::string& start,
                       const std::string& extra = "") {
  return "BEGIN:VEVENT\r\nDTSTART;TZID=" + tzid + ":" + start + "\r\nDURATION:PT1H\r\n" + extra +
         "END:VEVENT\r\n";
}

TEST(CalendarView, ZonesOfTheDatabasePlaceTimesAtTheSendersHour) {
  // Device time is New York: summer time from 2026-03-08, Berlin's from 2026-03-29.
  const std::string berlinAtFive =
      "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0500\r\n"
      "TZOFFSETTO:+0500\r\nDTSTART:19700101T000000\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
  struct Row {
    const char* name;
    std::string ics;
    std::vector<CivilSeconds> device;
  } rows[] = {
      {"not defined by the file", ZonedEvent("Europe/Vienna", "20120327T100000"),
       {At(2012, 3, 27, 4, 0)}},
      {"across its change to summer time",
       ZonedEvent("Europe/Berlin", "20260327T100000", "RRULE:FREQ=DAILY;COUNT=4\r\n"),
       {At(2026, 3, 27, 5, 0), At(2026, 3, 28, 5, 0), At(2026, 3, 29, 4, 0), At(2026, 3, 30, 4, 0)}},
      {"an exception in UTC",
       ZonedEvent("Europe/Berlin", "20261201T100000",
                  "RRULE:FREQ=DAILY;COUNT=3\r\nEXDATE:20261202T090000Z\r\n"),
       {At(2026, 12, 1, 4, 0), At(2026, 12, 3, 4, 0)}},
      {"beyond the zone file's table", ZonedEvent("Europe/Berlin", "20400702T100000"),
       {At(2040, 7, 2, 4, 0)}},
      {"a globally unique id: the zone its tail names",
       ZonedEvent("/freeassociation.sourceforge.net/Tzfile/Europe/Berlin", "20400702T100000"),
       {At(2040, 7, 2, 4, 0)}},
      {"a slash before the name", ZonedEvent("/Europe/Stockholm", "20400702T100000"),
       {At(2040, 7, 2, 4, 0)}},
      {"the file's own definition", berlinAtFive + ZonedEvent("Europe/Berlin", "20261207T100000"),
       {At(2026, 12, 7, 0, 0)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const IcsImport in = Parse(Calendar({r.ics}));
    EXPECT_EQ(r.device, DeviceStarts(in, DayOf(r.device.front()), DayOf(r.device.back())));
    EXPECT_EQ(L"", UnknownZoneNotice(in));
  }
  // Unknown, or leading out of the zone folder: device time, and the import names the zone.
  for (const std::string tzid : {"Mars/Olympus", "Europe/../Europe/Berlin", "Europe\\Berlin"}) {
    const IcsImport in = Parse(Calendar({ZonedEvent(tzid, "20261207T100000")}));
    const std::vector<CivilSeconds> floating{At(2026, 12, 7, 10, 0)};
    EXPECT_EQ(floating, DeviceStarts(in, Day(2026, 12, 7), Day(2026, 12, 7))) << tzid;
    const std::string notice = Narrow(UnknownZoneNotice(in));
    EXPECT_NE(std::string::npos, notice.find("\"" + tzid + "\"")) << notice;
  }
}

TEST(ZoneRules, PosixRulesChangeTheClockWhenTheySay) {
  struct Row {
    const char* tz;
    CivilSeconds local;
    int32_t offset;
  } rows[] = {
      {"IST-2IDT,M3.4.4/26,M10.5.0", At(2030, 3, 29, 1, 59), 7200},  // 26:00 on the 4th Thursday
      {"IST-2IDT,M3.4.4/26,M10.5.0", At(2030, 3, 29, 3, 0), 10800},
      {"<-04>4<-03>,M9.1.6/24,M4.1.6/24", At(2029, 9, 1, 23, 59), -14400},
      {"<-04>4<-03>,M9.1.6/24,M4.1.6/24", At(2029, 9, 2, 1, 0), -10800},
      // -1:00 on the last Sunday
      {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", At(2030, 3, 30, 21, 59), -7200},
      {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", At(2030, 3, 31, 0, 0), -3600},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", At(2030, 1, 15, 12, 0), 39600},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", At(2030, 7, 15, 12, 0), 36000},
      {"EST5EDT,0/0,J365/25", At(2030, 1, 15, 12, 0), -14400},  // summer time all year
      {"EST5EDT,0/0,J365/25", At(2030, 7, 15, 12, 0), -14400},
      {"<+0545>-5:45", At(2030, 7, 15, 12, 0), 20700},
  };
  for (const Row& r : rows) {
    TimeZoneDef zone;
    ASSERT_TRUE(ObservancesFromPosixTz(r.tz, 0, &zone.observances)) << r.tz;
    EXPECT_EQ(r.offset, ZoneOffsetAt(zone, r.local)) << r.tz;
  }
  for (const char* bad : {"CE-1", "CET", "CET-1CEST,M13.5.0,M10.5.0", "CET-1CEST,M3.5.0",
                          "CET-1CEST,M3.5.0,M10.5.0/200", "CET-1CEST,M3.5.0,M10.5.0x"}) {
    std::vector<ZoneObservance> observances;
    EXPECT_FALSE(ObservancesFromPosixTz(bad, 0, &observances)) << bad;
  }
}

TEST(ZoneRules, DamagedZoneFilesAreRefusedWhole) {
  const std::string berlin = ReadBytes(std::wstring(kZoneInfoFolder) + L"\\Europe\\Berlin");
  if (berlin.empty()) GTEST_SKIP() << "no zone files";
  ASSERT_TRUE(ZoneFromTzif(berlin, L"Europe/Berlin"));
  for (size_t cut = 0; cut < berlin.size(); ++cut) {
    EXPECT_FALSE(ZoneFromTzif(berlin.substr(0, cut), L"x")) << cut;
  }
  const size_t second = berlin.find("TZif", 4);  // the 64-bit header
  ASSERT_NE(std::string::npos, second);
  const auto byteAt = [&](size_t at) { return size_t{static_cast<unsigned char>(berlin[at])}; };
  const size_t transitions = byteAt(second + 34) << 8 | byteAt(second + 35);
  struct Damage {
    size_t at;
    std::string bytes;
  } damages[] = {
      {32, "\xFF\xFF\xFF\xFF"},                   // transitions past the end
      {36, std::string(4, '\0')},                 // no local time types
      {second + 40, "\x7F\xFF\xFF\xFF"},          // designations past the end
      {second + 44 + 8 * transitions, "\xFE"},    // the first transition's type
  };
  for (const Damage& d : damages) {
    std::string damaged = berlin;
    damaged.replace(d.at, d.bytes.size(), d.bytes);
    EXPECT_FALSE(ZoneFromTzif(damaged, L"x")) << d.at;
  }
  for (size_t at = 0; at < berlin.size(); ++at) {  // any single damaged byte: no crash, no hang
    std::string damaged = berlin;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x80);
    ZoneFromTzif(damaged, L"x");
  }
}

// ---- Recurrence ------------------------------------------------------------------------------

struct SeriesCase {
  const char* name;
  std::string start, end;
  std::vector<std::string> lines;
  std::vector<int64_t> daysWith, daysWithout;
};

TEST(CalendarView, SeriesOccupyTheirDays) {
  const int64_t n30 = Day(2026, 11, 30);  // a Monday
  const SeriesCase cases[] = {
      {"daily count", "20261201T090000", "20261201T100000", {"RRULE:FREQ=DAILY;COUNT=3"},
       {Day(2026, 12, 1), Day(2026, 12, 3)}, {Day(2026, 12, 4), Day(2026, 11, 30)}},
      {"every other day", "20261201T090000", "20261201T100000", {"RRULE:FREQ=DAILY;INTERVAL=2"},
       {Day(2026, 12, 3), Day(2027, 1, 2)}, {Day(2026, 12, 4)}},
      {"weekly until a date", "20261130T090000", "20261130T100000",
       {"RRULE:FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20261209"}, {n30 + 2, n30 + 7, n30 + 9},
       {n30 + 1, n30 + 14}},
      {"until excludes a later time of day", "20261130T090000", "20261130T100000",
       {"RRULE:FREQ=DAILY;UNTIL=20261203T080000"}, {n30 + 2}, {n30 + 3}},
      {"fortnightly", "20261130T090000", "20261130T100000",
       {"RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO"}, {n30 + 14, n30 + 28}, {n30 + 7, n30 + 21}},
      {"weekly count counts each day", "20261130T090000", "20261130T100000",
       {"RRULE:FREQ=WEEKLY;COUNT=4;BYDAY=MO,TU"}, {n30 + 1, n30 + 8}, {n30 + 14, n30 + 15}},
      {"last Friday", "20260130T090000", "20260130T100000", {"RRULE:FREQ=MONTHLY;BYDAY=-1FR"},
       {Day(2026, 12, 25), Day(2027, 2, 26)}, {Day(2026, 12, 18)}},
      {"second Tuesday", "20260113T090000", "20260113T100000", {"RRULE:FREQ=MONTHLY;BYDAY=2TU"},
       {Day(2026, 12, 8)}, {Day(2026, 12, 1), Day(2026, 12, 15)}},
      {"last day of the month", "20260131T090000", "20260131T100000",
       {"RRULE:FREQ=MONTHLY;BYMONTHDAY=-1"}, {Day(2026, 2, 28), Day(2026, 11, 30)},
       {Day(2026, 11, 29)}},
      {"the 31st skips short months", "20260131T090000", "20260131T100000",
       {"RRULE:FREQ=MONTHLY"}, {Day(2026, 12, 31)}, {Day(2026, 11, 30), Day(2026, 12, 1)}},
      {"quarterly", "20260115T090000", "20260115T100000", {"RRULE:FREQ=MONTHLY;INTERVAL=3"},
       {Day(2026, 4, 15), Day(2026, 10, 15)}, {Day(2026, 12, 15)}},
      {"yearly", "19901207", "19901208", {"RRULE:FREQ=YEARLY"}, {Day(2026, 12, 7)},
       {Day(2026, 12, 8)}},
      {"exceptions", "20261130T090000", "20261130T100000",
       {"RRULE:FREQ=DAILY", "EXDATE:20261202T090000,20261204T090000", "EXDATE;VALUE=DATE:20261205"},
       {n30 + 1, n30 + 3, n30 + 6}, {n30 + 2, n30 + 4, n30 + 5}},
      {"exceptions in UTC at the floating series' written hour", "19960401T010000", "",
       {"RRULE:FREQ=DAILY;COUNT=100", "EXDATE:19960402T010000Z,19960403T010000Z,19960404T010000Z"},
       {Day(1996, 4, 1), Day(1996, 4, 5)}, {Day(1996, 4, 2), Day(1996, 4, 3), Day(1996, 4, 4)}},
      // 14:00Z is 09:00 on the device; 02:00Z on the 4th is 21:00 on the 3rd: no occurrence.
      {"exceptions in UTC at the series' hour on the device", "20261130T090000", "20261130T100000",
       {"RRULE:FREQ=DAILY", "EXDATE:20261202T140000Z,20261204T020000Z"}, {n30 + 3, n30 + 4},
       {n30 + 2}},
      {"across midnight reaches the next day", "20261130T230000", "20261201T010000",
       {"RRULE:FREQ=WEEKLY"}, {n30 + 7, n30 + 8}, {n30 + 9}},
  };
  for (const SeriesCase& c : cases) {
    SCOPED_TRACE(c.name);
    const IcsImport in = Parse(Calendar({Event(c.start, c.end, c.name, c.lines)}));
    CalendarStore store;
    store.appointments = in.appointments;
    CalendarView view(store);
    for (int64_t day : c.daysWith) {
      EXPECT_EQ(1u, view.Touching(day, day, true).size()) << "day " << day - n30;
    }
    for (int64_t day : c.daysWithout) {
      EXPECT_EQ(0u, view.Touching(day, day, true).size()) << "day " << day - n30;
    }
  }
}

TEST(CalendarView, AMovedOccurrenceReplacesTheSeriesOnThatDay) {
  const IcsImport in = Parse(Calendar({
      Event("20261130T090000", "20261130T100000", "Standup", {"UID:s1", "RRULE:FREQ=DAILY"}),
      Event("20261207T150000", "20261207T153000", "Standup (moved)",
            {"UID:s1", "RECURRENCE-ID:20261207T090000"}),
  }));
  CalendarStore store;
  store.appointments = in.appointments;
  CalendarView view(store);
  const auto dec7 = view.Touching(Day(2026, 12, 7), Day(2026, 12, 7), true);
  ASSERT_EQ(1u, dec7.size());
  EXPECT_EQ(At(2026, 12, 7, 15, 0), dec7[0].localStart);
  EXPECT_EQ(1u, view.Touching(Day(2026, 12, 8), Day(2026, 12, 8), true).size());
}

TEST(CalendarView, OccurrencesComeInOrderOfStart) {
  const IcsImport in = Parse(Calendar({
      Event("20261207T140000", "20261207T150000", "c"),
      Event("20261201T080000", "20261201T090000", "a", {"RRULE:FREQ=DAILY"}),
      Event("20261207T100000", "20261207T120000", "b2"),
      Event("20261207T100000", "20261207T110000", "b1"),
  }));
  CalendarStore store;
  store.appointments = in.appointments;
  CalendarView view(store);
  std::wstring order;
  for (const Occurrence& o : view.Touching(Day(2026, 12, 7), Day(2026, 12, 7), true)) {
    order += store.appointments[o.appointment].subject + L" ";
  }
  EXPECT_EQ(L"a b1 b2 c ", order);
}

// ---- Restriction text ----------------------------------------------------------------------

TEST(Restriction, ReadsTheQueryTextAndRefusesOthers) {
  struct Row {
    const wchar_t* text;
    bool ok;
    int64_t first, last;
  } rows[] = {
      {L"[Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\"", true, Day(2026, 12, 7), Day(2026, 12, 7)},
      {L"[Categories] = \"Business,Work\" AND [Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\"",
       true, Day(2026, 12, 7), Day(2026, 12, 7)},
      {L"[start]<=\"2026-12-09\" and [end]>=\"2026-12-07\"", true, Day(2026, 12, 7), Day(2026, 12, 9)},
      {L"[Start] <= \"12/7/26\" AND [END] >= \"12/7/26\"", true, Day(2026, 12, 7), Day(2026, 12, 7)},
      {L"[Start] <= \"12/7/2026\"", false, 0, 0},                       // unbounded
      {L"[Start] <= \"12/7/2027\" AND [END] >= \"12/7/2025\"", false, 0, 0},  // too wide
      {L"[Start] <= \"13/7/2026\" AND [END] >= \"12/7/2026\"", false, 0, 0},
      {L"[Categories] = \"a\"b\" AND [Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\"", false, 0, 0},
      {L"[Subject] = \"x\" AND [Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\"", false, 0, 0},
      {L"[Start] <= \"12/7/2026\" OR [END] >= \"12/7/2026\"", false, 0, 0},
      {L"[Categories] < \"x\" AND [Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\"", false, 0, 0},
      {L"", false, 0, 0},
  };
  for (const Row& r : rows) {
    Restriction out;
    std::wstring error;
    EXPECT_EQ(r.ok, ParseRestriction(r.text, &out, &error)) << Narrow(r.text) << " " << Narrow(error);
    if (r.ok) {
      EXPECT_EQ(r.first, out.firstDay) << Narrow(r.text);
      EXPECT_EQ(r.last, out.lastDay) << Narrow(r.text);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

// ---- The server ------------------------------------------------------------------------------

struct Connection {
  ComPtr<IPOutlookApp> app;
  ComPtr<IFolder> folder;
  ComPtr<IPOutlookItemCollection> items;
  Connection() {
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_PocketOutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IPOutlookApp, app.put_void()));
    EXPECT_EQ(S_OK, app->Logon(0));
    EXPECT_EQ(S_OK, app->GetDefaultFolder(kCalendarFolder, folder.put()));
    EXPECT_EQ(S_OK, folder->get_Items(items.put()));
  }
  ~Connection() {
    items.reset();
    folder.reset();
    if (app) app->Logoff();
  }
  // Subjects of every match, in the order yielded; "!" and the code on a failure.
  std::wstring Subjects(const wchar_t* restriction) {
    BSTR text = SysAllocString(restriction);
    ComPtr<IAppointment> item;
    HRESULT hr = items->Find(text, item.put());
    SysFreeString(text);
    if (FAILED(hr)) return L"!" + std::to_wstring(hr);
    std::wstring out;
    while (hr == S_OK) {
      BSTR subject = nullptr;
      item->get_Subject(&subject);
      out += (subject ? subject : L"(none)") + std::wstring(L";");
      app->SysFreeString(subject);
      hr = items->FindNext(item.put());
    }
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_FALSE(item);
    return out;
  }
};

const wchar_t kToday[] = L"[Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\"";

TEST(CalendarServer, FindYieldsTheDaysAppointmentsInOrder) {
  DeviceCalendar calendar;
  calendar.Import(Calendar({
      Event("20261206T230000", "20261207T010000", "overnight"),
      Event("20261206T220000", "20261207T000000", "ends at midnight"),
      Event("20261207T150000", "20261207T160000", "later", {"CATEGORIES:Work"}),
      Event("20261207T090000", "20261207T100000", "morning", {"CATEGORIES:Business, Team"}),
      Event("20261208T000000", "20261208T010000", "tomorrow"),
      Event("20261130T120000", "20261130T130000", "weekly", {"RRULE:FREQ=WEEKLY"}),
      Event("20261207", "", "all day"),
  }));
  Connection c;
  c.items->put_IncludeRecurrences(VARIANT_TRUE);
  EXPECT_EQ(L"overnight;all day;morning;weekly;later;", c.Subjects(kToday));
  EXPECT_EQ(L"morning;later;",
            c.Subjects(L"[Categories] = \"work,Business\" AND [Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\""));
  EXPECT_EQ(L"", c.Subjects(L"[Categories] = \"Team Work\" AND [Start] <= \"12/7/2026\" AND [END] >= \"12/7/2026\""));
  EXPECT_EQ(L"!" + std::to_wstring(E_INVALIDARG), c.Subjects(L"[Start] <= \"someday\""));
  // Without occurrences the series shows only as its first appointment.
  c.items->put_IncludeRecurrences(VARIANT_FALSE);
  EXPECT_EQ(L"overnight;all day;morning;later;", c.Subjects(kToday));
}

TEST(CalendarServer, AppointmentPropertiesAndConversions) {
  DeviceCalendar calendar;
  calendar.Import(Calendar({Event("20261207T100000", "", "",
                                  {"DURATION:PT45M", "X-MICROSOFT-CDO-BUSYSTATUS:OOF"})}));
  Connection c;
  BSTR text = SysAllocString(kToday);
  ComPtr<IAppointment> item;
  ASSERT_EQ(S_OK, c.items->Find(text, item.put()));
  SysFreeString(text);
  DATE start = 0, end = 0;
  long busy = -1, minutes = -1;
  VARIANT_BOOL allDay = VARIANT_TRUE;
  BSTR subject = reinterpret_cast<BSTR>(1), categories = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(S_OK, item->get_Start(&start));
  EXPECT_EQ(S_OK, item->get_End(&end));
  EXPECT_EQ(S_OK, item->get_BusyStatus(&busy));
  EXPECT_EQ(S_OK, item->get_Duration(&minutes));
  EXPECT_EQ(S_OK, item->get_AllDayEvent(&allDay));
  EXPECT_EQ(S_OK, item->get_Subject(&subject));
  EXPECT_EQ(S_OK, item->get_Categories(&categories));
  EXPECT_EQ(nullptr, subject);
  EXPECT_EQ(nullptr, categories);
  EXPECT_EQ(3, busy);
  EXPECT_EQ(45, minutes);
  EXPECT_EQ(VARIANT_FALSE, allDay);
  SYSTEMTIME st{};
  ASSERT_EQ(S_OK, c.app->VariantTimeToSystemTime(start, &st));
  EXPECT_EQ(2026, st.wYear);
  EXPECT_EQ(7, st.wDay);
  EXPECT_EQ(10, st.wHour);
  EXPECT_EQ(0, st.wMinute);
  DATE back = 0;
  ASSERT_EQ(S_OK, c.app->SystemTimeToVariantTime(&st, &back));
  EXPECT_DOUBLE_EQ(start, back);
  EXPECT_NEAR(start + 45.0 / 1440.0, end, 1e-9);
  SYSTEMTIME bad{2026, 13, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(E_INVALIDARG, c.app->SystemTimeToVariantTime(&bad, &back));
}

TEST(CalendarServer, RefusesUseBeforeLogonAndAFolderOtherThanTheCalendar) {
  DeviceCalendar calendar;
  ComPtr<IPOutlookApp> app;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PocketOutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPOutlookApp, app.put_void()));
  ComPtr<IFolder> folder;
  EXPECT_EQ(E_UNEXPECTED, app->GetDefaultFolder(kCalendarFolder, folder.put()));
  EXPECT_EQ(E_UNEXPECTED, app->Logoff());
  ASSERT_EQ(S_OK, app->Logon(0));
  EXPECT_EQ(E_INVALIDARG, app->GetDefaultFolder(10, folder.put()));
  EXPECT_FALSE(folder);
  EXPECT_EQ(S_OK, app->Logoff());
}

TEST(CalendarServer, ADamagedCalendarFileRefusesTheLogon) {
  DeviceCalendar calendar;
  calendar.Import(Calendar({Event("20261207T100000", "20261207T110000", "x")}));
  std::string bytes = ReadBytes(calendar.path());
  bytes[bytes.size() / 2] ^= 0x5A;
  std::ofstream(std::filesystem::path(calendar.path()), std::ios::binary) << bytes;
  ComPtr<IPOutlookApp> app;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PocketOutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPOutlookApp, app.put_void()));
  EXPECT_TRUE(FAILED(app->Logon(0)));
}

TEST(CalendarServer, CategoriesDatabaseListsImportedNames) {
  DeviceCalendar calendar;
  calendar.Import(Calendar({Event("20261207T100000", "", "a", {"CATEGORIES:Work,Travel"}),
                            Event("20261208T100000", "", "b", {"CATEGORIES:Travel,Personal"})}));
  CEOID oid = 0;
  EXPECT_FALSE(CategoryDatabase::Open(nullptr, &oid, L"\\Contacts Database", 0, calendar.path()));
  auto db = CategoryDatabase::Open(nullptr, &oid, L"\\categories database", CEDB_AUTOINCREMENT,
                                   calendar.path());
  ASSERT_TRUE(db);
  EXPECT_EQ(kCategoriesDatabaseOid, oid);
  BYTE small[8] = {};
  BYTE* buffer = small;
  DWORD bytes = sizeof small;
  CEPROPID wanted[] = {kCategoryNameProp, MakePropId(0x4002, CEVT_LPWSTR)};
  WORD count = 2;
  EXPECT_EQ(0u, db->Read(0, &count, wanted, &buffer, &bytes, nullptr));  // may not reallocate
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  buffer = nullptr;
  std::wstring names;
  for (CEOID expected = kFirstCategoryRecordOid;; ++expected) {
    const CEOID record = db->Read(CEDB_ALLOWREALLOC, &count, wanted, &buffer, &bytes, nullptr);
    if (record == 0) break;
    EXPECT_EQ(expected, record);
    ASSERT_EQ(2, count);
    const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
    EXPECT_EQ(CEDB_PROPNOTFOUND, values[1].wFlags);  // a record holds only its name
    names += std::wstring(values[0].val.lpwstr) + L";";
  }
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
  LocalFree(buffer);
  EXPECT_EQ(L"Work;Travel;Personal;", names);
}

TEST(CalendarServer, TenThousandAppointmentsInAYear) {
  std::vector<std::string> events;
  for (int i = 0; i < 10000; ++i) {
    const CivilDate d = CivilFromDays(Day(2026, 1, 1) + i % 365);
    char start[32], end[32];
    const int hour = 6 + (i / 365) % 16;
    snprintf(start, sizeof start, "%04d%02d%02dT%02d0000", d.year, d.month, d.day, hour);
    snprintf(end, sizeof end, "%04d%02d%02dT%02d3000", d.year, d.month, d.day, hour);
    std::string subject = std::to_string(i);
    events.push_back(Event(start, end, subject.insert(0, 1, 'm')));
  }
  DeviceCalendar calendar;
  calendar.Import(Calendar(events));
  Connection c;
  const std::wstring found = c.Subjects(kToday);
  size_t count = 0;
  for (wchar_t ch : found) count += ch == L';';
  const int64_t offset = Day(2026, 12, 7) - Day(2026, 1, 1);
  size_t expected = 0;
  for (int i = 0; i < 10000; ++i) expected += i % 365 == offset;
  EXPECT_EQ(expected, count);
  EXPECT_EQ(0u, found.find(L"m" + std::to_wstring(offset) + L";"));
}

// ---- The calendar file -------------------------------------------------------------------

TEST(CalendarStore, SurvivesARoundTripAndRefusesDamage) {
  const IcsImport in = Parse(Calendar({kVienna,
      "BEGIN:VEVENT\r\nDTSTART;TZID=Europe/Vienna:20261207T160000\r\nDURATION:PT1H\r\nSUMMARY:z\r\n"
      "RRULE:FREQ=MONTHLY;BYDAY=-1FR,2TU;BYMONTH=1,12\r\nEXDATE;TZID=Europe/Vienna:20261225T160000\r\n"
      "CATEGORIES:Work\r\nEND:VEVENT\r\n"}));
  CalendarStore store;
  store.zones = in.zones;
  store.appointments = in.appointments;
  store.categories = {L"Work", L"Say \"hi\""};
  const std::string bytes = SerializeCalendar(store);
  CalendarStore back;
  std::wstring error;
  ASSERT_TRUE(DeserializeCalendar(bytes, &back, &error)) << Narrow(error);
  EXPECT_EQ(bytes, SerializeCalendar(back));
  for (size_t cut : {size_t{0}, size_t{7}, bytes.size() / 2, bytes.size() - 1}) {
    EXPECT_FALSE(DeserializeCalendar(bytes.substr(0, cut), &back, &error)) << cut;
    EXPECT_TRUE(back.appointments.empty());
  }
  std::string flipped = bytes;
  flipped[20] ^= 1;
  EXPECT_FALSE(DeserializeCalendar(flipped, &back, &error));
}

TEST(CalendarStore, ARefusedImportLeavesTheCalendarAsItWas) {
  const std::wstring path = TempPath(L"store");
  IcsImport summary;
  std::wstring error;
  ASSERT_TRUE(ImportIntoStore(Calendar({Event("20261207T100000", "", "kept")}), path, &summary, &error));
  const std::string before = ReadBytes(path);
  // Many good events and one bad one at the end: none of them may land.
  std::vector<std::string> events(50, Event("20261208T100000", "", "new"));
  events.push_back(Event("20261208T100000", "20261208T090000", "bad"));
  EXPECT_FALSE(ImportIntoStore(Calendar(events), path, &summary, &error));
  EXPECT_EQ(before, ReadBytes(path));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path + L".new")));
  DeleteFileW(path.c_str());
}

// ---- Real calendar files -------------------------------------------------------------------

TEST(RealCalendars, EachFileImportsOrIsRefusedWhole) {
  const std::filesystem::path dir = SharedIcsFolder();
  if (dir.empty()) GTEST_SKIP() << "no shared calendar files";
  size_t imported = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".ics") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const std::wstring store = TempPath(L"real");
    IcsImport first;
    std::wstring error;
    ASSERT_TRUE(ImportIntoStore(Calendar({Event("20261207T100000", "", "kept")}), store, &first, &error));
    const std::string before = ReadBytes(store);
    IcsImport summary;
    if (ImportIntoStore(ReadBytes(entry.path().wstring()), store, &summary, &error)) {
      ++imported;
      CalendarStore loaded;
      ASSERT_TRUE(LoadCalendarStore(store, &loaded, &error)) << Narrow(error);
      EXPECT_EQ(1 + summary.appointments.size(), loaded.appointments.size());
      CalendarView view(loaded);
      for (int64_t d = Day(2026, 12, 1); d < Day(2026, 12, 8); ++d) view.Touching(d, d, true);
    } else {
      ++refused;
      EXPECT_FALSE(error.empty());
      if (std::getenv("QM_SHOW_REFUSALS")) std::printf("%s: %s\n", entry.path().filename().string().c_str(), Narrow(error).c_str());
      EXPECT_EQ(before, ReadBytes(store));
    }
    DeleteFileW(store.c_str());
  }
  EXPECT_GT(imported, 100u);
  std::printf("real calendars: %zu imported, %zu refused\n", imported, refused);
}

TEST(RealCalendars, NamedZonesAndExceptionsInUtcLandAsTheSenderMeant) {
  const std::filesystem::path dir = SharedIcsFolder();
  if (dir.empty()) GTEST_SKIP() << "no shared calendar files";
  struct Row {
    const char* file;
    int64_t first, last;
    std::vector<CivilSeconds> device;  // New York
  } rows[] = {
      // Vienna 10:00 on Tuesdays, the 3rd, 10th and 17th of April excluded, until 08:00Z on July 3.
      {"event_with_recurrence_exdates_on_different_lines.ics", Day(2012, 3, 26), Day(2012, 4, 24),
       {At(2012, 3, 27, 4, 0), At(2012, 4, 24, 4, 0)}},
      {"event_with_recurrence_exdates_on_different_lines.ics", Day(2012, 7, 1), Day(2012, 7, 31),
       {At(2012, 7, 3, 4, 0)}},
      {"event_with_recurrence.ics", Day(1996, 4, 1), Day(1996, 4, 5),
       {At(1996, 4, 1, 1, 0), At(1996, 4, 5, 1, 0)}},
      // 14:00 in Berlin, Buenos Aires and New York
      {"issue_313_globally_unique_tzid.ics", Day(2020, 4, 26), Day(2020, 4, 26),
       {At(2020, 4, 26, 8, 0), At(2020, 4, 26, 13, 0), At(2020, 4, 26, 14, 0)}},
      {"issue_466_convert_tzid_with_slash.ics", Day(2022, 10, 21), Day(2022, 10, 21),
       {At(2022, 10, 21, 14, 0)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    const IcsImport in = Parse(ReadBytes((dir / r.file).wstring()));
    EXPECT_EQ(r.device, DeviceStarts(in, r.first, r.last));
    EXPECT_EQ(L"", UnknownZoneNotice(in));
  }
}

}  // namespace
