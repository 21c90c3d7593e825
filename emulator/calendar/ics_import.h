// Reads an iCalendar (.ics) file into appointments for the device's calendar.
#pragma once
#include <string>
#include <vector>

#include "calendar/calendar_model.h"

struct IcsImport {
  std::vector<TimeZoneDef> zones;
  std::vector<Appointment> appointments;  // zoneIndex counts within `zones` above
  size_t events = 0;           // events read, cancelled ones included
  size_t cancelled = 0;        // events marked cancelled: not imported
  size_t withoutStart = 0;     // events without DTSTART: not imported
  size_t otherComponents = 0;  // to-dos, journals, free/busy and unknown components: ignored
  size_t unknownZones = 0;     // times in a zone neither the file nor the device knows: device time
  std::vector<std::wstring> unknownZoneNames;  // those zones, each once
};

// Largest file the device accepts.
inline constexpr size_t kMaxIcsBytes = 32u << 20;

// Parses the whole file. On failure returns false with `error` naming the line and the reason;
// `out` is then left empty so that nothing of the file is used.
bool ParseIcs(const std::string& bytes, IcsImport* out, std::wstring* error);

// One line naming the zones whose times were taken as device time, or empty when there are none.
std::wstring UnknownZoneNotice(const IcsImport& summary);
