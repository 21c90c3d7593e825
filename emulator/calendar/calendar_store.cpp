#include "calendar/calendar_store.h"

#include <windows.h>

#include <cstring>
#include <mutex>

#include "calendar/ics_import.h"
#include "common/scoped.h"

namespace {

std::mutex g_pathLock;
std::wstring g_storePath;

constexpr char kMagic[8] = {'Q', 'M', 'C', 'A', 'L', 'E', 'N', 'D'};
constexpr uint32_t kVersion = 3;  // 1 had no day shift in zone rules, 2 no locations
constexpr size_t kMaxText = 1u << 20;  // characters in one stored text

uint64_t Fnv1a(const char* data, size_t size) {
  uint64_t h = 1469598103934665603ULL;
  for (size_t i = 0; i < size; ++i) {
    h ^= static_cast<unsigned char>(data[i]);
    h *= 1099511628211ULL;
  }
  return h;
}

class Writer {
 public:
  template <typename T>
  void Put(T v) {
    const size_t at = out.size();
    out.resize(at + sizeof v);
    std::memcpy(out.data() + at, &v, sizeof v);
  }
  void Text(const std::wstring& s) {
    Put(static_cast<uint32_t>(s.size()));
    const size_t at = out.size();
    out.resize(at + s.size() * 2);
    std::memcpy(out.data() + at, s.data(), s.size() * 2);
  }
  std::string out;
};

class Reader {
 public:
  Reader(const char* data, size_t size) : p_(data), end_(data + size) {}
  template <typename T>
  bool Get(T* v) {
    if (static_cast<size_t>(end_ - p_) < sizeof *v) return false;
    std::memcpy(v, p_, sizeof *v);
    p_ += sizeof *v;
    return true;
  }
  bool Text(std::wstring* s) {
    uint32_t n = 0;
    if (!Get(&n) || n > kMaxText || static_cast<size_t>(end_ - p_) / 2 < n) return false;
    s->assign(n, L'\0');
    std::memcpy(s->data(), p_, size_t{n} * 2);
    p_ += size_t{n} * 2;
    return true;
  }
  // A count of items each at least `minBytes` long, checked against what is left.
  bool Count(uint32_t* n, size_t minBytes) {
    return Get(n) && size_t{*n} <= static_cast<size_t>(end_ - p_) / minBytes;
  }
  bool AtEnd() const { return p_ == end_; }

 private:
  const char* p_;
  const char* end_;
};

void PutRule(Writer& w, const Recurrence& r) {
  w.Put(static_cast<uint8_t>(r.freq));
  w.Put(r.interval);
  w.Put(r.lastDay);
  w.Put(r.weekStart);
  w.Put(static_cast<uint32_t>(r.byDay.size()));
  for (const auto& [ordinal, weekday] : r.byDay) {
    w.Put(ordinal);
    w.Put(weekday);
  }
  w.Put(static_cast<uint32_t>(r.byMonthDay.size()));
  for (int8_t d : r.byMonthDay) w.Put(d);
  w.Put(static_cast<uint32_t>(r.byMonth.size()));
  for (uint8_t m : r.byMonth) w.Put(m);
}

bool GetRule(Reader& r, Recurrence* rule) {
  uint8_t freq = 0;
  uint32_t n = 0;
  if (!r.Get(&freq) || freq > static_cast<uint8_t>(Frequency::Yearly)) return false;
  rule->freq = static_cast<Frequency>(freq);
  if (!r.Get(&rule->interval) || rule->interval < 1 || !r.Get(&rule->lastDay) ||
      !r.Get(&rule->weekStart) || rule->weekStart > 6 || !r.Count(&n, 2)) {
    return false;
  }
  rule->byDay.resize(n);
  for (auto& [ordinal, weekday] : rule->byDay) {
    if (!r.Get(&ordinal) || !r.Get(&weekday) || weekday > 6) return false;
  }
  if (!r.Count(&n, 1)) return false;
  rule->byMonthDay.resize(n);
  for (int8_t& d : rule->byMonthDay) {
    if (!r.Get(&d)) return false;
  }
  if (!r.Count(&n, 1)) return false;
  rule->byMonth.resize(n);
  for (uint8_t& m : rule->byMonth) {
    if (!r.Get(&m) || m < 1 || m > 12) return false;
  }
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes, DWORD* lastError) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *lastError = GetLastError();
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (LONGLONG{1} << 30)) {
    *lastError = ERROR_FILE_TOO_LARGE;
    return false;
  }
  bytes->resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 24));
    if (!ReadFile(file.get(), bytes->data() + done, want, &got, nullptr) || got == 0) {
      *lastError = GetLastError();
      return false;
    }
    done += got;
  }
  return true;
}

}  // namespace

std::wstring CalendarStorePath() {
  {
    std::lock_guard<std::mutex> lock(g_pathLock);
    if (!g_storePath.empty()) return g_storePath;
  }
  wchar_t dir[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
  std::wstring path = (n > 0 && n < MAX_PATH) ? dir : L"C:\\Windows";
  return path + L"\\Calendar.qmcal";
}

void SetCalendarStorePath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(g_pathLock);
  g_storePath = path;
}

std::string SerializeCalendar(const CalendarStore& store) {
  Writer w;
  w.out.append(kMagic, sizeof kMagic);
  w.Put(kVersion);
  w.Put(static_cast<uint32_t>(store.zones.size()));
  for (const TimeZoneDef& z : store.zones) {
    w.Text(z.id);
    w.Put(static_cast<uint32_t>(z.observances.size()));
    for (const ZoneObservance& o : z.observances) {
      w.Put(o.firstOnset);
      w.Put(o.offsetFrom);
      w.Put(o.offsetTo);
      w.Put(o.month);
      w.Put(o.nth);
      w.Put(o.weekday);
      w.Put(o.monthDay);
      w.Put(o.dayShift);
      w.Put(o.until);
      w.Put(static_cast<uint32_t>(o.extraOnsets.size()));
      for (CivilSeconds t : o.extraOnsets) w.Put(t);
    }
  }
  w.Put(static_cast<uint32_t>(store.appointments.size()));
  for (const Appointment& a : store.appointments) {
    w.Text(a.subject);
    w.Text(a.location);
    w.Put(static_cast<uint32_t>(a.categories.size()));
    for (const std::wstring& c : a.categories) w.Text(c);
    w.Put(a.start);
    w.Put(a.durationSeconds);
    w.Put(static_cast<uint8_t>(a.allDay));
    w.Put(static_cast<uint8_t>(a.frame));
    w.Put(a.zoneIndex);
    w.Put(a.busyStatus);
    PutRule(w, a.rule);
    w.Put(static_cast<uint32_t>(a.exceptionDays.size()));
    for (int64_t d : a.exceptionDays) w.Put(d);
  }
  w.Put(static_cast<uint32_t>(store.categories.size()));
  for (const std::wstring& c : store.categories) w.Text(c);
  w.Put(Fnv1a(w.out.data(), w.out.size()));
  return std::move(w.out);
}

bool DeserializeCalendar(const std::string& bytes, CalendarStore* store, std::wstring* error) {
  *store = CalendarStore{};
  auto damaged = [&](const wchar_t* what) {
    *store = CalendarStore{};
    *error = std::wstring(L"the calendar file is damaged (") + what + L")";
    return false;
  };
  if (bytes.size() < sizeof kMagic + 4 + 8 || std::memcmp(bytes.data(), kMagic, sizeof kMagic)) {
    return damaged(L"not a calendar file");
  }
  const size_t body = bytes.size() - 8;
  uint64_t sum = 0;
  std::memcpy(&sum, bytes.data() + body, 8);
  if (sum != Fnv1a(bytes.data(), body)) return damaged(L"checksum");
  Reader r(bytes.data() + sizeof kMagic, body - sizeof kMagic);
  uint32_t version = 0, n = 0;
  if (!r.Get(&version) || version < 1 || version > kVersion) return damaged(L"unknown version");
  if (!r.Count(&n, 8)) return damaged(L"zones");
  store->zones.resize(n);
  for (TimeZoneDef& z : store->zones) {
    uint32_t m = 0;
    if (!r.Text(&z.id) || !r.Count(&m, 44)) return damaged(L"zones");
    z.observances.resize(m);
    for (ZoneObservance& o : z.observances) {
      uint32_t k = 0;
      if (!r.Get(&o.firstOnset) || !r.Get(&o.offsetFrom) || !r.Get(&o.offsetTo) ||
          !r.Get(&o.month) || !r.Get(&o.nth) || !r.Get(&o.weekday) || !r.Get(&o.monthDay) ||
          (version >= 2 && !r.Get(&o.dayShift)) || !r.Get(&o.until) || !r.Count(&k, 8)) {
        return damaged(L"zones");
      }
      if (o.month < 0 || o.month > 12 || o.weekday > 6 || o.nth < -5 || o.nth > 5 ||
          o.dayShift < -366 || o.dayShift > 366) {
        return damaged(L"zones");
      }
      o.extraOnsets.resize(k);
      for (CivilSeconds& t : o.extraOnsets) {
        if (!r.Get(&t)) return damaged(L"zones");
      }
    }
  }
  if (!r.Count(&n, 40) || n > kMaxAppointments) return damaged(L"appointments");
  store->appointments.resize(n);
  for (Appointment& a : store->appointments) {
    uint32_t m = 0;
    uint8_t allDay = 0, frame = 0;
    if (!r.Text(&a.subject) || (version >= 3 && !r.Text(&a.location)) || !r.Count(&m, 4)) {
      return damaged(L"appointments");
    }
    a.categories.resize(m);
    for (std::wstring& c : a.categories) {
      if (!r.Text(&c)) return damaged(L"appointments");
    }
    if (!r.Get(&a.start) || !r.Get(&a.durationSeconds) || !r.Get(&allDay) || !r.Get(&frame) ||
        !r.Get(&a.zoneIndex) || !r.Get(&a.busyStatus) || !GetRule(r, &a.rule) ||
        !r.Count(&m, 8)) {
      return damaged(L"appointments");
    }
    if (frame > static_cast<uint8_t>(TimeFrame::Zone) || a.durationSeconds < 0 ||
        (frame == static_cast<uint8_t>(TimeFrame::Zone) && a.zoneIndex >= store->zones.size())) {
      return damaged(L"appointments");
    }
    a.allDay = allDay != 0;
    a.frame = static_cast<TimeFrame>(frame);
    a.exceptionDays.resize(m);
    for (int64_t& d : a.exceptionDays) {
      if (!r.Get(&d)) return damaged(L"appointments");
    }
  }
  if (!r.Count(&n, 4)) return damaged(L"categories");
  store->categories.resize(n);
  for (std::wstring& c : store->categories) {
    if (!r.Text(&c)) return damaged(L"categories");
  }
  if (!r.AtEnd()) return damaged(L"trailing data");
  return true;
}

bool LoadCalendarStore(const std::wstring& path, CalendarStore* store, std::wstring* error) {
  std::string bytes;
  DWORD lastError = 0;
  if (!ReadWholeFile(path, &bytes, &lastError)) {
    *store = CalendarStore{};
    if (lastError == ERROR_FILE_NOT_FOUND || lastError == ERROR_PATH_NOT_FOUND) return true;
    *error = L"cannot read " + path + L" (error " + std::to_wstring(lastError) + L")";
    return false;
  }
  return DeserializeCalendar(bytes, store, error);
}

bool SaveCalendarStore(const std::wstring& path, const CalendarStore& store, std::wstring* error) {
  if (store.appointments.size() > kMaxAppointments) {
    *error = L"the calendar would hold more than " + std::to_wstring(kMaxAppointments) +
             L" appointments";
    return false;
  }
  const std::string bytes = SerializeCalendar(store);
  const std::wstring temp = path + L".new";
  {
    UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      *error = L"cannot write " + temp + L" (error " + std::to_wstring(GetLastError()) + L")";
      return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD wrote = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
      if (!WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) || wrote == 0) {
        *error = L"cannot write " + temp + L" (error " + std::to_wstring(GetLastError()) + L")";
        file.reset();
        DeleteFileW(temp.c_str());
        return false;
      }
      done += wrote;
    }
    FlushFileBuffers(file.get());
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = L"cannot replace " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

bool ImportIntoStore(const std::string& icsBytes, const std::wstring& storePath,
                     IcsImport* summary, std::wstring* error) {
  if (!ParseIcs(icsBytes, summary, error)) return false;
  CalendarStore store;
  if (!LoadCalendarStore(storePath, &store, error)) return false;
  if (store.appointments.size() + summary->appointments.size() > kMaxAppointments) {
    *error = L"the calendar would hold more than " + std::to_wstring(kMaxAppointments) +
             L" appointments";
    return false;
  }
  const uint32_t zoneBase = static_cast<uint32_t>(store.zones.size());
  store.zones.insert(store.zones.end(), summary->zones.begin(), summary->zones.end());
  for (Appointment a : summary->appointments) {
    if (a.frame == TimeFrame::Zone) a.zoneIndex += zoneBase;
    AddCategories(store, a.categories);
    store.appointments.push_back(std::move(a));
  }
  return SaveCalendarStore(storePath, store, error);
}
