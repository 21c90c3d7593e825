#include "common/clock.h"

#include "platform/handheld.h"

ULONGLONG TimeFromNow(DWORD seconds) {
  SYSTEMTIME utc{};
  GetDeviceSystemTime(&utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return FileTimeValue(ft) + ULONGLONG{seconds} * kFileTimeSecond;
}

SYSTEMTIME SystemTimeOf(ULONGLONG utc) {
  const FILETIME ft = FileTimeOf(utc);
  SYSTEMTIME st{};
  FileTimeToSystemTime(&ft, &st);
  return st;
}

SYSTEMTIME LocalTimeOf(ULONGLONG utc) {
  const SYSTEMTIME st = SystemTimeOf(utc);
  SYSTEMTIME local{};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &st, &local)) return st;
  return local;
}

bool UtcOfLocalTime(const SYSTEMTIME& local, ULONGLONG* utc) {
  SYSTEMTIME st{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &st)) st = local;
  FILETIME ft{};
  if (!SystemTimeToFileTime(&st, &ft)) return false;
  *utc = FileTimeValue(ft);
  return true;
}
