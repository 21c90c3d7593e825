#include "calendar/calendar_view.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <mutex>

#include "calendar/calendar_store.h"
#include "calendar/recurrence.h"
#include "common/scoped.h"

namespace {
// A single appointment spanning more days than this is kept out of the day index and looked at
// by every search instead.
constexpr int64_t kMaxIndexedDays = 62;
// Recurring appointments longer than this lose their earlier occurrences' tails in a search.
constexpr int64_t kMaxOccurrenceDays = 370;

bool Touches(const Occurrence& o, CivilSeconds from, CivilSeconds to) {
  if (o.localStart >= to) return false;
  if (o.localEnd == o.localStart) return o.localStart >= from;
  return o.localEnd > from;
}

int64_t LastDayOf(const Occurrence& o) {
  return o.localEnd > o.localStart ? DayOf(o.localEnd - 1) : DayOf(o.localEnd);
}
}  // namespace

CalendarView::CalendarView(CalendarStore store) : store_(std::move(store)) {
  for (uint32_t i = 0; i < store_.appointments.size(); ++i) {
    const Appointment& a = store_.appointments[i];
    if (a.rule.freq != Frequency::None) {
      unindexed_.push_back(i);
      continue;
    }
    const Occurrence o = Place(i, a.start);
    const int64_t first = DayOf(o.localStart), last = LastDayOf(o);
    if (last - first > kMaxIndexedDays) {
      unindexed_.push_back(i);
      continue;
    }
    for (int64_t d = first; d <= last; ++d) byDay_.emplace_back(d, i);
  }
  std::sort(byDay_.begin(), byDay_.end());
}

Occurrence CalendarView::Place(uint32_t index, CivilSeconds frameStart) const {
  const Appointment& a = store_.appointments[index];
  Occurrence o;
  o.appointment = index;
  switch (a.frame) {
    case TimeFrame::Floating:
      o.localStart = frameStart;
      o.localEnd = frameStart + a.durationSeconds;
      break;
    case TimeFrame::Utc:
      o.localStart = UtcToDeviceLocal(frameStart);
      o.localEnd = UtcToDeviceLocal(frameStart + a.durationSeconds);
      break;
    case TimeFrame::Zone: {
      const CivilSeconds utc =
          frameStart - ZoneOffsetAt(store_.zones[a.zoneIndex], frameStart);
      o.localStart = UtcToDeviceLocal(utc);
      o.localEnd = UtcToDeviceLocal(utc + a.durationSeconds);
      break;
    }
  }
  return o;
}

std::vector<Occurrence> CalendarView::Touching(int64_t firstDay, int64_t lastDay,
                                               bool expand) const {
  std::vector<Occurrence> found;
  if (lastDay < firstDay) return found;
  const CivilSeconds from = firstDay * kSecondsPerDay;
  const CivilSeconds to = (lastDay + 1) * kSecondsPerDay;

  std::vector<uint32_t> singles;
  const auto from_it = std::lower_bound(byDay_.begin(), byDay_.end(), std::make_pair(firstDay, 0u));
  const auto to_it = std::lower_bound(from_it, byDay_.end(), std::make_pair(lastDay + 1, 0u));
  singles.reserve(static_cast<size_t>(to_it - from_it));
  for (auto it = from_it; it != to_it; ++it) singles.push_back(it->second);
  std::sort(singles.begin(), singles.end());
  singles.erase(std::unique(singles.begin(), singles.end()), singles.end());
  found.reserve(singles.size() + unindexed_.size());
  for (uint32_t i : singles) {
    const Occurrence o = Place(i, store_.appointments[i].start);
    if (Touches(o, from, to)) found.push_back(o);
  }

  for (uint32_t i : unindexed_) {
    const Appointment& a = store_.appointments[i];
    if (a.rule.freq == Frequency::None || !expand) {
      const Occurrence o = Place(i, a.start);
      if (Touches(o, from, to)) found.push_back(o);
      continue;
    }
    // Frame days that can hold an occurrence reaching into the searched days; two days of
    // slack cover the difference between the series' zone and the device's.
    const int64_t spanDays = std::min(a.durationSeconds / kSecondsPerDay, kMaxOccurrenceDays);
    const int64_t startDay = DayOf(a.start);
    const int64_t lo = std::max(firstDay - spanDays - 2, startDay);
    const int64_t hi = std::min(lastDay + 2, a.rule.lastDay);
    const CivilSeconds timeOfDay = a.start - startDay * kSecondsPerDay;
    for (int64_t day = lo; day <= hi; ++day) {
      if (!OccursOnDay(a, day)) continue;
      const Occurrence o = Place(i, day * kSecondsPerDay + timeOfDay);
      if (Touches(o, from, to)) found.push_back(o);
    }
  }
  std::sort(found.begin(), found.end(), [](const Occurrence& x, const Occurrence& y) {
    if (x.localStart != y.localStart) return x.localStart < y.localStart;
    if (x.localEnd != y.localEnd) return x.localEnd < y.localEnd;
    return x.appointment < y.appointment;
  });
  return found;
}

// ---- Restriction text ------------------------------------------------------------------------

namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::iswspace(s[b])) ++b;
  while (e > b && std::iswspace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::wstring LocaleText(LCTYPE type) {
  wchar_t buffer[96] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 96) <= 0) return {};
  return buffer;
}

int TwoDigitYear(int yy) {
  DWORD max = 2029;
  if (GetCalendarInfoW(LOCALE_USER_DEFAULT, CAL_GREGORIAN, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER,
                       nullptr, 0, &max) == 0 ||
      max < 99 || max > 9999) {
    max = 2029;
  }
  int year = static_cast<int>(max / 100 * 100) + yy;
  if (year > static_cast<int>(max)) year -= 100;
  return year;
}

bool ReadNumber(const std::wstring& s, size_t* j, size_t maxDigits, int* out) {
  size_t n = 0;
  int v = 0;
  while (*j < s.size() && n < maxDigits && s[*j] >= L'0' && s[*j] <= L'9') {
    v = v * 10 + (s[(*j)++] - L'0');
    ++n;
  }
  *out = v;
  return n > 0;
}

bool ReadMonthName(const std::wstring& s, size_t* j, int* month) {
  size_t end = *j;
  while (end < s.size() && (std::iswalpha(s[end]) || s[end] == L'.')) ++end;
  std::wstring word = s.substr(*j, end - *j);
  if (!word.empty() && word.back() == L'.') word.pop_back();
  for (int m = 0; m < 12; ++m) {
    if (EqualNoCase(word, LocaleText(LOCALE_SMONTHNAME1 + m)) ||
        EqualNoCase(word, LocaleText(LOCALE_SABBREVMONTHNAME1 + m))) {
      *month = m + 1;
      *j = end;
      return true;
    }
  }
  return false;
}

bool ParseWithPicture(const std::wstring& s, const std::wstring& picture, int64_t* dayOut) {
  int year = -1, month = -1, day = -1;
  size_t i = 0, j = 0;
  while (i < picture.size()) {
    const wchar_t p = picture[i];
    if (p == L'\'') {
      size_t close = picture.find(L'\'', i + 1);
      if (close == std::wstring::npos) close = picture.size();
      const std::wstring literal = picture.substr(i + 1, close - i - 1);
      if (s.compare(j, literal.size(), literal) != 0) return false;
      j += literal.size();
      i = close + 1;
      continue;
    }
    if (p == L'd' || p == L'M' || p == L'y' || p == L'g') {
      size_t run = 0;
      while (i < picture.size() && picture[i] == p) ++i, ++run;
      if (p == L'd' && run <= 2) {
        if (!ReadNumber(s, &j, 2, &day)) return false;
      } else if (p == L'M' && run <= 2) {
        if (!ReadNumber(s, &j, 2, &month)) return false;
      } else if (p == L'M') {
        if (!ReadMonthName(s, &j, &month)) return false;
      } else if (p == L'y') {
        const size_t before = j;
        if (!ReadNumber(s, &j, run <= 2 ? 2 : 4, &year)) return false;
        if (j - before <= 2) year = TwoDigitYear(year);
      } else {
        while (j < s.size() && (std::iswalpha(s[j]) || s[j] == L'.')) ++j;  // day name, era
      }
      continue;
    }
    if (j >= s.size() || s[j] != p) return false;
    ++i, ++j;
  }
  if (j != s.size() || year < 0 || month < 0 || day < 0) return false;
  if (!ValidDate(year, month, day)) return false;
  *dayOut = DaysFromCivil(year, month, day);
  return true;
}

bool Compare(int64_t a, RestrictionClause::Op op, int64_t b) {
  switch (op) {
    case RestrictionClause::Op::Less: return a < b;
    case RestrictionClause::Op::LessEqual: return a <= b;
    case RestrictionClause::Op::Equal: return a == b;
    case RestrictionClause::Op::NotEqual: return a != b;
    case RestrictionClause::Op::GreaterEqual: return a >= b;
    case RestrictionClause::Op::Greater: return a > b;
  }
  return false;
}

}  // namespace

bool ParseDeviceShortDate(const std::wstring& raw, int64_t* day) {
  const std::wstring text = Trim(raw);
  int y = 0, m = 0, d = 0;
  if (text.size() == 10 && text[4] == L'-' && text[7] == L'-' &&
      swscanf(text.c_str(), L"%4d-%2d-%2d", &y, &m, &d) == 3 && ValidDate(y, m, d)) {
    *day = DaysFromCivil(y, m, d);
    return true;
  }
  const std::wstring picture = LocaleText(LOCALE_SSHORTDATE);
  return !picture.empty() && ParseWithPicture(text, picture, day);
}

bool ParseRestriction(const std::wstring& text, Restriction* out, std::wstring* error) {
  using Op = RestrictionClause::Op;
  *out = Restriction{};
  int64_t first = INT64_MIN, last = INT64_MAX;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && std::iswspace(text[i])) ++i;
  };
  auto fail = [&](const std::wstring& why) {
    *error = why + L" at character " + std::to_wstring(i + 1);
    return false;
  };
  for (;;) {
    skipBlanks();
    if (i >= text.size() || text[i] != L'[') return fail(L"\"[\" expected");
    const size_t close = text.find(L']', i);
    if (close == std::wstring::npos) return fail(L"\"]\" missing");
    const std::wstring name = text.substr(i + 1, close - i - 1);
    i = close + 1;
    RestrictionClause c{};
    if (EqualNoCase(name, L"Start")) c.field = RestrictionClause::Field::Start;
    else if (EqualNoCase(name, L"End")) c.field = RestrictionClause::Field::End;
    else if (EqualNoCase(name, L"Categories")) c.field = RestrictionClause::Field::Categories;
    else return fail(L"unknown property [" + name + L"]");
    skipBlanks();
    static const std::pair<const wchar_t*, Op> kOps[] = {
        {L"<=", Op::LessEqual}, {L">=", Op::GreaterEqual}, {L"<>", Op::NotEqual},
        {L"=", Op::Equal},      {L"<", Op::Less},          {L">", Op::Greater}};
    bool haveOp = false;
    for (const auto& [spelling, op] : kOps) {
      if (text.compare(i, wcslen(spelling), spelling) == 0) {
        c.op = op;
        i += wcslen(spelling);
        haveOp = true;
        break;
      }
    }
    if (!haveOp) return fail(L"comparison expected");
    skipBlanks();
    if (i >= text.size() || text[i] != L'"') return fail(L"quoted value expected");
    const size_t endQuote = text.find(L'"', i + 1);
    if (endQuote == std::wstring::npos) return fail(L"closing quote missing");
    const std::wstring value = text.substr(i + 1, endQuote - i - 1);
    i = endQuote + 1;
    if (c.field == RestrictionClause::Field::Categories) {
      if (c.op != Op::Equal && c.op != Op::NotEqual) return fail(L"categories compare with = or <>");
      size_t pos = 0;
      while (pos <= value.size()) {
        size_t comma = value.find(L',', pos);
        if (comma == std::wstring::npos) comma = value.size();
        std::wstring n = Trim(value.substr(pos, comma - pos));
        if (!n.empty()) c.names.push_back(std::move(n));
        pos = comma + 1;
      }
    } else {
      if (!ParseDeviceShortDate(value, &c.day)) return fail(L"\"" + value + L"\" is not a date");
      switch (c.op) {
        case Op::Less: last = std::min(last, c.day - 1); break;
        case Op::LessEqual: last = std::min(last, c.day); break;
        case Op::Equal:
          last = std::min(last, c.day);
          first = std::max(first, c.day);
          break;
        case Op::GreaterEqual: first = std::max(first, c.day); break;
        case Op::Greater: first = std::max(first, c.day + 1); break;
        case Op::NotEqual: break;
      }
    }
    out->clauses.push_back(std::move(c));
    skipBlanks();
    if (i >= text.size()) break;
    if (text.size() - i < 4 || !EqualNoCase(text.substr(i, 3), L"AND") ||
        !(std::iswspace(text[i + 3]) || text[i + 3] == L'[')) {
      return fail(L"AND expected");
    }
    i += 3;
  }
  if (first == INT64_MIN || last == INT64_MAX) {
    *error = L"the restriction does not limit the days searched";
    return false;
  }
  if (last >= first && last - first >= kMaxSearchDays) {
    *error = L"the restriction spans more than a year";
    return false;
  }
  out->firstDay = first;
  out->lastDay = last;
  return true;
}

bool Satisfies(const Restriction& r, const CalendarStore& store, const Occurrence& o) {
  const Appointment& a = store.appointments[o.appointment];
  for (const RestrictionClause& c : r.clauses) {
    switch (c.field) {
      case RestrictionClause::Field::Start:
        if (!Compare(DayOf(o.localStart), c.op, c.day)) return false;
        break;
      case RestrictionClause::Field::End:
        if (!Compare(LastDayOf(o), c.op, c.day)) return false;
        break;
      case RestrictionClause::Field::Categories: {
        bool any = false;
        for (const std::wstring& wanted : c.names) {
          for (const std::wstring& held : a.categories) any = any || EqualNoCase(wanted, held);
        }
        if (any != (c.op == RestrictionClause::Op::Equal)) return false;
        break;
      }
    }
  }
  return true;
}

// ---- The shared view ---------------------------------------------------------------------

namespace {
struct FileStamp {
  bool exists = false;
  DWORD volume = 0, indexHigh = 0, indexLow = 0;
  FILETIME written{};
  ULONGLONG size = 0;
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && volume == o.volume && indexHigh == o.indexHigh &&
           indexLow == o.indexLow && written.dwLowDateTime == o.written.dwLowDateTime &&
           written.dwHighDateTime == o.written.dwHighDateTime && size == o.size;
  }
};

bool StampOf(const std::wstring& path, FileStamp* stamp) {
  *stamp = FileStamp{};
  UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD e = GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return false;
  stamp->exists = true;
  stamp->volume = info.dwVolumeSerialNumber;
  stamp->indexHigh = info.nFileIndexHigh;
  stamp->indexLow = info.nFileIndexLow;
  stamp->written = info.ftLastWriteTime;
  stamp->size = (ULONGLONG{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return true;
}

std::mutex g_viewLock;
std::wstring g_viewPath;
FileStamp g_viewStamp;
std::shared_ptr<const CalendarView> g_view;
}  // namespace

std::shared_ptr<const CalendarView> OpenCalendarView(const std::wstring& path,
                                                     std::wstring* error) {
  FileStamp stamp;
  if (!StampOf(path, &stamp)) {
    *error = L"cannot look at " + path;
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_viewLock);
  if (g_view && g_viewPath == path && g_viewStamp == stamp) return g_view;
  CalendarStore store;
  if (!LoadCalendarStore(path, &store, error)) return nullptr;
  g_view = std::make_shared<const CalendarView>(std::move(store));
  g_viewPath = path;
  g_viewStamp = stamp;
  return g_view;
}
