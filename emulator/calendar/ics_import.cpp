#include "calendar/ics_import.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <optional>
#include <set>

#include "calendar/recurrence.h"
#include "calendar/tz_database.h"

namespace {

// Longer series are cut here; a COUNT is searched no further than this from the first day.
constexpr int64_t kHorizonDays = 200 * 366;
constexpr int64_t kMaxDurationSeconds = int64_t{10} * 366 * kSecondsPerDay;
constexpr int kMaxNesting = 32;
// Longest TZID looked up in the zone database.
constexpr size_t kMaxZoneIdChars = 256;

struct ParseError {
  size_t line;
  std::wstring reason;
};

struct ContentLine {
  size_t line = 0;
  std::wstring name;  // upper case
  std::map<std::wstring, std::vector<std::wstring>> params;  // upper-case names
  std::wstring value;

  const std::wstring* Param(const wchar_t* key) const {
    auto it = params.find(key);
    return it == params.end() || it->second.empty() ? nullptr : &it->second.front();
  }
};

struct Component {
  std::wstring name;
  size_t line = 0;
  std::vector<ContentLine> props;
  std::vector<Component> children;

  const ContentLine* First(const wchar_t* key) const {
    for (const ContentLine& p : props) {
      if (p.name == key) return &p;
    }
    return nullptr;
  }
};

[[noreturn]] void Fail(size_t line, std::wstring reason) { throw ParseError{line, std::move(reason)}; }

std::wstring Upper(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == L' ' || s[b] == L'\t')) ++b;
  while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t')) --e;
  return s.substr(b, e - b);
}

std::wstring DecodeUtf8(const std::string& bytes) {
  size_t start = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  if (bytes.find('\0') != std::string::npos) Fail(0, L"the file holds a NUL character");
  if (start == bytes.size()) return {};
  const char* data = bytes.data() + start;
  const int size = static_cast<int>(bytes.size() - start);
  const int chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, size, nullptr, 0);
  if (chars <= 0) Fail(0, L"the file is not UTF-8 text");
  std::wstring text(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, size, text.data(), chars);
  return text;
}

// Splits at CRLF, LF or a lone CR and joins folded lines (a line that starts with a blank or a
// tab continues the one before).
std::vector<std::pair<size_t, std::wstring>> UnfoldLines(const std::wstring& text) {
  std::vector<std::pair<size_t, std::wstring>> lines;
  size_t lineNo = 0, pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring raw = text.substr(pos, end - pos);
    ++lineNo;
    pos = end;
    if (pos < text.size()) {
      const bool crlf = text[pos] == L'\r' && pos + 1 < text.size() && text[pos + 1] == L'\n';
      pos += crlf ? 2 : 1;
    }
    if (!raw.empty() && (raw[0] == L' ' || raw[0] == L'\t') && !lines.empty()) {
      lines.back().second.append(raw, 1, std::wstring::npos);
      continue;
    }
    if (Trim(raw).empty()) continue;
    lines.emplace_back(lineNo, std::move(raw));
  }
  return lines;
}

bool IsNameChar(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
         c == L'-' || c == L'_';
}

ContentLine ParseContentLine(size_t lineNo, const std::wstring& raw) {
  ContentLine cl;
  cl.line = lineNo;
  size_t i = 0;
  while (i < raw.size() && IsNameChar(raw[i])) ++i;
  if (i == 0) Fail(lineNo, L"a line without a property name");
  cl.name = Upper(raw.substr(0, i));
  while (i < raw.size() && raw[i] == L';') {
    ++i;
    size_t nameStart = i;
    while (i < raw.size() && IsNameChar(raw[i])) ++i;
    std::wstring pname = Upper(Trim(raw.substr(nameStart, i - nameStart)));
    while (i < raw.size() && raw[i] == L' ') ++i;
    if (pname.empty() || i >= raw.size() || raw[i] != L'=') {
      Fail(lineNo, L"a malformed parameter of " + cl.name);
    }
    ++i;
    std::vector<std::wstring>& values = cl.params[pname];
    for (;;) {
      std::wstring v;
      if (i < raw.size() && raw[i] == L'"') {
        size_t close = raw.find(L'"', i + 1);
        if (close == std::wstring::npos) Fail(lineNo, L"an unclosed quote in a parameter");
        v = raw.substr(i + 1, close - i - 1);
        i = close + 1;
      } else {
        size_t stop = raw.find_first_of(L";:,", i);
        if (stop == std::wstring::npos) Fail(lineNo, L"a line without \":\" before its value");
        v = raw.substr(i, stop - i);
        i = stop;
      }
      values.push_back(v);
      if (i < raw.size() && raw[i] == L',') {
        ++i;
        continue;
      }
      break;
    }
  }
  if (i >= raw.size() || raw[i] != L':') Fail(lineNo, L"a line without \":\" before its value");
  cl.value = raw.substr(i + 1);
  return cl;
}

bool IsKeptProperty(const std::wstring& name) {
  static const wchar_t* const kKept[] = {
      L"BEGIN", L"END", L"DTSTART", L"DTEND", L"DURATION", L"SUMMARY", L"LOCATION", L"CATEGORIES", L"TRANSP",
      L"X-MICROSOFT-CDO-BUSYSTATUS", L"RRULE", L"EXDATE", L"RDATE", L"RECURRENCE-ID", L"UID",
      L"STATUS", L"TZID", L"TZOFFSETFROM", L"TZOFFSETTO"};
  for (const wchar_t* k : kKept) {
    if (name == k) return true;
  }
  return false;
}

Component ReadComponents(const std::vector<std::pair<size_t, std::wstring>>& lines) {
  Component root;
  root.name = L"(file)";
  std::vector<Component*> stack{&root};
  for (const auto& [lineNo, raw] : lines) {
    ContentLine cl;
    try {
      cl = ParseContentLine(lineNo, raw);
    } catch (const ParseError&) {
      // A damaged line of a property the device does not keep is passed over.
      size_t n = 0;
      while (n < raw.size() && IsNameChar(raw[n])) ++n;
      if (n == 0 || IsKeptProperty(Upper(raw.substr(0, n)))) throw;
      continue;
    }
    if (cl.name == L"BEGIN") {
      std::wstring name = Upper(Trim(cl.value));
      if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameChar)) {
        Fail(lineNo, L"a component with an invalid name");
      }
      if (stack.size() > kMaxNesting) Fail(lineNo, L"components nested too deep");
      stack.back()->children.push_back(Component{name, lineNo, {}, {}});
      stack.push_back(&stack.back()->children.back());
    } else if (cl.name == L"END") {
      std::wstring name = Upper(Trim(cl.value));
      if (stack.size() == 1) Fail(lineNo, L"END:" + name + L" without its BEGIN");
      if (stack.back()->name != name) {
        Fail(lineNo, L"END:" + name + L" where END:" + stack.back()->name + L" was expected");
      }
      stack.pop_back();
    } else {
      if (stack.size() == 1) Fail(lineNo, L"a property outside any component");
      stack.back()->props.push_back(std::move(cl));
    }
  }
  if (stack.size() > 1) {
    Fail(stack.back()->line, L"BEGIN:" + stack.back()->name + L" is never ended");
  }
  return root;
}

// ---- Values ----------------------------------------------------------------------------------

bool Digits(const std::wstring& s, size_t pos, size_t count, int* out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < L'0' || s[i] > L'9') return false;
    v = v * 10 + (s[i] - L'0');
  }
  *out = v;
  return true;
}

struct TimeValue {
  CivilSeconds t = 0;
  bool isDate = false;
  bool utc = false;
};

std::optional<TimeValue> ParseTimeText(std::wstring s) {
  s = Trim(s);
  int y, mo, d;
  if (!Digits(s, 0, 4, &y) || !Digits(s, 4, 2, &mo) || !Digits(s, 6, 2, &d)) return std::nullopt;
  if (y < 1601 || y > 9998 || !ValidDate(y, mo, d)) return std::nullopt;
  TimeValue tv;
  tv.t = DaysFromCivil(y, mo, d) * kSecondsPerDay;
  if (s.size() == 8) {
    tv.isDate = true;
    return tv;
  }
  int h, mi, se;
  if (s.size() < 15 || (s[8] != L'T' && s[8] != L't') || !Digits(s, 9, 2, &h) ||
      !Digits(s, 11, 2, &mi) || !Digits(s, 13, 2, &se)) {
    return std::nullopt;
  }
  if (h > 23 || mi > 59 || se > 60) return std::nullopt;
  if (se == 60) se = 59;  // a leap second
  if (s.size() == 16 && (s[15] == L'Z' || s[15] == L'z')) tv.utc = true;
  else if (s.size() != 15) return std::nullopt;
  tv.t += h * 3600 + mi * 60 + se;
  return tv;
}

std::wstring UnescapeText(const std::wstring& v) {
  std::wstring out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != L'\\' || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    wchar_t n = v[++i];
    out += (n == L'n' || n == L'N') ? L'\n' : n;
  }
  return out;
}

std::vector<std::wstring> SplitList(const std::wstring& v) {
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == L'\\' && i + 1 < v.size()) {
      cur += v[i];
      cur += v[++i];
    } else if (v[i] == L',') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += v[i];
    }
  }
  parts.push_back(cur);
  return parts;
}

// "+0100", "-0530", "+013045"
std::optional<int32_t> ParseUtcOffset(std::wstring s) {
  s = Trim(s);
  if (s.size() != 5 && s.size() != 7) return std::nullopt;
  if (s[0] != L'+' && s[0] != L'-') return std::nullopt;
  int h, m, sec = 0;
  if (!Digits(s, 1, 2, &h) || !Digits(s, 3, 2, &m)) return std::nullopt;
  if (s.size() == 7 && !Digits(s, 5, 2, &sec)) return std::nullopt;
  if (h > 23 || m > 59 || sec > 59) return std::nullopt;
  const int32_t v = h * 3600 + m * 60 + sec;
  return s[0] == L'-' ? -v : v;
}

// "P1W", "PT1H30M", "P1DT2H", "-PT5M" (negative durations are refused by the caller)
std::optional<int64_t> ParseDuration(std::wstring s) {
  s = Upper(Trim(s));
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
  if (i >= s.size() || s[i++] != L'P') return std::nullopt;
  int64_t total = 0;
  bool inTime = false, any = false;
  while (i < s.size()) {
    if (s[i] == L'T') {
      if (inTime) return std::nullopt;
      inTime = true;
      ++i;
      continue;
    }
    int64_t n = 0;
    size_t digits = 0;
    while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') {
      if (++digits > 9) return std::nullopt;
      n = n * 10 + (s[i++] - L'0');
    }
    if (digits == 0 || i >= s.size()) return std::nullopt;
    const wchar_t unit = s[i++];
    if (!inTime && unit == L'W') total += n * 7 * kSecondsPerDay;
    else if (!inTime && unit == L'D') total += n * kSecondsPerDay;
    else if (inTime && unit == L'H') total += n * 3600;
    else if (inTime && unit == L'M') total += n * 60;
    else if (inTime && unit == L'S') total += n;
    else return std::nullopt;
    any = true;
  }
  if (!any) return std::nullopt;
  return negative ? -total : total;
}

const wchar_t* const kWeekdays[] = {L"SU", L"MO", L"TU", L"WE", L"TH", L"FR", L"SA"};

int WeekdayFromCode(const std::wstring& code) {
  for (int i = 0; i < 7; ++i) {
    if (code == kWeekdays[i]) return i;
  }
  return -1;
}

bool ParseInt(const std::wstring& s, int64_t lo, int64_t hi, int64_t* out) {
  if (s.empty() || s.size() > 12) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == L'+' || s[0] == L'-') {
    neg = s[0] == L'-';
    i = 1;
  }
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < L'0' || s[i] > L'9') return false;
    v = v * 10 + (s[i] - L'0');
  }
  if (neg) v = -v;
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

struct RuleText {
  Recurrence rule;
  std::optional<int64_t> count;
  std::optional<TimeValue> until;
};

RuleText ParseRule(const ContentLine& cl, bool zoneRule = false) {
  RuleText rt;
  bool haveFreq = false;
  std::wstring text = Upper(Trim(cl.value));
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find(L';', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring part = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (part.empty()) continue;
    const size_t eq = part.find(L'=');
    if (eq == std::wstring::npos) Fail(cl.line, L"a malformed recurrence rule part \"" + part + L"\"");
    const std::wstring key = Trim(part.substr(0, eq));
    const std::wstring value = Trim(part.substr(eq + 1));
    int64_t n = 0;
    if (key == L"FREQ") {
      haveFreq = true;
      if (value == L"DAILY") rt.rule.freq = Frequency::Daily;
      else if (value == L"WEEKLY") rt.rule.freq = Frequency::Weekly;
      else if (value == L"MONTHLY") rt.rule.freq = Frequency::Monthly;
      else if (value == L"YEARLY") rt.rule.freq = Frequency::Yearly;
      else Fail(cl.line, L"the recurrence frequency " + value + L" is not supported");
    } else if (key == L"INTERVAL") {
      if (!ParseInt(value, 1, 10000, &n)) Fail(cl.line, L"a recurrence INTERVAL out of range");
      rt.rule.interval = static_cast<int32_t>(n);
    } else if (key == L"COUNT") {
      if (!ParseInt(value, 1, 1000000000, &n)) Fail(cl.line, L"a recurrence COUNT out of range");
      rt.count = n;
    } else if (key == L"UNTIL") {
      rt.until = ParseTimeText(value);
      if (!rt.until) Fail(cl.line, L"a recurrence UNTIL that is not a date");
    } else if (key == L"WKST") {
      const int wd = WeekdayFromCode(value);
      if (wd < 0) Fail(cl.line, L"an unknown week start " + value);
      rt.rule.weekStart = static_cast<uint8_t>(wd);
    } else if (key == L"BYDAY") {
      for (const std::wstring& item : SplitList(value)) {
        std::wstring d = Trim(item);
        if (d.size() < 2) Fail(cl.line, L"a malformed BYDAY entry");
        const int wd = WeekdayFromCode(d.substr(d.size() - 2));
        int64_t ordinal = 0;
        if (wd < 0 || (d.size() > 2 && !ParseInt(d.substr(0, d.size() - 2), -5, 5, &ordinal))) {
          Fail(cl.line, L"a malformed BYDAY entry \"" + d + L"\"");
        }
        rt.rule.byDay.emplace_back(static_cast<int8_t>(ordinal), static_cast<uint8_t>(wd));
      }
    } else if (key == L"BYMONTHDAY") {
      for (const std::wstring& item : SplitList(value)) {
        if (!ParseInt(Trim(item), -31, 31, &n) || n == 0) Fail(cl.line, L"a malformed BYMONTHDAY");
        rt.rule.byMonthDay.push_back(static_cast<int8_t>(n));
      }
    } else if (key == L"BYMONTH") {
      for (const std::wstring& item : SplitList(value)) {
        if (!ParseInt(Trim(item), 1, 12, &n)) Fail(cl.line, L"a malformed BYMONTH");
        rt.rule.byMonth.push_back(static_cast<uint8_t>(n));
      }
    } else if (zoneRule && (key == L"BYHOUR" || key == L"BYMINUTE" || key == L"BYSECOND")) {
      continue;  // the onset's time of day comes from its DTSTART
    } else {
      Fail(cl.line, L"the recurrence rule part " + key + L" is not supported");
    }
  }
  if (!haveFreq) Fail(cl.line, L"a recurrence rule without FREQ");
  const bool ordinals = std::any_of(rt.rule.byDay.begin(), rt.rule.byDay.end(),
                                    [](const auto& e) { return e.first != 0; });
  if (ordinals && (rt.rule.freq == Frequency::Daily || rt.rule.freq == Frequency::Weekly)) {
    Fail(cl.line, L"a numbered BYDAY entry in a daily or weekly rule");
  }
  if (!rt.rule.byMonthDay.empty() && rt.rule.freq == Frequency::Weekly) {
    Fail(cl.line, L"BYMONTHDAY in a weekly rule");
  }
  return rt;
}

// ---- Time zones ------------------------------------------------------------------------------

TimeZoneDef ReadZone(const Component& c) {
  TimeZoneDef zone;
  const ContentLine* id = c.First(L"TZID");
  if (!id || Trim(id->value).empty()) Fail(c.line, L"a time zone without TZID");
  zone.id = Trim(id->value);
  for (const Component& part : c.children) {
    if (part.name != L"STANDARD" && part.name != L"DAYLIGHT") continue;
    ZoneObservance o;
    const ContentLine* start = part.First(L"DTSTART");
    const ContentLine* from = part.First(L"TZOFFSETFROM");
    const ContentLine* to = part.First(L"TZOFFSETTO");
    if (!start || !to) Fail(part.line, L"a time zone part without DTSTART or TZOFFSETTO");
    auto onset = ParseTimeText(start->value);
    if (!onset) Fail(start->line, L"a time zone onset that is not a date and time");
    auto offTo = ParseUtcOffset(to->value);
    if (!offTo) Fail(to->line, L"a malformed UTC offset \"" + to->value + L"\"");
    std::optional<int32_t> offFrom = offTo;
    if (from) {
      offFrom = ParseUtcOffset(from->value);
      if (!offFrom) Fail(from->line, L"a malformed UTC offset \"" + from->value + L"\"");
    }
    o.firstOnset = onset->t;
    o.offsetFrom = *offFrom;
    o.offsetTo = *offTo;
    for (const ContentLine& p : part.props) {
      if (p.name == L"RRULE") {
        RuleText rt = ParseRule(p, true);
        if (rt.rule.freq != Frequency::Yearly) continue;  // zone rules are yearly in practice
        const CivilDate first = CivilFromDays(DayOf(o.firstOnset));
        o.month = rt.rule.byMonth.empty() ? first.month : rt.rule.byMonth.front();
        if (!rt.rule.byDay.empty()) {
          o.weekday = rt.rule.byDay.front().second;
          o.nth = rt.rule.byDay.front().first;
          if (o.nth == 0 && !rt.rule.byMonthDay.empty()) {
            // e.g. BYDAY=SU;BYMONTHDAY=8,9,...,14: the second Sunday
            o.nth = (rt.rule.byMonthDay.front() + 6) / 7;
          }
          if (o.nth == 0) o.nth = 1;
        } else if (!rt.rule.byMonthDay.empty()) {
          o.monthDay = rt.rule.byMonthDay.front();
        }
        if (rt.until) o.until = rt.until->utc ? rt.until->t + o.offsetFrom : rt.until->t;
      } else if (p.name == L"RDATE") {
        for (const std::wstring& item : SplitList(p.value)) {
          std::wstring v = Trim(item);
          const size_t slash = v.find(L'/');
          if (slash != std::wstring::npos) v = v.substr(0, slash);
          auto extra = ParseTimeText(v);
          if (!extra) Fail(p.line, L"a time zone RDATE that is not a date");
          o.extraOnsets.push_back(extra->t);
        }
      }
    }
    zone.observances.push_back(std::move(o));
  }
  if (zone.observances.empty()) Fail(c.line, L"the time zone " + zone.id + L" has no STANDARD or DAYLIGHT part");
  return zone;
}

// ---- Events ----------------------------------------------------------------------------------

struct Context {
  IcsImport* out;
  std::map<std::wstring, uint32_t> zoneIds;
  std::set<std::wstring> unknownIds;
};

// The names a TZID may stand for: itself and, for a globally unique id ("/vendor/Europe/Berlin"),
// what follows each of its "/".
std::vector<std::wstring> ZoneNamesOf(const std::wstring& tzid) {
  std::vector<std::wstring> names{tzid};
  if (tzid.empty() || tzid[0] != L'/' || tzid.size() > kMaxZoneIdChars) return names;
  for (size_t slash = 0; slash != std::wstring::npos; slash = tzid.find(L'/', slash + 1)) {
    if (slash + 1 < tzid.size()) names.push_back(tzid.substr(slash + 1));
  }
  return names;
}

// The zone a TZID names: one the file defines, else one of the zone database. Nullopt when
// neither knows it; the import then reports the name.
std::optional<uint32_t> ResolveZone(Context& ctx, const std::wstring& tzid) {
  const std::vector<std::wstring> names = ZoneNamesOf(tzid);
  for (const std::wstring& name : names) {
    auto it = ctx.zoneIds.find(name);
    if (it != ctx.zoneIds.end()) return it->second;
  }
  if (!ctx.unknownIds.count(tzid) && tzid.size() <= kMaxZoneIdChars) {
    for (const std::wstring& name : names) {
      std::optional<TimeZoneDef> zone = LoadTzDatabaseZone(name);
      if (!zone) continue;
      const auto index = static_cast<uint32_t>(ctx.out->zones.size());
      ctx.out->zones.push_back(std::move(*zone));
      ctx.zoneIds[name] = index;
      ctx.zoneIds[tzid] = index;
      return index;
    }
  }
  if (ctx.unknownIds.insert(tzid).second) ctx.out->unknownZoneNames.push_back(tzid);
  return std::nullopt;
}

struct FramedTime {
  CivilSeconds t = 0;
  bool isDate = false;
  TimeFrame frame = TimeFrame::Floating;
  uint32_t zone = 0;
};

FramedTime ReadTime(Context& ctx, const ContentLine& cl, const std::wstring& text) {
  auto tv = ParseTimeText(text);
  if (!tv) Fail(cl.line, L"the value of " + cl.name + L" is not a date or a date and time");
  const std::wstring* valueType = cl.Param(L"VALUE");
  if (valueType && Upper(*valueType) == L"DATE" && !tv->isDate) {
    Fail(cl.line, L"the value of " + cl.name + L" is marked as a date but holds a time");
  }
  FramedTime ft{tv->t, tv->isDate, TimeFrame::Floating, 0};
  if (tv->isDate) return ft;
  if (tv->utc) {
    ft.frame = TimeFrame::Utc;
    return ft;
  }
  if (const std::wstring* tzid = cl.Param(L"TZID")) {
    if (const std::optional<uint32_t> zone = ResolveZone(ctx, Trim(*tzid))) {
      ft.frame = TimeFrame::Zone;
      ft.zone = *zone;
    } else {
      ++ctx.out->unknownZones;
    }
  }
  return ft;
}

CivilSeconds ToUtc(const Context& ctx, const FramedTime& ft) {
  switch (ft.frame) {
    case TimeFrame::Utc:
      return ft.t;
    case TimeFrame::Zone:
      return ft.t - ZoneOffsetAt(ctx.out->zones[ft.zone], ft.t);
    case TimeFrame::Floating:
      break;
  }
  return DeviceLocalToUtc(ft.t);
}

// `ft` seen in the frame of `target`.
CivilSeconds InFrameOf(const Context& ctx, const FramedTime& ft, const FramedTime& target) {
  if (ft.frame == target.frame && ft.zone == target.zone) return ft.t;
  if (ft.isDate || target.isDate) return ft.t;
  const CivilSeconds utc = ToUtc(ctx, ft);
  switch (target.frame) {
    case TimeFrame::Utc:
      return utc;
    case TimeFrame::Zone: {
      const TimeZoneDef& zone = ctx.out->zones[target.zone];
      return utc + ZoneOffsetAt(zone, utc + ZoneOffsetAt(zone, utc));
    }
    case TimeFrame::Floating:
      break;
  }
  return UtcToDeviceLocal(utc);
}

// The day of the series' occurrence that `when` (an EXDATE, or the RECURRENCE-ID of a moved
// occurrence) names, or nullopt when it names none. Written in another frame than the series'
// start, it names the occurrence that starts at its instant seen in the series' frame; failing
// that, the one that starts at the wall-clock reading it was written with: a floating series
// with exceptions in UTC holds no instant to compare, and its sender meant the written hour.
std::optional<int64_t> OccurrenceDayOf(const Context& ctx, const FramedTime& when,
                                       const FramedTime& start) {
  const CivilSeconds seen = InFrameOf(ctx, when, start);
  const bool sameFrame = when.frame == start.frame && when.zone == start.zone;
  if (sameFrame || when.isDate || start.isDate) return DayOf(seen);
  const auto timeOfDay = [](CivilSeconds t) { return t - DayOf(t) * kSecondsPerDay; };
  if (timeOfDay(seen) == timeOfDay(start.t)) return DayOf(seen);
  if (timeOfDay(when.t) == timeOfDay(start.t)) return DayOf(when.t);
  return std::nullopt;
}

int32_t BusyStatusOf(const Component& ev) {
  if (const ContentLine* cdo = ev.First(L"X-MICROSOFT-CDO-BUSYSTATUS")) {
    const std::wstring v = Upper(Trim(cdo->value));
    if (v == L"FREE") return 0;
    if (v == L"TENTATIVE") return 1;
    if (v == L"BUSY") return 2;
    if (v == L"OOF") return 3;
  }
  if (const ContentLine* transp = ev.First(L"TRANSP")) {
    if (Upper(Trim(transp->value)) == L"TRANSPARENT") return 0;
  }
  return 2;
}

// The device keeps category names in a ","-separated text, so a name cannot hold a ",".
std::vector<std::wstring> CategoriesOf(const Component& ev) {
  std::vector<std::wstring> names;
  for (const ContentLine& p : ev.props) {
    if (p.name != L"CATEGORIES") continue;
    for (const std::wstring& raw : SplitList(p.value)) {
      std::wstring name = UnescapeText(raw);
      for (wchar_t& c : name) {
        if (c == L',') c = L';';
        else if (c < L' ') c = L' ';
      }
      name = Trim(name);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
      }
    }
  }
  return names;
}

struct Override {
  std::wstring uid;
  FramedTime recurrenceId;
};

struct Master {
  size_t index;
  FramedTime start;
};

void ReadEvent(Context& ctx, const Component& ev, std::vector<Override>* overrides,
               std::map<std::wstring, Master>* masters) {
  IcsImport& out = *ctx.out;
  ++out.events;
  const ContentLine* startLine = ev.First(L"DTSTART");
  if (!startLine) {
    ++out.withoutStart;  // nothing to place on the calendar
    return;
  }
  const FramedTime start = ReadTime(ctx, *startLine, startLine->value);

  const ContentLine* uidLine = ev.First(L"UID");
  const std::wstring uid = uidLine ? Trim(uidLine->value) : std::wstring();
  const ContentLine* recurrenceIdLine = ev.First(L"RECURRENCE-ID");
  if (recurrenceIdLine && !uid.empty()) {
    overrides->push_back(
        Override{uid, ReadTime(ctx, *recurrenceIdLine, recurrenceIdLine->value)});
  }
  const ContentLine* status = ev.First(L"STATUS");
  if (status && Upper(Trim(status->value)) == L"CANCELLED") {
    ++out.cancelled;
    return;
  }

  Appointment a;
  a.start = start.t;
  a.allDay = start.isDate;
  a.frame = start.frame;
  a.zoneIndex = start.zone;
  if (const ContentLine* summary = ev.First(L"SUMMARY")) a.subject = UnescapeText(summary->value);
  if (const ContentLine* where = ev.First(L"LOCATION")) a.location = UnescapeText(where->value);
  a.categories = CategoriesOf(ev);
  a.busyStatus = BusyStatusOf(ev);

  const ContentLine* endLine = ev.First(L"DTEND");
  const ContentLine* durationLine = ev.First(L"DURATION");
  if (endLine && durationLine) Fail(endLine->line, L"an event with both DTEND and DURATION");
  if (endLine) {
    const FramedTime end = ReadTime(ctx, *endLine, endLine->value);
    if (end.isDate != start.isDate) {
      Fail(endLine->line, L"DTEND and DTSTART are not both dates or both dates and times");
    }
    a.durationSeconds = (end.frame == start.frame && end.zone == start.zone)
                            ? end.t - start.t
                            : ToUtc(ctx, end) - ToUtc(ctx, start);
    if (a.durationSeconds < 0) Fail(endLine->line, L"the event ends before it starts");
  } else if (durationLine) {
    auto d = ParseDuration(durationLine->value);
    if (!d) Fail(durationLine->line, L"a malformed DURATION \"" + durationLine->value + L"\"");
    if (*d < 0) Fail(durationLine->line, L"a negative DURATION");
    a.durationSeconds = *d;
  } else {
    a.durationSeconds = start.isDate ? kSecondsPerDay : 0;
  }
  if (a.durationSeconds > kMaxDurationSeconds) {
    Fail(ev.line, L"an event that lasts longer than ten years");
  }
  if (a.allDay && a.durationSeconds == 0) a.durationSeconds = kSecondsPerDay;

  bool haveRule = false;
  std::vector<FramedTime> extraStarts;
  std::vector<int64_t> extraDurations;
  for (const ContentLine& p : ev.props) {
    if (p.name == L"RRULE") {
      if (haveRule) Fail(p.line, L"an event with more than one RRULE");
      haveRule = true;
      RuleText rt = ParseRule(p);
      a.rule = rt.rule;
      if (rt.until) {
        FramedTime until{rt.until->t, rt.until->isDate,
                         rt.until->utc ? TimeFrame::Utc : start.frame, start.zone};
        const CivilSeconds inFrame =
            rt.until->isDate ? rt.until->t + kSecondsPerDay - 1 : InFrameOf(ctx, until, start);
        const int64_t startTimeOfDay = start.t - DayOf(start.t) * kSecondsPerDay;
        int64_t lastDay = DayOf(inFrame);
        if (inFrame - lastDay * kSecondsPerDay < startTimeOfDay) --lastDay;
        a.rule.lastDay = lastDay;
      }
      if (rt.count) {
        a.rule.lastDay = std::min(a.rule.lastDay, DayOfOccurrence(a, *rt.count, kHorizonDays));
      }
      a.rule.lastDay = std::min(a.rule.lastDay, DayOf(start.t) + kHorizonDays);
    } else if (p.name == L"EXDATE") {
      for (const std::wstring& item : SplitList(p.value)) {
        const FramedTime ex = ReadTime(ctx, p, item);
        if (auto day = OccurrenceDayOf(ctx, ex, start)) a.exceptionDays.push_back(*day);
      }
    } else if (p.name == L"RDATE") {
      for (const std::wstring& item : SplitList(p.value)) {
        std::wstring v = Trim(item);
        if (v.empty()) continue;
        const size_t slash = v.find(L'/');
        int64_t duration = a.durationSeconds;
        const FramedTime extra = ReadTime(ctx, p, v.substr(0, slash));
        if (slash != std::wstring::npos) {
          const std::wstring rest = v.substr(slash + 1);
          if (auto d = ParseDuration(rest)) {
            duration = *d;
          } else {
            const FramedTime periodEnd = ReadTime(ctx, p, rest);
            duration = ToUtc(ctx, periodEnd) - ToUtc(ctx, extra);
          }
          if (duration < 0 || duration > kMaxDurationSeconds) {
            Fail(p.line, L"an RDATE period that ends before it starts");
          }
        }
        extraStarts.push_back(extra);
        extraDurations.push_back(duration);
      }
    }
  }
  if (haveRule && !uid.empty() && !recurrenceIdLine) {
    (*masters)[uid] = Master{out.appointments.size(), start};
  }
  out.appointments.push_back(a);
  for (size_t i = 0; i < extraStarts.size(); ++i) {
    Appointment extra = a;
    extra.rule = Recurrence{};
    extra.exceptionDays.clear();
    extra.start = extraStarts[i].isDate == a.allDay ? InFrameOf(ctx, extraStarts[i], start)
                                                    : extraStarts[i].t;
    extra.durationSeconds = extraDurations[i];
    if (extra.allDay) extra.start = DayOf(extra.start) * kSecondsPerDay;
    out.appointments.push_back(std::move(extra));
  }
}

void Collect(const Component& c, std::vector<const Component*>* zones,
             std::vector<const Component*>* events, size_t* others) {
  for (const Component& child : c.children) {
    if (child.name == L"VCALENDAR") Collect(child, zones, events, others);
    else if (child.name == L"VTIMEZONE") zones->push_back(&child);
    else if (child.name == L"VEVENT") events->push_back(&child);
    else ++*others;
  }
}

}  // namespace

bool ParseIcs(const std::string& bytes, IcsImport* out, std::wstring* error) {
  *out = IcsImport{};
  try {
    if (bytes.size() > kMaxIcsBytes) Fail(0, L"the file is larger than 32 MB");
    const Component root = ReadComponents(UnfoldLines(DecodeUtf8(bytes)));
    std::vector<const Component*> zones, events;
    Collect(root, &zones, &events, &out->otherComponents);
    if (zones.empty() && events.empty() && out->otherComponents == 0) {
      bool calendar = std::any_of(root.children.begin(), root.children.end(),
                                  [](const Component& c) { return c.name == L"VCALENDAR"; });
      if (!calendar) Fail(0, L"the file holds no calendar");
    }
    Context ctx{out, {}};
    for (const Component* z : zones) {
      TimeZoneDef zone = ReadZone(*z);
      if (ctx.zoneIds.count(zone.id)) continue;  // the first definition of an id counts
      ctx.zoneIds[zone.id] = static_cast<uint32_t>(out->zones.size());
      out->zones.push_back(std::move(zone));
    }
    std::vector<Override> overrides;
    std::map<std::wstring, Master> masters;
    for (const Component* e : events) ReadEvent(ctx, *e, &overrides, &masters);
    for (const Override& o : overrides) {
      auto it = masters.find(o.uid);
      if (it == masters.end()) continue;
      Appointment& master = out->appointments[it->second.index];
      if (auto day = OccurrenceDayOf(ctx, o.recurrenceId, it->second.start)) {
        master.exceptionDays.push_back(*day);
      }
    }
    return true;
  } catch (const ParseError& e) {
    *out = IcsImport{};
    *error = e.line ? L"line " + std::to_wstring(e.line) + L": " + e.reason : e.reason;
    return false;
  } catch (const std::bad_alloc&) {
    *out = IcsImport{};
    *error = L"not enough memory to read the file";
    return false;
  }
}

std::wstring UnknownZoneNotice(const IcsImport& summary) {
  const std::vector<std::wstring>& names = summary.unknownZoneNames;
  if (names.empty()) return {};
  constexpr size_t kNamed = 5;
  constexpr size_t kNameChars = 64;
  std::wstring text = names.size() == 1 ? L"unknown time zone " : L"unknown time zones ";
  for (size_t i = 0; i < names.size() && i < kNamed; ++i) {
    std::wstring name = names[i].substr(0, kNameChars);
    for (wchar_t& c : name) {
      if (c < L' ' || c == 0x7F) c = L'?';
    }
    text += (i ? L", \"" : L"\"") + name + L"\"";
  }
  if (names.size() > kNamed) text += L" and " + std::to_wstring(names.size() - kNamed) + L" more";
  return text + L": " + std::to_wstring(summary.unknownZones) + L" time(s) taken as device time";
}
