#include "calendar/tz_database.h"

#include <windows.h>

#include "common/scoped.h"

namespace {

constexpr size_t kMaxZoneFileBytes = 256 * 1024;
constexpr size_t kMaxZoneNameChars = 128;
constexpr size_t kHeaderBytes = 44;
// UTC offsets a zone file may hold: -24:59:59 .. +25:59:59.
constexpr int64_t kMinOffset = -89999;
constexpr int64_t kMaxOffset = 93599;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// ---- POSIX TZ strings ------------------------------------------------------------------------

class TzText {
 public:
  explicit TzText(const std::string& s) : s_(s) {}
  bool AtEnd() const { return i_ == s_.size(); }
  bool Peek(char c) const { return i_ < s_.size() && s_[i_] == c; }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++i_;
    return true;
  }
  // "CET", or a quoted "<+0330>".
  bool Name() {
    if (Take('<')) {
      const size_t close = s_.find('>', i_);
      if (close == std::string::npos || close - i_ < 3) return false;
      for (; i_ < close; ++i_) {
        if (!IsAlpha(s_[i_]) && !IsDigit(s_[i_]) && s_[i_] != '+' && s_[i_] != '-') return false;
      }
      ++i_;
      return true;
    }
    const size_t start = i_;
    while (i_ < s_.size() && IsAlpha(s_[i_])) ++i_;
    return i_ - start >= 3;
  }
  // [+|-]hh[:mm[:ss]] in seconds, hours up to `maxHours`.
  bool Clock(int64_t maxHours, int64_t* seconds) {
    const bool negative = Take('-');
    if (!negative) Take('+');
    int64_t h = 0, m = 0, s = 0;
    if (!Number(0, maxHours, &h)) return false;
    if (Take(':') && (!Number(0, 59, &m) || (Take(':') && !Number(0, 59, &s)))) return false;
    *seconds = (h * 3600 + m * 60 + s) * (negative ? -1 : 1);
    return true;
  }
  bool Number(int64_t lo, int64_t hi, int64_t* out) {
    int64_t v = 0;
    size_t digits = 0;
    while (i_ < s_.size() && IsDigit(s_[i_]) && digits < 3) {
      v = v * 10 + (s_[i_++] - '0');
      ++digits;
    }
    if (digits == 0 || v < lo || v > hi) return false;
    *out = v;
    return true;
  }

 private:
  static bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  const std::string& s_;
  size_t i_ = 0;
};

// One change of a rule ("M3.5.0/3", "J60", "59/26") as a yearly onset. Its time may lie outside
// the day (up to 167 hours either way): the whole days go into the day shift, the rest is kept in
// `firstOnset` as the onset's time of day.
bool ReadChange(TzText& t, ZoneObservance* o) {
  int64_t a = 0, b = 0, c = 0;
  if (t.Take('M')) {
    if (!t.Number(1, 12, &a) || !t.Take('.') || !t.Number(1, 5, &b) || !t.Take('.') ||
        !t.Number(0, 6, &c)) {
      return false;
    }
    o->month = static_cast<int32_t>(a);
    o->nth = b == 5 ? -1 : static_cast<int32_t>(b);  // week 5 is the month's last
    o->weekday = static_cast<int32_t>(c);
  } else if (t.Take('J')) {
    if (!t.Number(1, 365, &a)) return false;
    // Counts days of a year without February 29.
    const CivilDate d = CivilFromDays(DaysFromCivil(2001, 1, 1) + a - 1);
    o->month = d.month;
    o->monthDay = d.day;
  } else {
    if (!t.Number(0, 365, &a)) return false;
    o->month = 1;
    o->monthDay = 1;
    o->dayShift = static_cast<int32_t>(a);
  }
  int64_t time = 2 * 3600;
  if (t.Take('/') && !t.Clock(167, &time)) return false;
  const int64_t days = FloorDiv(time, kSecondsPerDay);
  o->dayShift += static_cast<int32_t>(days);
  o->firstOnset = time - days * kSecondsPerDay;
  return true;
}

ZoneObservance Fixed(CivilSeconds from, int32_t offset) {
  ZoneObservance o;
  o.firstOnset = from;
  o.offsetFrom = offset;
  o.offsetTo = offset;
  return o;
}

// "Daylight time all year" is written as a change at the start of the year and one at its end.
bool DaylightAllYear(const ZoneObservance& toDst, const ZoneObservance& toStd) {
  const CivilSeconds start = YearlyOnset(toDst, 2001), end = YearlyOnset(toStd, 2001);
  if (start == INT64_MIN || end == INT64_MIN) return false;
  return (end - toStd.offsetFrom) - (start - toDst.offsetFrom) >= 365 * kSecondsPerDay;
}

// Makes the first onset of `o` the first one after `after`.
bool StartAfter(ZoneObservance* o, CivilSeconds after) {
  const int year = after <= 0 ? 1 : CivilFromDays(DayOf(after)).year;
  for (int y = year > 1 ? year - 1 : 1; y <= year + 2; ++y) {
    const CivilSeconds onset = YearlyOnset(*o, y);
    if (onset != INT64_MIN && onset > after) {
      o->firstOnset = onset;
      return true;
    }
  }
  return false;
}

// ---- TZif files ------------------------------------------------------------------------------

uint32_t Be32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t{u[0]} << 24 | uint32_t{u[1]} << 16 | uint32_t{u[2]} << 8 | uint32_t{u[3]};
}

int64_t ReadTime(const char* p, size_t bytes) {
  if (bytes == 4) return static_cast<int32_t>(Be32(p));
  return static_cast<int64_t>(uint64_t{Be32(p)} << 32 | Be32(p + 4));
}

struct TzifHeader {
  char version = 0;
  uint32_t isut = 0, isstd = 0, leap = 0, time = 0, type = 0, chars = 0;
};

// The header at `at`; false unless it is sound and the data block after it, with times
// `timeBytes` long, lies inside the file. `blockBytes` is that block's size.
bool ReadHeader(const std::string& b, size_t at, size_t timeBytes, TzifHeader* h,
                size_t* blockBytes) {
  if (at > b.size() || b.size() - at < kHeaderBytes || b.compare(at, 4, "TZif") != 0) return false;
  const char* p = b.data() + at;
  h->version = p[4];
  h->isut = Be32(p + 20);
  h->isstd = Be32(p + 24);
  h->leap = Be32(p + 28);
  h->time = Be32(p + 32);
  h->type = Be32(p + 36);
  h->chars = Be32(p + 40);
  // A transition names its type in one byte.
  if (h->type == 0 || h->type > 256 || (h->isut != 0 && h->isut != h->type) ||
      (h->isstd != 0 && h->isstd != h->type)) {
    return false;
  }
  const uint64_t size = uint64_t{h->time} * (timeBytes + 1) + uint64_t{h->type} * 6 + h->chars +
                        uint64_t{h->leap} * (timeBytes + 4) + h->isstd + h->isut;
  if (size > b.size() - at - kHeaderBytes) return false;
  *blockBytes = static_cast<size_t>(size);
  return true;
}

}  // namespace

bool IsSafeZoneName(const std::wstring& name) {
  // The zone folder's "localtime" leads to the host's own zone, outside the folder.
  if (name.empty() || name.size() > kMaxZoneNameChars || name == L"localtime") return false;
  size_t partStart = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == L'/') {
      if (i == partStart) return false;  // a leading, doubled or trailing "/"
      partStart = i + 1;
      continue;
    }
    const wchar_t c = name[i];
    const bool allowed = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
                         (c >= L'0' && c <= L'9') || c == L'_' || c == L'-' || c == L'+';
    if (!allowed) return false;  // no dots, so no "..", and no "\" or ":"
  }
  return true;
}

bool ObservancesFromPosixTz(const std::string& tz, CivilSeconds after,
                            std::vector<ZoneObservance>* out) {
  TzText t(tz);
  int64_t stdWest = 0;
  if (!t.Name() || !t.Clock(24, &stdWest)) return false;
  const int32_t standard = static_cast<int32_t>(-stdWest);  // POSIX counts west of UTC
  if (t.AtEnd()) {
    out->push_back(Fixed(after, standard));
    return true;
  }
  int64_t dstWest = stdWest - 3600;
  if (!t.Name() || (!t.Peek(',') && !t.Clock(24, &dstWest))) return false;
  const int32_t daylight = static_cast<int32_t>(-dstWest);
  ZoneObservance toDst, toStd;
  if (!t.Take(',') || !ReadChange(t, &toDst) || !t.Take(',') || !ReadChange(t, &toStd) ||
      !t.AtEnd()) {
    return false;
  }
  toDst.offsetFrom = toStd.offsetTo = standard;
  toDst.offsetTo = toStd.offsetFrom = daylight;
  if (DaylightAllYear(toDst, toStd)) {
    out->push_back(Fixed(after, daylight));
    return true;
  }
  if (!StartAfter(&toDst, after) || !StartAfter(&toStd, after)) return false;
  out->push_back(toDst);
  out->push_back(toStd);
  return true;
}

std::optional<TimeZoneDef> ZoneFromTzif(const std::string& b, const std::wstring& id) {
  if (b.size() > kMaxZoneFileBytes) return std::nullopt;
  TzifHeader h;
  size_t block = 0;
  if (!ReadHeader(b, 0, 4, &h, &block)) return std::nullopt;
  size_t at = kHeaderBytes;
  size_t timeBytes = 4;
  const bool withFooter = h.version >= '2';
  if (withFooter) {
    // The 32-bit data is for old readers: the 64-bit header and data follow it.
    at += block;
    if (!ReadHeader(b, at, 8, &h, &block)) return std::nullopt;
    at += kHeaderBytes;
    timeBytes = 8;
  } else if (h.version != 0) {
    return std::nullopt;
  }
  const char* times = b.data() + at;
  const char* typeOf = times + size_t{h.time} * timeBytes;
  const char* types = typeOf + h.time;
  // Times that count leap seconds (the "right/" zones) end their table within a few years and
  // have no rule for the dates after it.
  if (h.leap != 0) return std::nullopt;

  std::vector<int32_t> offsets(h.type);
  for (uint32_t i = 0; i < h.type; ++i) {
    const char* p = types + size_t{i} * 6;
    const int64_t offset = static_cast<int32_t>(Be32(p));
    const auto isDst = static_cast<unsigned char>(p[4]);
    const auto designation = static_cast<unsigned char>(p[5]);
    if (offset < kMinOffset || offset > kMaxOffset || isDst > 1 || designation >= h.chars) {
      return std::nullopt;
    }
    offsets[i] = static_cast<int32_t>(offset);
  }

  // Civil seconds of the Unix epoch, and the Unix times whose wall clock stays in the years a
  // calendar holds whatever the offset.
  const int64_t epoch = DaysFromCivil(1970, 1, 1) * kSecondsPerDay;
  const int64_t lo = DaysFromCivil(1601, 1, 3) * kSecondsPerDay - epoch;
  const int64_t hi = DaysFromCivil(9999, 12, 29) * kSecondsPerDay - epoch;

  TimeZoneDef zone;
  zone.id = id;
  int32_t current = offsets[0];  // type 0 holds before the first transition
  int64_t previous = INT64_MIN;
  CivilSeconds lastChange = 0;
  for (uint32_t i = 0; i < h.time; ++i) {
    const int64_t t = ReadTime(times + size_t{i} * timeBytes, timeBytes);
    const auto type = static_cast<unsigned char>(typeOf[i]);
    if (type >= h.type || t <= previous) return std::nullopt;
    previous = t;
    if (t < lo) {
      current = offsets[type];
      continue;
    }
    if (t > hi) break;
    lastChange = epoch + t + current;
    if (offsets[type] == current) continue;
    ZoneObservance o;
    o.firstOnset = lastChange;
    o.offsetFrom = current;
    o.offsetTo = offsets[type];
    zone.observances.push_back(o);
    current = offsets[type];
  }
  if (zone.observances.empty()) zone.observances.push_back(Fixed(0, current));
  if (!withFooter) return zone;

  // The footer: a POSIX TZ string between two newlines, for times after the last transition.
  const size_t footer = at + block;
  if (footer >= b.size() || b[footer] != '\n') return std::nullopt;
  const size_t end = b.find('\n', footer + 1);
  if (end == std::string::npos) return std::nullopt;
  const std::string tz = b.substr(footer + 1, end - footer - 1);
  if (!tz.empty() && !ObservancesFromPosixTz(tz, lastChange, &zone.observances)) {
    return std::nullopt;
  }
  return zone;
}

std::optional<TimeZoneDef> LoadTzDatabaseZone(const std::wstring& name) {
  if (!IsSafeZoneName(name)) return std::nullopt;
  std::wstring path = std::wstring(kZoneInfoFolder) + L"\\" + name;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      size.QuadPart > static_cast<LONGLONG>(kMaxZoneFileBytes)) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
       got != bytes.size())) {
    return std::nullopt;
  }
  return ZoneFromTzif(bytes, name);
}
