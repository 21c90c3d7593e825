#include "meetings/meeting_query.h"

#include <algorithm>
#include <new>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/scoped.h"
#include "common/text.h"
#include "meetings/meeting_state.h"
#include "platform/poom.h"
#include "settings/settings.h"

namespace {

// Buffer sizes of the formatted parts, terminator included.
constexpr size_t kTimeChars = 19;
constexpr size_t kDateChars = 19;
constexpr size_t kSubjectShown = 25;

constexpr wchar_t kConnectError[] = L"Error connecting to Pocket Outlook.";
constexpr wchar_t kDisconnectError[] = L"Error Disconnecting from Pocket Outlook.";
constexpr wchar_t kNoOtherMeeting[] = L"No other QuietMinder meeting found for today.";
constexpr wchar_t kCannotSearch[] = L"The calendar cannot be searched.";

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::wstring CutText(std::wstring_view text, size_t limit) {
  size_t n = text.size() < limit ? text.size() : limit;
  if (n < text.size() && n > 0 && IsHighSurrogate(text[n - 1])) --n;
  return std::wstring(text.substr(0, n));
}

// Copies at most `chars` - 1 characters and terminates; never splits a surrogate pair.
template <size_t N>
void CopyCut(wchar_t (&dst)[N], std::wstring_view src) {
  const std::wstring cut = CutText(src, N - 1);
  cut.copy(dst, cut.size());
  dst[cut.size()] = L'\0';
}

// One logged-on connection to the calendar, for the length of one read. Its strings are freed
// through it.
class CalendarSession {
 public:
  CalendarSession() = default;
  CalendarSession(const CalendarSession&) = delete;
  CalendarSession& operator=(const CalendarSession&) = delete;
  ~CalendarSession() { Close(); }

  bool Open() {
    if (FAILED(CoCreateInstance(CLSID_PocketOutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IPOutlookApp, app_.put_void())) ||
        !app_) {
      app_.reset();
      return false;
    }
    if (SUCCEEDED(app_->Logon(0))) return true;
    app_.reset();
    return false;
  }
  // Logs off and lets the application object go; true when there was none or it logged off.
  bool Close() {
    items_.reset();
    if (!app_) return true;
    const bool ok = SUCCEEDED(app_->Logoff());
    app_.reset();
    return ok;
  }
  IPOutlookApp* operator->() const { return app_.get(); }

  // The calendar's items, occurrences of recurring appointments each on its own; null when the
  // calendar has none to give.
  IPOutlookItemCollection* Items() {
    if (items_) return items_.get();
    ComPtr<IFolder> folder;
    if (FAILED(app_->GetDefaultFolder(kCalendarFolder, folder.put())) || !folder ||
        FAILED(folder->get_Items(items_.put())) || !items_ ||
        FAILED(items_->put_IncludeRecurrences(VARIANT_TRUE))) {
      items_.reset();
    }
    return items_.get();
  }

 private:
  ComPtr<IPOutlookApp> app_;
  ComPtr<IPOutlookItemCollection> items_;
};

// A string of the calendar, freed through the application object.
class CalendarString {
 public:
  explicit CalendarString(const CalendarSession& session) : session_(session) {}
  CalendarString(const CalendarString&) = delete;
  CalendarString& operator=(const CalendarString&) = delete;
  ~CalendarString() {
    if (text_) session_->SysFreeString(text_);
  }
  BSTR* put() { return &text_; }
  const wchar_t* get() const { return text_; }
  std::wstring_view view() const {
    return text_ ? std::wstring_view(text_, SysStringLen(text_)) : std::wstring_view();
  }

 private:
  const CalendarSession& session_;
  BSTR text_ = nullptr;
};

class SysString {
 public:
  explicit SysString(const std::wstring& s)
      : text_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  SysString(const SysString&) = delete;
  SysString& operator=(const SysString&) = delete;
  ~SysString() { SysFreeString(text_); }
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

// The appointments of a busy day.
constexpr size_t kBusyDayAppointments = 16;

// The search of one day: the appointments that touch it (by the device's short date), and with a
// category list only those with one of its names. The category piece is left out when a name
// holds a quote, which would end the quoted value early; the rule still tests every item.
std::wstring Restriction(const std::optional<std::wstring>& category, const std::wstring& day) {
  std::wstring text;
  if (category && !category->empty() && category->find(L'"') == std::wstring::npos) {
    text = L"[Categories] = \"" + *category + L"\" AND ";
  }
  text += L"[Start] <= \"" + day + L"\" AND [END] >= \"" + day + L"\"";
  return text;
}

// Reads one item; false when its times cannot be read.
bool ReadItem(const CalendarSession& session, IAppointment* item, DayAppointment* a) {
  DATE start = 0, end = 0;
  if (FAILED(item->get_Start(&start)) || FAILED(item->get_End(&end))) return false;
  VARIANT_BOOL allDay = VARIANT_FALSE;
  a->allDay = SUCCEEDED(item->get_AllDayEvent(&allDay)) && allDay != VARIANT_FALSE;
  if (FAILED(item->get_BusyStatus(&a->busy))) a->busy = kBusyBusy;
  CalendarString categories(session), subject(session), location(session);
  item->get_Categories(categories.put());
  item->get_Subject(subject.put());
  item->get_Location(location.put());
  if (categories.get()) a->categories.emplace(categories.view());
  a->subject = subject.view();
  a->location = location.view();
  long minutes = 0;
  const bool haveLength = SUCCEEDED(item->get_Duration(&minutes));
  a->start = MinuteOfCalendarTime(start);
  a->end = MinuteOfCalendarTime(end);
  a->meetingEnd =
      MeetingEndOf(a->start, a->end, haveLength ? std::optional<long>(minutes) : std::nullopt);
  return true;
}

bool SameAppointment(const DayAppointment& a, const DayAppointment& b) {
  return a.start == b.start && a.end == b.end && a.meetingEnd == b.meetingEnd &&
         a.allDay == b.allDay && a.busy == b.busy && a.categories == b.categories &&
         a.subject == b.subject && a.location == b.location;
}

// Reads the day that begins at the local midnight `midnight` into `days`; an appointment an
// earlier day gave already is not taken again. False when the calendar fails on the way.
bool ReadDay(CalendarSession& session, LocalMinute midnight, size_t dayIndex,
             const std::optional<std::wstring>& category, CalendarDays* days) {
  IPOutlookItemCollection* items = session.Items();
  const std::wstring date = ShortDateText(LocalTimeOfMinute(midnight));
  if (!items || date.empty()) return false;
  const size_t before = days->appointments.size();
  size_t read = 0;
  ComPtr<IAppointment> item;
  const SysString text(Restriction(category, date));
  HRESULT hr = items->Find(text.get(), item.put());
  if (FAILED(hr)) return false;
  for (; hr == S_OK && item; hr = items->FindNext(item.put())) {
    if (read >= kMaxDayAppointments) {
      ++days->unread;
      continue;
    }
    DayAppointment a;
    a.day = dayIndex;
    if (!ReadItem(session, item.get(), &a)) return false;
    ++read;
    const auto earlier = days->appointments.begin() + static_cast<std::ptrdiff_t>(before);
    if (std::none_of(days->appointments.begin(), earlier,
                     [&](const DayAppointment& b) { return SameAppointment(a, b); })) {
      days->appointments.push_back(std::move(a));
    }
  }
  if (FAILED(hr)) return false;
  std::stable_sort(days->appointments.begin(), days->appointments.end(),
                   [](const DayAppointment& x, const DayAppointment& y) { return x.start < y.start; });
  days->end = midnight + kMinutesPerDay;
  return true;
}

// A silence by `rules` runs on past the days read.
bool SilenceRunsOn(const CalendarDays& days, const MeetingRules& rules, bool quietHours) {
  const CountingAppointments counting = Counting(days, rules, quietHours);
  const auto silence = SilenceAt(counting.facts, days.end - 1);
  return silence && silence->until >= days.end;
}

std::wstring SubjectShown(std::wstring_view subject) {
  std::wstring shown = CutText(subject, kSubjectShown);
  for (wchar_t& c : shown) {
    if (c < L' ') c = L' ';
  }
  if (shown.empty()) shown = L" ";
  return shown + L"...";
}

// The meeting's one-line description: its subject, start and end as the device shows them.
void DescribeMeeting(const DayAppointment& a, MeetingStateRecord& state) {
  const SYSTEMTIME s = LocalTimeOfMinute(a.start);
  const SYSTEMTIME e = LocalTimeOfMinute(a.meetingEnd);
  const std::wstring startTime = CutText(TimeOfDayText(s), kTimeChars - 1);
  const std::wstring endTime = CutText(TimeOfDayText(e), kTimeChars - 1);
  const std::wstring startDate = CutText(ShortDateText(s), kDateChars - 1);
  const std::wstring endDate = CutText(ShortDateText(e), kDateChars - 1);
  std::wstring text = SubjectShown(a.subject);
  if (a.allDay) {
    text += L" " + startDate + L" " + startTime + L" to " + endDate + L" " + endTime + L" (ALL DAY)";
  } else if (startDate == endDate) {
    text += L" " + startTime + L" to " + endTime;
  } else {
    text += L" " + startDate + L" " + startTime + L" to " + endDate + L" " + endTime;
  }
  CopyCut(state.MeetingText, text);
}

// What a look found in the days read at `now`: a silence in progress, or when to look next.
void TakeFindings(const CalendarDays& days, const MeetingLook& look, LocalMinute now,
                  MeetingFinding& finding) {
  MeetingStateRecord& state = finding.state;
  const CountingAppointments counting = Counting(days, look.rules, false);
  if (const auto silence = SilenceAt(counting.facts, now)) {
    const DayAppointment& a = days.appointments[counting.index[silence->first]];
    ULONGLONG end = 0;
    // A meeting whose end the clock cannot place is no verdict to mute on: the look has failed.
    if (!UtcOfLocalMinute(silence->until, &end)) {
      finding.failed = true;
      return;
    }
    CopyCut(state.MeetingSubject, a.subject);
    CopyCut(state.MeetingCategories, a.categories.value_or(L""));
    // Without a subject the earlier description stays.
    if (!a.subject.empty()) DescribeMeeting(a, state);
    state.MeetingEnd = end;
    // The check still looks at its interval during the meeting, which may change meanwhile.
    state.NextMeetingCheck =
        std::min(end, look.now + ULONGLONG{look.POCheckInterval} * kFileTimeSecond);
    state.InMeeting = true;
    return;
  }
  // Today's next meeting, named by its start; the next look is at the first start to come
  // unless the interval's look comes first.
  const LocalMinute tomorrow = DayStart(now) + kMinutesPerDay;
  for (size_t i = 0; i < counting.facts.size(); ++i) {
    const AppointmentFacts& f = counting.facts[i];
    if (f.start <= now || f.start >= tomorrow || f.allDay) continue;
    const std::wstring text = L"Today's next QuietMinder meeting starts at " +
                              CutText(TimeOfDayText(LocalTimeOfMinute(f.start)), kTimeChars - 1) +
                              L".";
    CopyCut(state.MeetingStatusText, text);
    break;
  }
  ULONGLONG nextStart = 0;
  if (const auto next = NextCountingStart(counting.facts, now);
      next && UtcOfLocalMinute(*next, &nextStart) && nextStart < state.NextMeetingCheck) {
    state.NextMeetingCheck = nextStart;
  }
}

}  // namespace

LocalMinute LocalMinuteOf(ULONGLONG utc) { return MinuteOfLocalTime(LocalTimeOf(utc)); }

bool UtcOfLocalMinute(LocalMinute minute, ULONGLONG* utc) {
  return UtcOfLocalTime(LocalTimeOfMinute(minute), utc);
}

CountingAppointments Counting(const CalendarDays& days, const MeetingRules& rules,
                              bool quietHours) {
  CountingAppointments counting;
  // One allocation each, not one per doubling: the live check counts at every look.
  const size_t most = days.appointments.size() +
                      static_cast<size_t>((days.end - days.start) / kMinutesPerDay) + 1;
  counting.facts.reserve(most);
  counting.index.reserve(most);
  for (size_t i = 0; i < days.appointments.size(); ++i) {
    const AppointmentFacts facts = days.appointments[i].Facts();
    if (JudgeAppointment(facts, rules) != MeetingReason::Counts) continue;
    counting.facts.push_back(SilenceOf(facts, rules));
    counting.index.push_back(i);
  }
  // Quiet hours silence the device as a meeting does, from the evening before the first day on.
  for (LocalMinute day = days.start - kMinutesPerDay; quietHours && day < days.end;
       day += kMinutesPerDay) {
    if (const auto quiet = QuietHoursOf(rules, day)) {
      counting.facts.push_back(AppointmentFacts{quiet->from, quiet->until, quiet->until});
      counting.index.push_back(kQuietHoursIndex);
    }
  }
  return counting;
}

bool ReadCalendarDays(LocalMinute first, int atLeast, const MeetingRules& rules,
                      bool searchCategory, CalendarDays* out, std::wstring* error) {
  *out = CalendarDays{};
  out->start = out->end = DayStart(first);
  // Room for a busy day's appointments at once, rather than a regrowth at each doubling.
  out->appointments.reserve(kBusyDayAppointments);
  CalendarSession session;
  if (!session.Open()) {
    *error = kConnectError;
    return false;
  }
  // An always word may make an appointment of any category count: then every one is read.
  const bool byCategory = searchCategory && rules.POAlwaysWords.value_or(L"").empty();
  const std::optional<std::wstring> category =
      byCategory ? rules.POCategory : std::optional<std::wstring>();
  bool read = true;
  try {
    for (int day = 0; read && day <= kMaxDaysFollowed; ++day) {
      if (day >= atLeast && !SilenceRunsOn(*out, rules, !searchCategory)) break;
      read = ReadDay(session, out->end, static_cast<size_t>(day), category, out);
    }
  } catch (const std::bad_alloc&) {
    read = false;
  }
  // A calendar that was read and then refuses the log-off still gave what it had.
  const bool closed = session.Close();
  if (!read) *error = kCannotSearch;
  if (read && !closed) *error = kDisconnectError;
  return read;
}

MeetingRules StoredMeetingRules() {
  return MeetingRules{Settings.EnablePOLink,  Settings.POCategory,   Settings.POAllDay,
                      Settings.POExcludeFreeTime, Settings.POStartEarly, Settings.POEndLate,
                      Settings.POSkipWords,   Settings.POAlwaysWords, Settings.QuietDays,
                      Settings.QuietFrom,     Settings.QuietTo};
}

MeetingLook PrepareMeetingLook() {
  MeetingLook look;
  look.finding.look = NumberNewLook();
  look.rules = StoredMeetingRules();
  look.POCheckInterval = Settings.POCheckInterval;
  look.finding.state = MeetingState;
  look.now = TimeFromNow(0);
  return look;
}

void LookAtCalendar(MeetingLook& look) {
  MeetingFinding& finding = look.finding;
  MeetingStateRecord& state = finding.state;
  const bool wasInMeeting = state.InMeeting;
  state.InMeeting = false;
  if (!look.rules.EnablePOLink) return;
  const ULONGLONG now = look.now;
  const ULONGLONG soon = now + ULONGLONG{look.POCheckInterval} * kFileTimeSecond;
  const LocalMinute nowMinute = LocalMinuteOf(now);
  // The next day too when the next look, or a silence that begins early, would fall into it, so
  // that its first meeting is met.
  const LocalMinute ahead =
      std::max(LocalMinuteOf(soon), nowMinute + LocalMinute{look.rules.POStartEarly});
  const int days = ahead >= DayStart(nowMinute) + kMinutesPerDay ? 2 : 1;
  CalendarDays read;
  std::wstring error;
  finding.failed = !ReadCalendarDays(nowMinute, days, look.rules, true, &read, &error);
  // A calendar that cannot be reached is asked again at the next tick.
  if (error == kConnectError) {
    CopyCut(state.MeetingStatusText, error);
    return;
  }
  // A look after a meeting that finds none in progress asks again soon, not at the old end.
  if (now >= state.NextMeetingCheck || (wasInMeeting && soon < state.NextMeetingCheck)) {
    state.NextMeetingCheck = soon;
  }
  CopyCut(state.MeetingStatusText, finding.failed ? kCannotSearch : kNoOtherMeeting);
  // What the calendar could not give whole is no verdict.
  if (finding.failed) return;
  TakeFindings(read, look, nowMinute, finding);
  if (!error.empty()) CopyCut(state.MeetingStatusText, error);
}

MeetingFinding LookAtCalendarNow() {
  MeetingLook look = PrepareMeetingLook();
  LookAtCalendar(look);
  return look.finding;
}

MeetingFinding LinkOffFinding() {
  MeetingFinding finding{MeetingState, NumberNewLook()};
  finding.state.InMeeting = false;
  return finding;
}
