// The device's calendar application object: the class factory behind the calendar's class id.
#pragma once
#include <windows.h>
#include <objbase.h>

// DllGetClassObject of the calendar: the factory for CLSID_PocketOutlookApplication.
HRESULT CalendarGetClassObject(REFCLSID clsid, REFIID iid, void** out);
// Objects of the calendar alive in this process (DllCanUnloadNow).
LONG CalendarLiveObjects();
