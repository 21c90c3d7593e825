// The calendar's in-process server, registered on the device under the calendar's class id.
#include <windows.h>
#include <objbase.h>

#include "calendar/calendar_server.h"

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid,
                                                                          REFIID iid,
                                                                          void** out) {
  return CalendarGetClassObject(clsid, iid, out);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return CalendarLiveObjects() == 0 ? S_OK : S_FALSE;
}
