// The device's calendar file: where it lives, reading it, replacing it in one step.
#pragma once
#include <memory>
#include <string>

#include "calendar/calendar_model.h"

// The calendar file of the device (the \Windows folder of the device, unless a process has set
// another path, as tests do).
std::wstring CalendarStorePath();
void SetCalendarStorePath(const std::wstring& path);

// A missing file is an empty calendar. False with `error` set when the file is damaged.
bool LoadCalendarStore(const std::wstring& path, CalendarStore* store, std::wstring* error);
// Writes a new file beside the old one and moves it over the old in one step, so a reader sees
// either the old calendar or the new, never a part of one.
bool SaveCalendarStore(const std::wstring& path, const CalendarStore& store, std::wstring* error);

// Most appointments the device holds.
inline constexpr size_t kMaxAppointments = 200000;

std::string SerializeCalendar(const CalendarStore& store);
bool DeserializeCalendar(const std::string& bytes, CalendarStore* store, std::wstring* error);

struct IcsImport;
// Reads the .ics text and adds its appointments, zones and categories to the calendar file in
// one step. On any failure the calendar file is left exactly as it was.
bool ImportIntoStore(const std::string& icsBytes, const std::wstring& storePath,
                     IcsImport* summary, std::wstring* error);
