#include "app/power_driver.h"

#include "common/scoped.h"
#include "platform/handheld.h"
#include "platform/power_driver.h"

namespace {

struct RegisteredDeviceTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeregisterDevice(h); }
};
struct StreamFileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseStreamDevice(h); }
};

UniqueHandle<RegisteredDeviceTraits> g_device;
UniqueHandle<StreamFileTraits> g_file;

void SendWindow(DWORD code, HWND window) {
  if (!g_file) return;
  // The driver keeps a 32-bit window handle; window handles carry only 32 significant bits.
  const DWORD handle = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window));
  StreamDeviceIoControl(g_file.get(), code, &handle, sizeof handle);
}

}  // namespace

void OpenPowerDriver() {
  g_device.reset(RegisterDevice(kPowerDriverPrefix, kPowerDriverIndex, kPowerDriverLibrary, 0));
  HANDLE file = OpenStreamDevice(kPowerDriverFile);
  // A device's open failure may be reported either way.
  g_file.reset(file == nullptr ? INVALID_HANDLE_VALUE : file);
}

void ClosePowerDriver() {
  g_file.reset();
  g_device.reset();
}

bool PowerDriverOpen() { return static_cast<bool>(g_file); }

void HandPowerDriverWindow(HWND window) { SendWindow(kPowerDriverSetWindow, window); }
void TakeBackPowerDriverWindow(HWND window) { SendWindow(kPowerDriverClearWindow, window); }
