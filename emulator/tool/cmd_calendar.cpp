// qmdevice calendar ...: fills and shows the device's calendar; `init` registers its server.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "calendar/calendar_faults.h"
#include "calendar/calendar_store.h"
#include "calendar/calendar_view.h"
#include "calendar/ics_import.h"
#include "common/scoped.h"
#include "device/device_state.h"
#include "tool.h"

namespace {

constexpr wchar_t kUsage[] =
    L"usage: qmdevice calendar import FILE.ics\n"
    L"       qmdevice calendar list [DATE]          (DATE: yyyy-mm-dd or the device's short date)\n"
    L"       qmdevice calendar clear\n"
    L"       qmdevice calendar sample --in MINUTES --minutes N [--category NAME] [--subject TEXT]\n"
    L"       qmdevice calendar categories [add NAME]\n"
    L"       qmdevice calendar faults [--delay MS] [--fail-after CALLS] [--no-duration] | off";
constexpr wchar_t kClsidKey[] = L"CLSID\\{05058F23-20BE-11D2-8F18-0000F87A4335}";
constexpr wchar_t kServerDll[] = L"qmcalendar.dll";
// A fresh device offers these in its category picker.
const wchar_t* const kDefaultCategories[] = {L"Business", L"Holiday", L"Personal", L"Work"};

std::wstring Clock(CivilSeconds t) {
  const SYSTEMTIME st = SystemTimeFromCivil(t);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
           st.wMinute);
  return text;
}

std::wstring Describe(const Appointment& a) {
  std::wstring line = a.subject.empty() ? L"(no subject)" : a.subject;
  std::replace(line.begin(), line.end(), L'\n', L' ');
  if (!a.categories.empty()) {
    line += L"  [";
    for (size_t i = 0; i < a.categories.size(); ++i) line += (i ? L", " : L"") + a.categories[i];
    line += L"]";
  }
  static const wchar_t* const kBusy[] = {L"free", L"tentative", L"busy", L"out of office"};
  if (a.busyStatus >= 0 && a.busyStatus <= 3 && a.busyStatus != 2) {
    line += std::wstring(L"  (") + kBusy[a.busyStatus] + L")";
  }
  if (a.rule.freq != Frequency::None) line += L"  (recurring)";
  return line;
}

bool ReadFileBytes(const std::wstring& path, std::string* bytes, std::wstring* error) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *error = L"cannot open the file (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(kMaxIcsBytes)) {
    *error = L"the file is larger than 32 MB";
    return false;
  }
  bytes->resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!bytes->empty() &&
      (!ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) ||
       got != bytes->size())) {
    *error = L"cannot read the file";
    return false;
  }
  return true;
}

int Import(const ToolArgs& args) {
  if (args.size() != 2) {
    PrintError(kUsage);
    return 2;
  }
  std::string bytes;
  std::wstring error;
  IcsImport summary;
  if (!ReadFileBytes(args[1], &bytes, &error) ||
      !ImportIntoStore(bytes, CalendarStorePath(), &summary, &error)) {
    PrintError(L"cannot import " + args[1] + L": " + error + L"; the calendar is unchanged");
    return 1;
  }
  std::wstring text = L"imported " + std::to_wstring(summary.appointments.size()) +
                      L" appointment(s) from " + std::to_wstring(summary.events) + L" event(s)";
  if (summary.cancelled) text += L"; " + std::to_wstring(summary.cancelled) + L" cancelled event(s) left out";
  if (summary.withoutStart) {
    text += L"; " + std::to_wstring(summary.withoutStart) + L" event(s) without a start left out";
  }
  if (summary.otherComponents) {
    text += L"; " + std::to_wstring(summary.otherComponents) + L" other component(s) ignored";
  }
  Print(text);
  if (const std::wstring notice = UnknownZoneNotice(summary); !notice.empty()) Print(notice);
  return 0;
}

int List(const ToolArgs& args) {
  std::wstring error;
  auto view = OpenCalendarView(CalendarStorePath(), &error);
  if (!view) {
    PrintError(error);
    return 1;
  }
  const CalendarStore& store = view->store();
  if (args.size() == 1) {
    for (const Appointment& a : store.appointments) {
      const wchar_t* frame = a.allDay                        ? L"all day"
                             : a.frame == TimeFrame::Utc     ? L"UTC"
                             : a.frame == TimeFrame::Zone    ? store.zones[a.zoneIndex].id.c_str()
                                                             : L"local";
      Print(Clock(a.start) + L"  +" + std::to_wstring(a.durationSeconds / 60) + L" min  (" +
            frame + L")  " + Describe(a));
    }
    Print(std::to_wstring(store.appointments.size()) + L" appointment(s)");
    return 0;
  }
  int64_t day = 0;
  if (args.size() != 2 || !ParseDeviceShortDate(args[1], &day)) {
    PrintError(kUsage);
    return 2;
  }
  const auto found = view->Touching(day, day, true);
  for (const Occurrence& o : found) {
    const Appointment& a = store.appointments[o.appointment];
    Print(Clock(o.localStart) + L" - " + Clock(o.localEnd) + (a.allDay ? L"  (all day)  " : L"  ") +
          Describe(a));
  }
  Print(std::to_wstring(found.size()) + L" appointment(s) on that day");
  return 0;
}

bool Rewrite(void (*change)(CalendarStore&, const ToolArgs&), const ToolArgs& args) {
  CalendarStore store;
  std::wstring error;
  if (!LoadCalendarStore(CalendarStorePath(), &store, &error)) {
    PrintError(error);
    return false;
  }
  change(store, args);
  if (!SaveCalendarStore(CalendarStorePath(), store, &error)) {
    PrintError(error);
    return false;
  }
  return true;
}

int Clear(const ToolArgs&) {
  const bool ok = Rewrite(
      [](CalendarStore& store, const ToolArgs&) {
        store.appointments.clear();
        store.zones.clear();
      },
      {});
  if (ok) Print(L"the calendar is empty");
  return ok ? 0 : 1;
}

bool TakeNumber(const ToolArgs& args, size_t i, long lo, long hi, long* out) {
  if (i >= args.size()) return false;
  wchar_t* end = nullptr;
  const long v = wcstol(args[i].c_str(), &end, 10);
  if (end == args[i].c_str() || *end || v < lo || v > hi) return false;
  *out = v;
  return true;
}

int Sample(const ToolArgs& args) {
  long in = 0, minutes = 60;
  Appointment a;
  a.subject = L"Sample meeting";
  for (size_t i = 1; i < args.size(); i += 2) {
    const std::wstring& opt = args[i];
    bool ok = i + 1 < args.size();
    if (ok && opt == L"--in") ok = TakeNumber(args, i + 1, -100000, 100000, &in);
    else if (ok && opt == L"--minutes") ok = TakeNumber(args, i + 1, 1, 100000, &minutes);
    else if (ok && opt == L"--category") a.categories.push_back(args[i + 1]);
    else if (ok && opt == L"--subject") a.subject = args[i + 1];
    else ok = false;
    if (!ok) {
      PrintError(kUsage);
      return 2;
    }
  }
  // The device clock, read to the minute, as the device's own wall-clock time.
  const ULONGLONG nowUtc = DeviceNowUtc();
  FILETIME ft{static_cast<DWORD>(nowUtc), static_cast<DWORD>(nowUtc >> 32)};
  SYSTEMTIME utc{};
  FileTimeToSystemTime(&ft, &utc);
  CivilSeconds local = UtcToDeviceLocal(CivilFromSystemTime(utc));
  local -= local % 60;
  a.start = local + in * 60;
  a.durationSeconds = minutes * 60;
  a.frame = TimeFrame::Floating;
  static Appointment pending;
  pending = a;
  const bool ok = Rewrite(
      [](CalendarStore& store, const ToolArgs&) {
        AddCategories(store, pending.categories);
        store.appointments.push_back(pending);
      },
      {});
  if (ok) Print(L"added " + Clock(a.start) + L" - " + Clock(a.start + a.durationSeconds) + L"  " + Describe(a));
  return ok ? 0 : 1;
}

int Categories(const ToolArgs& args) {
  if (args.size() == 3 && args[1] == L"add") {
    static std::wstring name;
    name = args[2];
    if (name.empty() || name.find(L',') != std::wstring::npos) {
      PrintError(L"a category name is not empty and holds no \",\"");
      return 2;
    }
    return Rewrite([](CalendarStore& store, const ToolArgs&) { AddCategories(store, {name}); }, {})
               ? 0
               : 1;
  }
  if (args.size() != 1) {
    PrintError(kUsage);
    return 2;
  }
  CalendarStore store;
  std::wstring error;
  if (!LoadCalendarStore(CalendarStorePath(), &store, &error)) {
    PrintError(error);
    return 1;
  }
  for (const std::wstring& c : store.categories) Print(c);
  return 0;
}

// Makes the device's calendar slow or broken for the connections made from now on.
int Faults(const ToolArgs& args) {
  CalendarFaults faults;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::wstring& opt = args[i];
    const bool hasValue = i + 1 < args.size();
    if (opt == L"off" && args.size() == 2) {
      faults = CalendarFaults{};
    } else if (opt == L"--delay" && hasValue) {
      faults.delayMs = static_cast<DWORD>(wcstoul(args[++i].c_str(), nullptr, 10));
    } else if (opt == L"--fail-after" && hasValue) {
      faults.failAfterCalls = wcstol(args[++i].c_str(), nullptr, 10);
    } else if (opt == L"--no-duration") {
      faults.failDuration = true;
    } else {
      PrintError(kUsage);
      return 2;
    }
  }
  SetDeviceCalendarFaults(faults);
  Print(L"calendar faults: delay " + std::to_wstring(faults.delayMs) + L" ms, fail after " +
        (faults.failAfterCalls < 0 ? std::wstring(L"never") : std::to_wstring(faults.failAfterCalls)) +
        L", duration " + (faults.failDuration ? L"unreadable" : L"readable"));
  return 0;
}

int CalendarCommand(const ToolArgs& args) {
  if (args.empty()) {
    PrintError(kUsage);
    return 2;
  }
  const std::wstring& sub = args[0];
  if (sub == L"import") return Import(args);
  if (sub == L"list") return List(args);
  if (sub == L"clear") return Clear(args);
  if (sub == L"sample") return Sample(args);
  if (sub == L"categories") return Categories(args);
  if (sub == L"faults") return Faults(args);
  PrintError(kUsage);
  return 2;
}

// Registers the calendar's server under its class id and gives a new device its categories.
int SetUpCalendar(const std::wstring& windowsDir) {
  RegKey server;
  const std::wstring keyPath = std::wstring(kClsidKey) + L"\\InprocServer32";
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      server.put(), nullptr) != ERROR_SUCCESS) {
    PrintError(L"cannot register the calendar server");
    return 1;
  }
  const std::wstring dll = windowsDir + L"\\" + kServerDll;
  const std::wstring both = L"Both";
  RegSetValueExW(server.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                 static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(server.get(), L"ThreadingModel", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(both.c_str()),
                 static_cast<DWORD>((both.size() + 1) * sizeof(wchar_t)));
  if (GetFileAttributesW(CalendarStorePath().c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
  CalendarStore store;
  for (const wchar_t* name : kDefaultCategories) store.categories.push_back(name);
  std::wstring error;
  if (!SaveCalendarStore(CalendarStorePath(), store, &error)) {
    PrintError(error);
    return 1;
  }
  return 0;
}

const ToolCommand kCalendar(L"calendar",
                            L"calendar import FILE.ics | list [DATE] | clear | sample --in MINUTES "
                            L"--minutes N [--category NAME] | categories [add NAME] | faults ...",
                            CalendarCommand);
const SetupStep kCalendarSetup(L"calendar", SetUpCalendar);

}  // namespace
