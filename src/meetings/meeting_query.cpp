#include "meetings/meeting_query.h"

#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/scoped.h"
#include "meetings/meeting_state.h"
#include "platform/poom.h"
#include "settings/settings.h"

namespace {

constexpr double kDayPerMinute = 1.0 / 1440.0;
// Buffer sizes of the formatted parts, terminator included.
constexpr size_t kTimeChars = 19;
constexpr size_t kDateChars = 19;
constexpr size_t kSubjectShown = 25;

constexpr wchar_t kConnectError[] = L"Error connecting to Pocket Outlook.";
constexpr wchar_t kDisconnectError[] = L"Error Disconnecting from Pocket Outlook.";
constexpr wchar_t kNoOtherMeeting[] = L"No other QuietMinder meeting found for today.";
constexpr wchar_t kCannotSearch[] = L"The calendar cannot be searched.";

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Copies at most `chars` - 1 characters and terminates; never splits a surrogate pair.
template <size_t N>
void CopyCut(wchar_t (&dst)[N], std::wstring_view src) {
  size_t n = src.size() < N - 1 ? src.size() : N - 1;
  if (n < src.size() && n > 0 && IsHighSurrogate(src[n - 1])) --n;
  src.copy(dst, n);
  dst[n] = L'\0';
}

std::wstring CutText(std::wstring_view text, size_t limit) {
  size_t n = text.size() < limit ? text.size() : limit;
  if (n < text.size() && n > 0 && IsHighSurrogate(text[n - 1])) --n;
  return std::wstring(text.substr(0, n));
}

// A date or time that does not fit its buffer is cut to fit instead of being lost.
std::wstring FormatPart(const SYSTEMTIME& st, bool date, size_t chars) {
  auto format = [&](wchar_t* out, int size) {
    return date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, size)
                : GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, out, size);
  };
  const int needed = format(nullptr, 0);
  if (needed <= 0) return {};
  std::wstring text(static_cast<size_t>(needed), L'\0');
  if (format(text.data(), needed) <= 0) return {};
  text.resize(static_cast<size_t>(needed) - 1);
  return CutText(text, chars - 1);
}

// One logged-on connection to the calendar, for the length of one query. Its strings are freed
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
    if (!app_) return true;
    const bool ok = SUCCEEDED(app_->Logoff());
    app_.reset();
    return ok;
  }
  IPOutlookApp* operator->() const { return app_.get(); }

  // A time of the device's clock as a calendar time, in local time.
  bool CalendarTimeOf(ULONGLONG utc, DATE* date) const {
    SYSTEMTIME local = LocalTimeOf(utc);
    return SUCCEEDED(app_->SystemTimeToVariantTime(&local, date));
  }
  bool BrokenDown(DATE date, SYSTEMTIME* st) const {
    *st = SYSTEMTIME{};
    return SUCCEEDED(app_->VariantTimeToSystemTime(date, st));
  }
  bool UtcOf(DATE date, ULONGLONG* utc) const {
    SYSTEMTIME local{};
    return BrokenDown(date, &local) && UtcOfLocalTime(local, utc);
  }

 private:
  ComPtr<IPOutlookApp> app_;
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

// Today's date in the device's short-date format; empty when it cannot be formatted.
std::wstring ShortDate(const SYSTEMTIME& local) {
  const int needed = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, nullptr, 0);
  if (needed <= 1) return {};
  std::wstring text(static_cast<size_t>(needed), L'\0');
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text.data(), needed) <= 0) {
    return {};
  }
  text.resize(static_cast<size_t>(needed) - 1);
  return text;
}

// The category piece is left out when a name holds a quote, which would end the quoted value
// early; the query's own category test still applies to every item.
std::wstring BuildRestriction(const std::optional<std::wstring>& category,
                             const std::wstring& today) {
  std::wstring text;
  if (category && !category->empty() && category->find(L'"') == std::wstring::npos) {
    text = L"[Categories] = \"" + *category + L"\" AND ";
  }
  text += L"[Start] <= \"" + today + L"\" AND [END] >= \"" + today + L"\"";
  return text;
}

std::wstring SubjectShown(std::wstring_view subject) {
  std::wstring shown = CutText(subject, kSubjectShown);
  for (wchar_t& c : shown) {
    if (c < L' ') c = L' ';
  }
  if (shown.empty()) shown = L" ";
  return shown + L"...";
}

void DescribeMeeting(const CalendarSession& session, std::wstring_view subject, DATE start,
                     DATE end, bool allDay, MeetingStateRecord& state) {
  SYSTEMTIME s{}, e{};
  session.BrokenDown(start, &s);
  session.BrokenDown(end, &e);
  const std::wstring startTime = FormatPart(s, false, kTimeChars);
  const std::wstring endTime = FormatPart(e, false, kTimeChars);
  const std::wstring startDate = FormatPart(s, true, kDateChars);
  const std::wstring endDate = FormatPart(e, true, kDateChars);
  std::wstring text = SubjectShown(subject);
  if (allDay) {
    text += L" " + startDate + L" " + startTime + L" to " + endDate + L" " + endTime + L" (ALL DAY)";
  } else if (startDate == endDate) {
    text += L" " + startTime + L" to " + endTime;
  } else {
    text += L" " + startDate + L" " + startTime + L" to " + endDate + L" " + endTime;
  }
  CopyCut(state.MeetingText, text);
}

struct ItemFacts {
  explicit ItemFacts(const CalendarSession& session) : categories(session), subject(session) {}
  DATE start = 0;
  DATE end = 0;
  bool allDay = false;
  long busy = kBusyBusy;
  CalendarString categories;
  CalendarString subject;
  // What the meeting rule needs; the end of a meeting is read only for one that counts.
  AppointmentFacts ForRule() const {
    return AppointmentFacts{start, end, end, allDay, busy, categories.get()};
  }
};

bool ReadItem(IAppointment* item, ItemFacts* facts) {
  VARIANT_BOOL allDay = VARIANT_FALSE;
  if (FAILED(item->get_Start(&facts->start)) || FAILED(item->get_End(&facts->end))) return false;
  if (SUCCEEDED(item->get_AllDayEvent(&allDay))) facts->allDay = allDay != VARIANT_FALSE;
  if (FAILED(item->get_BusyStatus(&facts->busy))) facts->busy = kBusyBusy;
  item->get_Categories(facts->categories.put());
  item->get_Subject(facts->subject.put());
  return true;
}

// What one item of today tells the look.
enum class ItemOutcome { Next, InProgress, Failed };

ItemOutcome VisitItem(const CalendarSession& session, IAppointment* item, DATE nowDate, DATE* limit,
                      bool* nextFound, MeetingLook& look) {
  MeetingStateRecord& state = look.finding.state;
  ItemFacts facts(session);
  if (!ReadItem(item, &facts)) return ItemOutcome::Next;
  AppointmentFacts rule = facts.ForRule();
  if (JudgeAppointment(rule, look.rules) != MeetingReason::Counts) return ItemOutcome::Next;
  // A meeting ends at its start plus its duration; without a duration that can be read, at its
  // end time.
  long minutes = 0;
  if (SUCCEEDED(item->get_Duration(&minutes)) && minutes > 0) {
    rule.meetingEnd = facts.start + minutes * kDayPerMinute;
  }
  const DATE end = rule.meetingEnd;
  if (InProgressAt(rule, look.rules, nowDate)) {
    // A meeting whose end the calendar cannot give is no verdict to mute on: the look has
    // failed, and the next one comes within the check interval.
    ULONGLONG endUtc = 0;
    if (!session.UtcOf(end, &endUtc)) return ItemOutcome::Failed;
    CopyCut(state.MeetingSubject, facts.subject.view());
    CopyCut(state.MeetingCategories, facts.categories.view());
    if (facts.subject.get()) {
      DescribeMeeting(session, facts.subject.view(), facts.start, end, facts.allDay, state);
    }
    state.MeetingEnd = endUtc;
    state.NextMeetingCheck = endUtc;
    state.InMeeting = true;
    return ItemOutcome::InProgress;
  }
  if (facts.start <= nowDate || facts.allDay) return ItemOutcome::Next;
  if (!*nextFound) {
    *nextFound = true;
    SYSTEMTIME s{};
    session.BrokenDown(facts.start, &s);
    const std::wstring text =
        L"Today's next QuietMinder meeting starts at " + FormatPart(s, false, kTimeChars) + L".";
    CopyCut(state.MeetingStatusText, text);
  }
  ULONGLONG startUtc = 0;
  if (facts.start < *limit && facts.end > nowDate && session.UtcOf(facts.start, &startUtc)) {
    *limit = facts.start;
    state.NextMeetingCheck = startUtc;
  }
  return ItemOutcome::Next;
}

// Visits the items of today; true when a meeting in progress was found and recorded.
bool VisitItems(const CalendarSession& session, IPOutlookItemCollection* items, DATE nowDate,
                DATE limit, MeetingLook& look) {
  bool nextFound = false;
  ComPtr<IAppointment> item;
  const SysString restriction(
      BuildRestriction(look.rules.POCategory, ShortDate(LocalTimeOf(look.now))));
  HRESULT hr = items->Find(restriction.get(), item.put());
  while (hr == S_OK && item) {
    switch (VisitItem(session, item.get(), nowDate, &limit, &nextFound, look)) {
      case ItemOutcome::InProgress:
        return true;
      case ItemOutcome::Failed:
        return false;
      case ItemOutcome::Next:
        break;
    }
    hr = items->FindNext(item.put());
  }
  return false;
}

}  // namespace

MeetingRules StoredMeetingRules() {
  return MeetingRules{Settings.EnablePOLink, Settings.POCategory, Settings.POAllDay,
                      Settings.POExcludeFreeTime};
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
  MeetingStateRecord& state = look.finding.state;
  const bool wasInMeeting = state.InMeeting;
  state.InMeeting = false;
  if (!look.rules.EnablePOLink) return;
  CalendarSession session;
  if (!session.Open()) {
    CopyCut(state.MeetingStatusText, kConnectError);
    return;
  }
  const ULONGLONG now = look.now;
  const ULONGLONG soon = now + ULONGLONG{look.POCheckInterval} * kFileTimeSecond;
  CopyCut(state.MeetingStatusText, kNoOtherMeeting);
  if (now >= state.NextMeetingCheck) state.NextMeetingCheck = soon;
  // A query after a meeting that finds none in progress asks again soon, not at the old end.
  if (wasInMeeting && soon < state.NextMeetingCheck) state.NextMeetingCheck = soon;

  DATE limit = 0, nowDate = 0;
  ComPtr<IFolder> folder;
  ComPtr<IPOutlookItemCollection> items;
  if (session.CalendarTimeOf(state.NextMeetingCheck, &limit) &&
      session.CalendarTimeOf(now, &nowDate) &&
      SUCCEEDED(session->GetDefaultFolder(kCalendarFolder, folder.put())) && folder &&
      SUCCEEDED(folder->get_Items(items.put())) && items) {
    items->put_IncludeRecurrences(VARIANT_TRUE);
    try {
      VisitItems(session, items.get(), nowDate, limit, look);
    } catch (const std::bad_alloc&) {
      // What was found before the memory ran out stands.
    }
  }
  items.reset();
  folder.reset();
  if (!session.Close()) CopyCut(state.MeetingStatusText, kDisconnectError);
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

namespace {

// Reads the items of a search into `day`; false when the calendar failed on the way.
bool ReadDayItems(const CalendarSession& session, IPOutlookItemCollection* items,
                  const std::wstring& restriction, CalendarDay* day) {
  ComPtr<IAppointment> item;
  const SysString text(restriction);
  HRESULT hr = items->Find(text.get(), item.put());
  if (FAILED(hr)) return false;
  while (hr == S_OK && item) {
    if (day->appointments.size() >= kMaxDayAppointments) {
      ++day->unread;
    } else {
      ItemFacts facts(session);
      if (!ReadItem(item.get(), &facts)) return false;
      DayAppointment a;
      a.start = facts.start;
      a.end = facts.end;
      a.meetingEnd = facts.end;
      long minutes = 0;
      if (SUCCEEDED(item->get_Duration(&minutes)) && minutes > 0) {
        a.meetingEnd = facts.start + minutes * kDayPerMinute;
      }
      a.allDay = facts.allDay;
      a.busy = facts.busy;
      if (facts.categories.get()) a.categories.emplace(facts.categories.view());
      a.subject = facts.subject.view();
      if (!session.BrokenDown(a.start, &a.localStart) ||
          !session.BrokenDown(a.meetingEnd, &a.localEnd)) {
        return false;
      }
      day->appointments.push_back(std::move(a));
    }
    hr = items->FindNext(item.put());
  }
  return SUCCEEDED(hr);
}

}  // namespace

bool ReadCalendarDay(const SYSTEMTIME& day, ULONGLONG now, CalendarDay* out, std::wstring* error) {
  *out = CalendarDay{};
  CalendarSession session;
  if (!session.Open()) {
    *error = kConnectError;
    return false;
  }
  SYSTEMTIME midnight{day.wYear, day.wMonth, 0, day.wDay, 0, 0, 0, 0};
  // With its day of the week, which a short date may show.
  FILETIME asFileTime{};
  if (SystemTimeToFileTime(&midnight, &asFileTime)) FileTimeToSystemTime(&asFileTime, &midnight);
  const std::wstring date = ShortDate(midnight);
  ComPtr<IFolder> folder;
  ComPtr<IPOutlookItemCollection> items;
  bool read = !date.empty() && SUCCEEDED(session->SystemTimeToVariantTime(&midnight, &out->start)) &&
              session.CalendarTimeOf(now, &out->now) &&
              SUCCEEDED(session->GetDefaultFolder(kCalendarFolder, folder.put())) && folder &&
              SUCCEEDED(folder->get_Items(items.put())) && items &&
              SUCCEEDED(items->put_IncludeRecurrences(VARIANT_TRUE));
  out->end = out->start + 1.0;
  try {
    read = read && ReadDayItems(session, items.get(), BuildRestriction(std::nullopt, date), out);
  } catch (const std::bad_alloc&) {
    read = false;
  }
  items.reset();
  folder.reset();
  session.Close();
  if (!read) *error = kCannotSearch;
  return read;
}
