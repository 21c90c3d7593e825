// The handheld's calendar object model, as far as the meeting query uses it. The calendar server
// of the device and the meeting query share these declarations, so the vtable order below is the
// contract between them.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

// {05058F23-20BE-11D2-8F18-0000F87A4335}: the application object.
inline constexpr CLSID CLSID_PocketOutlookApplication = {
    0x05058F23, 0x20BE, 0x11D2, {0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35}};
// {05058F22-20BE-11D2-8F18-0000F87A4335}: IPOutlookApp.
inline constexpr IID IID_IPOutlookApp = {
    0x05058F22, 0x20BE, 0x11D2, {0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35}};
inline constexpr IID IID_IFolder = {
    0x05058F2A, 0x20BE, 0x11D2, {0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35}};
inline constexpr IID IID_IPOutlookItemCollection = {
    0x05058F26, 0x20BE, 0x11D2, {0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35}};
inline constexpr IID IID_IAppointment = {
    0x5B43F691, 0x202C, 0x11D2, {0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35}};

inline constexpr int kCalendarFolder = 9;  // GetDefaultFolder's id of the calendar folder

// Busy status of an appointment.
inline constexpr long kBusyFree = 0;
inline constexpr long kBusyTentative = 1;
inline constexpr long kBusyBusy = 2;
inline constexpr long kBusyOutOfOffice = 3;

struct IAppointment;
struct IPOutlookItemCollection;
struct IFolder;

// Calendar times are DATEs: days since 1899-12-30 00:00 local time, the fraction the time of day.
struct IPOutlookApp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Logon(LONG_PTR window) = 0;
  virtual HRESULT STDMETHODCALLTYPE Logoff() = 0;
  // S_OK with a folder, or a failure with *folder null.
  virtual HRESULT STDMETHODCALLTYPE GetDefaultFolder(int folderId, IFolder** folder) = 0;
  virtual HRESULT STDMETHODCALLTYPE SystemTimeToVariantTime(SYSTEMTIME* time, DATE* date) = 0;
  virtual HRESULT STDMETHODCALLTYPE VariantTimeToSystemTime(DATE date, SYSTEMTIME* time) = 0;
  virtual HRESULT STDMETHODCALLTYPE SysFreeString(BSTR text) = 0;
};

struct IFolder : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Items(IPOutlookItemCollection** items) = 0;
};

struct IPOutlookItemCollection : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE put_IncludeRecurrences(VARIANT_BOOL include) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IncludeRecurrences(VARIANT_BOOL* include) = 0;
  // S_OK with the first matching item; S_FALSE with *item null when nothing matches; a failure
  // (E_INVALIDARG) when the restriction text cannot be read.
  virtual HRESULT STDMETHODCALLTYPE Find(BSTR restriction, IAppointment** item) = 0;
  // The next item of the last Find: S_OK, or S_FALSE with *item null when they are exhausted.
  virtual HRESULT STDMETHODCALLTYPE FindNext(IAppointment** item) = 0;
};

struct IAppointment : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Start(DATE* start) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_End(DATE* end) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AllDayEvent(VARIANT_BOOL* allDay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BusyStatus(long* status) = 0;
  // Names separated by ", "; null when the appointment has none. Free with SysFreeString.
  virtual HRESULT STDMETHODCALLTYPE get_Categories(BSTR* categories) = 0;
  // Null when the appointment has no subject. Free with SysFreeString.
  virtual HRESULT STDMETHODCALLTYPE get_Subject(BSTR* subject) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Duration(long* minutes) = 0;
  // Null when the appointment has no location. Free with SysFreeString.
  virtual HRESULT STDMETHODCALLTYPE get_Location(BSTR* location) = 0;
};
