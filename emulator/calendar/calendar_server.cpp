#include "calendar/calendar_server.h"

#include <climits>
#include <memory>
#include <new>
#include <string>

#include "calendar/calendar_faults.h"
#include "calendar/calendar_store.h"
#include "calendar/calendar_view.h"
#include "platform/poom.h"

namespace {

LONG g_liveObjects = 0;

// Reference counting shared by the calendar's objects. `Derived` answers QueryInterface.
template <typename Derived>
class Counted {
 public:
  Counted() { InterlockedIncrement(&g_liveObjects); }
  virtual ~Counted() { InterlockedDecrement(&g_liveObjects); }
  ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG ReleaseImpl() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 private:
  LONG refs_ = 1;
};

#define CALENDAR_IUNKNOWN                                                        \
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }             \
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

using ViewPtr = std::shared_ptr<const CalendarView>;

// The faults of one connection, shared by every object it hands out.
class Connection {
 public:
  Connection() : faults_(CurrentCalendarFaults()) {}
  // Each call of the object model starts here: it waits, and fails once the connection has
  // answered as many calls as it may.
  bool CallFails() {
    if (faults_.delayMs) Sleep(faults_.delayMs);
    const LONG answered = InterlockedIncrement(&calls_) - 1;
    return faults_.failAfterCalls >= 0 && answered >= faults_.failAfterCalls;
  }
  bool DurationFails() const { return faults_.failDuration; }

 private:
  const CalendarFaults faults_;
  LONG calls_ = 0;
};
using ConnectionPtr = std::shared_ptr<Connection>;

#define CALENDAR_CALL(connection) \
  if ((connection)->CallFails()) return E_FAIL

BSTR AllocText(const std::wstring& s) {
  return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

class AppointmentObject final : public IAppointment, public Counted<AppointmentObject> {
 public:
  AppointmentObject(ViewPtr view, ConnectionPtr connection, const Occurrence& o)
      : view_(std::move(view)), connection_(std::move(connection)), o_(o) {}
  CALENDAR_IUNKNOWN
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IAppointment) return E_NOINTERFACE;
    *out = static_cast<IAppointment*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Start(DATE* start) override {
    CALENDAR_CALL(connection_);
    if (!start) return E_POINTER;
    *start = DateFromCivil(o_.localStart);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_End(DATE* end) override {
    CALENDAR_CALL(connection_);
    if (!end) return E_POINTER;
    *end = DateFromCivil(o_.localEnd);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_AllDayEvent(VARIANT_BOOL* allDay) override {
    CALENDAR_CALL(connection_);
    if (!allDay) return E_POINTER;
    *allDay = item().allDay ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BusyStatus(long* status) override {
    CALENDAR_CALL(connection_);
    if (!status) return E_POINTER;
    *status = item().busyStatus;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Categories(BSTR* categories) override {
    CALENDAR_CALL(connection_);
    if (!categories) return E_POINTER;
    *categories = nullptr;
    const auto& names = item().categories;
    if (names.empty()) return S_OK;
    std::wstring joined;
    for (const std::wstring& n : names) {
      if (!joined.empty()) joined += L", ";
      joined += n;
    }
    *categories = AllocText(joined);
    return *categories ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_Subject(BSTR* subject) override {
    CALENDAR_CALL(connection_);
    if (!subject) return E_POINTER;
    *subject = nullptr;
    if (item().subject.empty()) return S_OK;
    *subject = AllocText(item().subject);
    return *subject ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_Location(BSTR* location) override {
    CALENDAR_CALL(connection_);
    if (!location) return E_POINTER;
    *location = nullptr;
    if (item().location.empty()) return S_OK;
    *location = AllocText(item().location);
    return *location ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_Duration(long* minutes) override {
    CALENDAR_CALL(connection_);
    if (connection_->DurationFails()) return E_FAIL;
    if (!minutes) return E_POINTER;
    const int64_t m = (item().durationSeconds + 30) / 60;
    *minutes = static_cast<long>(m > LONG_MAX ? LONG_MAX : m);
    return S_OK;
  }

 private:
  const Appointment& item() const { return view_->store().appointments[o_.appointment]; }
  ViewPtr view_;
  ConnectionPtr connection_;
  Occurrence o_;
};

class CollectionObject final : public IPOutlookItemCollection,
                               public Counted<CollectionObject> {
 public:
  CollectionObject(ViewPtr view, ConnectionPtr connection)
      : view_(std::move(view)), connection_(std::move(connection)) {}
  CALENDAR_IUNKNOWN
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPOutlookItemCollection) return E_NOINTERFACE;
    *out = static_cast<IPOutlookItemCollection*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_IncludeRecurrences(VARIANT_BOOL include) override {
    CALENDAR_CALL(connection_);
    includeRecurrences_ = include != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_IncludeRecurrences(VARIANT_BOOL* include) override {
    CALENDAR_CALL(connection_);
    if (!include) return E_POINTER;
    *include = includeRecurrences_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Find(BSTR text, IAppointment** item) override {
    CALENDAR_CALL(connection_);
    if (!item) return E_POINTER;
    *item = nullptr;
    matches_.clear();
    next_ = 0;
    searched_ = false;
    if (!text) return E_INVALIDARG;
    Restriction restriction;
    std::wstring error;
    if (!ParseRestriction(std::wstring(text, SysStringLen(text)), &restriction, &error)) {
      return E_INVALIDARG;
    }
    try {
      matches_ = view_->Touching(restriction.firstDay, restriction.lastDay, includeRecurrences_);
      std::erase_if(matches_, [&](const Occurrence& o) {
        return !Satisfies(restriction, view_->store(), o);
      });
    } catch (const std::bad_alloc&) {
      matches_.clear();
      return E_OUTOFMEMORY;
    }
    searched_ = true;
    return FindNext(item);
  }
  HRESULT STDMETHODCALLTYPE FindNext(IAppointment** item) override {
    CALENDAR_CALL(connection_);
    if (!item) return E_POINTER;
    *item = nullptr;
    if (!searched_) return E_UNEXPECTED;
    if (next_ >= matches_.size()) return S_FALSE;
    *item = new (std::nothrow) AppointmentObject(view_, connection_, matches_[next_]);
    if (!*item) return E_OUTOFMEMORY;
    ++next_;
    return S_OK;
  }

 private:
  ViewPtr view_;
  ConnectionPtr connection_;
  bool includeRecurrences_ = false;
  bool searched_ = false;
  std::vector<Occurrence> matches_;
  size_t next_ = 0;
};

class FolderObject final : public IFolder, public Counted<FolderObject> {
 public:
  FolderObject(ViewPtr view, ConnectionPtr connection)
      : view_(std::move(view)), connection_(std::move(connection)) {}
  CALENDAR_IUNKNOWN
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IFolder) return E_NOINTERFACE;
    *out = static_cast<IFolder*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Items(IPOutlookItemCollection** items) override {
    CALENDAR_CALL(connection_);
    if (!items) return E_POINTER;
    *items = new (std::nothrow) CollectionObject(view_, connection_);
    return *items ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ViewPtr view_;
  ConnectionPtr connection_;
};

class ApplicationObject final : public IPOutlookApp, public Counted<ApplicationObject> {
 public:
  CALENDAR_IUNKNOWN
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPOutlookApp) return E_NOINTERFACE;
    *out = static_cast<IPOutlookApp*>(this);
    AddRef();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Logon(LONG_PTR) override {
    CALENDAR_CALL(connection_);
    if (loggedOn_) return S_OK;
    if (!Open()) return E_FAIL;
    loggedOn_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Logoff() override {
    CALENDAR_CALL(connection_);
    if (!loggedOn_) return E_UNEXPECTED;
    loggedOn_ = false;
    view_.reset();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDefaultFolder(int folderId, IFolder** folder) override {
    CALENDAR_CALL(connection_);
    if (!folder) return E_POINTER;
    *folder = nullptr;
    if (!loggedOn_) return E_UNEXPECTED;
    if (folderId != kCalendarFolder) return E_INVALIDARG;
    *folder = new (std::nothrow) FolderObject(view_, connection_);
    return *folder ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SystemTimeToVariantTime(SYSTEMTIME* time, DATE* date) override {
    CALENDAR_CALL(connection_);
    if (!time || !date) return E_POINTER;
    if (!ValidDate(time->wYear, time->wMonth, time->wDay) || time->wHour > 23 ||
        time->wMinute > 59 || time->wSecond > 59) {
      return E_INVALIDARG;
    }
    *date = DateFromCivil(CivilFromSystemTime(*time));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE VariantTimeToSystemTime(DATE date, SYSTEMTIME* time) override {
    CALENDAR_CALL(connection_);
    if (!time) return E_POINTER;
    // 0100-01-01 to 9999-12-31, the range of a DATE.
    if (!(date >= -657434.0 && date < 2958466.0)) return E_INVALIDARG;
    *time = SystemTimeFromCivil(CivilFromDate(date));
    return S_OK;
  }
  // Strings are always freed, faults or not: a caller could not free them another way.
  HRESULT STDMETHODCALLTYPE SysFreeString(BSTR text) override {
    ::SysFreeString(text);
    return S_OK;
  }

 private:
  bool Open() {
    std::wstring error;
    try {
      view_ = OpenCalendarView(CalendarStorePath(), &error);
    } catch (const std::bad_alloc&) {
      view_.reset();
    }
    return view_ != nullptr;
  }
  bool loggedOn_ = false;
  ViewPtr view_;
  ConnectionPtr connection_ = std::make_shared<Connection>();
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* app = new (std::nothrow) ApplicationObject();
    if (!app) return E_OUTOFMEMORY;
    const HRESULT hr = app->QueryInterface(iid, out);
    app->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) InterlockedIncrement(&g_liveObjects);
    else InterlockedDecrement(&g_liveObjects);
    return S_OK;
  }
};

Factory g_factory;

}  // namespace

HRESULT CalendarGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_PocketOutlookApplication) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

LONG CalendarLiveObjects() { return g_liveObjects; }
