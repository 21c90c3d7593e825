// Measures one meeting query, and one plan of the day, against the device's calendar served in
// this process, for a calendar of 10 appointments and one of 10,000 spread over a year. Prints
// the figures.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "calendar/calendar_model.h"
#include "calendar/calendar_server.h"
#include "calendar/calendar_store.h"
#include "common/scoped.h"
#include "meetings/meeting_plan.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/poom.h"
#include "settings/settings.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {
long long g_allocations = 0;
}

void* operator new(size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

constexpr int kRuns = 300;

// `count` one-hour meetings, as many on each day of 2026 as fit, 06:00 to 21:00.
CalendarStore MakeCalendar(int count) {
  CalendarStore store;
  const int64_t first = DaysFromCivil(2026, 1, 1);
  for (int i = 0; i < count; ++i) {
    Appointment a;
    a.subject = L"Meeting " + std::to_wstring(i);
    a.categories = {i % 3 ? L"Work" : L"Personal"};
    const int64_t day = count <= 365 ? DaysFromCivil(2026, 12, 7) - 5 + i : first + i % 365;
    const int hour = count <= 365 ? 14 : 6 + (i / 365) % 16;
    a.start = day * kSecondsPerDay + hour * 3600;
    a.durationSeconds = 3600;
    store.appointments.push_back(a);
  }
  return store;
}

ULONGLONG LocalToUtc(int hour, int minute) {
  SYSTEMTIME local{2026, 12, 0, 7, static_cast<WORD>(hour), static_cast<WORD>(minute), 0, 0};
  SYSTEMTIME utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

struct Figures {
  double coldMicros = 1e30;
  double microsPerQuery = 1e30;  // the best of the rounds: the machine's other load only adds
  double allocationsPerQuery = 0;
  double microsPerPlan = 1e30;
  double allocationsPerPlan = 0;
  size_t itemsToday = 0;
};

constexpr int kRounds = 8;
constexpr int kRunsPerRound = kRuns / 6;

double Micros(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  LARGE_INTEGER freq{};
  QueryPerformanceFrequency(&freq);
  return 1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

void Query() {
  ResetMeetingState();
  QueryMeetingInProgress();
}

// One round on the calendar at `path`: the first query reads the file, the rest use the view.
void Round(const std::wstring& path, Figures* f) {
  SetCalendarStorePath(path);
  LARGE_INTEGER t0{}, t1{};
  QueryPerformanceCounter(&t0);
  Query();
  QueryPerformanceCounter(&t1);
  f->coldMicros = std::min(f->coldMicros, Micros(t0, t1));
  const long long before = g_allocations;
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < kRunsPerRound; ++i) Query();
  QueryPerformanceCounter(&t1);
  f->microsPerQuery = std::min(f->microsPerQuery, Micros(t0, t1) / kRunsPerRound);
  f->allocationsPerQuery = static_cast<double>(g_allocations - before) / kRunsPerRound;

  // The plan of the whole day, every appointment of it whatever its category, with every rule
  // the owner can shape: minutes before and after, words, and quiet hours on weekend nights (the
  // Sunday night's end on the morning of the day). Quiet hours every night would join the large
  // calendar's days, meetings from 06:00 to 22:00 each, into one silence that the plan follows
  // for as many days as it may.
  const SYSTEMTIME day{2026, 12, 1, 7, 0, 0, 0, 0};
  MeetingRules rules = StoredMeetingRules();
  rules.POStartEarly = 10;
  rules.POEndLate = 5;
  rules.POSkipWords = L"lunch, dentist";
  rules.POAlwaysWords = L"interview";
  rules.QuietDays = 0x41;  // Sunday and Saturday
  const long long planBefore = g_allocations;
  size_t planned = 0;
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < kRunsPerRound; ++i) {
    planned = PlanMeetingDay(rules, day, fake::device().utcNow).entries.size();
  }
  QueryPerformanceCounter(&t1);
  if (planned != f->itemsToday) {
    std::fprintf(stderr, "the plan holds %zu lines, not %zu\n", planned, f->itemsToday);
    std::exit(1);
  }
  f->microsPerPlan = std::min(f->microsPerPlan, Micros(t0, t1) / kRunsPerRound);
  f->allocationsPerPlan = static_cast<double>(g_allocations - planBefore) / kRunsPerRound;
}

void Write(int count, const std::wstring& path, Figures* f) {
  std::wstring error;
  const CalendarStore store = MakeCalendar(count);
  if (!SaveCalendarStore(path, store, &error)) {
    std::fwprintf(stderr, L"cannot write the calendar: %ls\n", error.c_str());
    std::exit(1);
  }
  const int64_t today = DaysFromCivil(2026, 12, 7);
  for (const Appointment& a : store.appointments) f->itemsToday += DayOf(a.start) == today;
}

}  // namespace

int main() {
  // The program's apartment: its checks look at the calendar from threads of their own.
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  const std::wstring stem = std::wstring(dir) + L"meeting-bench-" +
                            std::to_wstring(GetCurrentProcessId());
  const std::wstring smallPath = stem + L"-10.qmcal", largePath = stem + L"-10000.qmcal";
  ComPtr<IUnknown> factory;
  DWORD cookie = 0;
  CalendarGetClassObject(CLSID_PocketOutlookApplication, IID_IUnknown, factory.put_void());
  CoRegisterClassObject(CLSID_PocketOutlookApplication, factory.get(), CLSCTX_INPROC_SERVER,
                        REGCLS_MULTIPLEUSE, &cookie);

  fake::ResetDevice();
  fake::device().utcNow = LocalToUtc(23, 30);  // after the day's last meeting: every item is read
  EditSettings([&](SettingsRecord& s) {
    s.EnablePOLink = true;
    s.POCategory = L"Work";
  });

  Figures small, large;
  Write(10, smallPath, &small);
  Write(10000, largePath, &large);
  for (int round = 0; round < kRounds; ++round) {
    Round(smallPath, &small);
    Round(largePath, &large);
  }
  std::printf("meeting query, best of %d rounds of %d (time per query, heap allocations per query)\n",
              kRounds, kRunsPerRound);
  std::printf("  10 appointments     (%2zu today): %8.1f us  %6.1f allocations  (first query %.0f us)\n",
              small.itemsToday, small.microsPerQuery, small.allocationsPerQuery, small.coldMicros);
  std::printf("  10,000 appointments (%2zu today): %8.1f us  %6.1f allocations  (first query %.0f us)\n",
              large.itemsToday, large.microsPerQuery, large.allocationsPerQuery, large.coldMicros);
  std::printf("  ratio 10,000 / 10: time %.2fx, allocations %.2fx (target: at most 2x)\n",
              large.microsPerQuery / small.microsPerQuery,
              large.allocationsPerQuery / small.allocationsPerQuery);
  std::printf("plan of the day, best of %d rounds of %d (time per plan, heap allocations per plan)\n",
              kRounds, kRunsPerRound);
  std::printf("  10 appointments     (%2zu today): %8.1f us  %6.1f allocations\n", small.itemsToday,
              small.microsPerPlan, small.allocationsPerPlan);
  std::printf("  10,000 appointments (%2zu today): %8.1f us  %6.1f allocations\n", large.itemsToday,
              large.microsPerPlan, large.allocationsPerPlan);
  std::printf("  ratio 10,000 / 10: time %.2fx (target: at most 1.5x), allocations %.2fx (they grow "
              "with the appointments listed)\n",
              large.microsPerPlan / small.microsPerPlan,
              large.allocationsPerPlan / small.allocationsPerPlan);
  CoRevokeClassObject(cookie);
  DeleteFileW(smallPath.c_str());
  DeleteFileW(largePath.c_str());
  CoUninitialize();
  return 0;
}
