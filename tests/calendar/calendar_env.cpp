#include "calendar/calendar_env.h"

#include <gtest/gtest.h>

#include "calendar/calendar_server.h"
#include "calendar/calendar_store.h"
#include "calendar/ics_import.h"
#include "common/scoped.h"
#include "platform/poom.h"

std::wstring TempPath(const wchar_t* stem) {
  static LONG counter = 0;
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(InterlockedIncrement(&counter)) + L".qmcal";
}

DeviceCalendar::DeviceCalendar() : path_(TempPath(L"calendar")) {
  // The program's apartment: its checks look at the calendar from threads of their own.
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  DeleteFileW(path_.c_str());
  SetCalendarStorePath(path_);
  ComPtr<IUnknown> factory;
  EXPECT_EQ(S_OK, CalendarGetClassObject(CLSID_PocketOutlookApplication, IID_IUnknown,
                                         factory.put_void()));
  EXPECT_EQ(S_OK, CoRegisterClassObject(CLSID_PocketOutlookApplication, factory.get(),
                                        CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
}

void DeviceCalendar::Unserve() {
  if (cookie_) CoRevokeClassObject(cookie_);
  cookie_ = 0;
}

DeviceCalendar::~DeviceCalendar() {
  Unserve();
  DeleteFileW(path_.c_str());
  SetCalendarStorePath(L"");
  CoUninitialize();
}

void DeviceCalendar::Import(const std::string& ics) {
  IcsImport summary;
  std::wstring error;
  ASSERT_TRUE(ImportIntoStore(ics, path_, &summary, &error)) << std::string(error.begin(), error.end());
}

void DeviceCalendar::Clear() {
  std::wstring error;
  ASSERT_TRUE(SaveCalendarStore(path_, CalendarStore{}, &error));
}

std::string Event(const std::string& start, const std::string& end, const std::string& summary,
                  const std::vector<std::string>& extra) {
  std::string text = "BEGIN:VEVENT\r\nDTSTART" + std::string(start.size() == 8 ? ";VALUE=DATE" : "") +
                     ":" + start + "\r\n";
  if (!end.empty()) {
    text += "DTEND" + std::string(end.size() == 8 ? ";VALUE=DATE" : "") + ":" + end + "\r\n";
  }
  if (!summary.empty()) text += "SUMMARY:" + summary + "\r\n";
  for (const std::string& line : extra) text += line + "\r\n";
  return text + "END:VEVENT\r\n";
}

std::string Calendar(const std::vector<std::string>& events) {
  std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//QuietMinder tests//EN\r\n";
  for (const std::string& e : events) text += e;
  return text + "END:VCALENDAR\r\n";
}

ULONGLONG LocalToUtc(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME local{static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day),
                   static_cast<WORD>(hour), static_cast<WORD>(minute), static_cast<WORD>(second), 0};
  SYSTEMTIME utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}
