// The calendar as the device answers questions about it: appointments indexed by the device's
// local day, recurring ones expanded into occurrences, and the restriction text of a search.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "calendar/calendar_model.h"

// One appointment or one occurrence of a recurring one, in the device's local time.
struct Occurrence {
  CivilSeconds localStart = 0;
  CivilSeconds localEnd = 0;
  uint32_t appointment = 0;  // index into the store's appointments
};

class CalendarView {
 public:
  explicit CalendarView(CalendarStore store);
  const CalendarStore& store() const { return store_; }
  // Occurrences that start before the end of `lastDay` and end at or after the start of
  // `firstDay` (device-local days), in ascending order of start, then end, then storage.
  // Recurring appointments contribute every occurrence when `expand`, else their first only.
  std::vector<Occurrence> Touching(int64_t firstDay, int64_t lastDay, bool expand) const;

 private:
  Occurrence Place(uint32_t index, CivilSeconds frameStart) const;
  CalendarStore store_;
  std::vector<std::pair<int64_t, uint32_t>> byDay_;  // (local day, appointment), sorted
  std::vector<uint32_t> unindexed_;                  // long or recurring appointments
};

// ---- Restriction text ----------------------------------------------------------------------
// Clauses `[Property] op "value"` joined by AND. Properties: Start and End compared by day with
// a date in the device's short-date format, Categories with = or <> against a ","-separated
// list of names (an appointment matches when it holds one of them, compared without case).
struct RestrictionClause {
  enum class Field { Start, End, Categories } field;
  enum class Op { Less, LessEqual, Equal, NotEqual, GreaterEqual, Greater } op;
  int64_t day = 0;                  // Start and End
  std::vector<std::wstring> names;  // Categories
};

struct Restriction {
  std::vector<RestrictionClause> clauses;
  int64_t firstDay = 0;  // the days a match can touch
  int64_t lastDay = 0;
};

// Widest span of days one search may cover.
inline constexpr int64_t kMaxSearchDays = 366;

// False with `error` set when the text cannot be read or does not bound the days searched.
bool ParseRestriction(const std::wstring& text, Restriction* out, std::wstring* error);
bool Satisfies(const Restriction& r, const CalendarStore& store, const Occurrence& o);
// A date in the device's short-date format (or yyyy-mm-dd), as a day number.
bool ParseDeviceShortDate(const std::wstring& text, int64_t* day);

// The view of the calendar file, shared by every connection of this process. The file is read
// again only when it has been replaced since the last look.
std::shared_ptr<const CalendarView> OpenCalendarView(const std::wstring& path, std::wstring* error);
