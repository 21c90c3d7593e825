#include "device/local_time.h"

SYSTEMTIME DeviceLocalTime(ULONGLONG utc) {
  const FILETIME ft{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
  SYSTEMTIME universal{};
  FileTimeToSystemTime(&ft, &universal);
  SYSTEMTIME local{};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return universal;
  return local;
}
