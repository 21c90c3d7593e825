// A calendar of the test's own: a calendar file in the temporary folder, served in this process
// under the calendar's class id, filled from iCalendar text.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class DeviceCalendar {
 public:
  DeviceCalendar();
  ~DeviceCalendar();
  DeviceCalendar(const DeviceCalendar&) = delete;
  DeviceCalendar& operator=(const DeviceCalendar&) = delete;

  // Imports iCalendar text; fails the test when the import is refused.
  void Import(const std::string& ics);
  void Clear();
  // Stops serving the class id in this process (the calendar file stays).
  void Unserve();
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  DWORD cookie_ = 0;
};

// One VEVENT with floating times ("20261207T100000") or dates ("20261207"); `extra` lines are
// added as they are.
std::string Event(const std::string& start, const std::string& end, const std::string& summary,
                  const std::vector<std::string>& extra = {});
// Events wrapped in a VCALENDAR.
std::string Calendar(const std::vector<std::string>& events);

// UTC file time of a device-local wall-clock time.
ULONGLONG LocalToUtc(int year, int month, int day, int hour, int minute, int second = 0);
// A unique path in the temporary folder.
std::wstring TempPath(const wchar_t* stem);
