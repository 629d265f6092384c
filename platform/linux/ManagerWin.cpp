#include "ManagerWin.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <optional>

#include "engine/Diagnostics.h"
#include "engine/EResult.h"
#include "engine/HexText.h"
#include "engine/SupportedModel.h"
#include "platform/ProgramResources.h"
#include "platform/TextConversion.h"
#include "platform/linux/LibusbTransport.h"

namespace CVFirmwareLoader {
namespace {

constexpr auto kStartWait = std::chrono::milliseconds(500);
constexpr wchar_t kTrayWindowClass[] = L"corvane.cvw32.window-class.task-bar-icon";
constexpr wchar_t kTrayWindowName[] = L"corvane.window-name.task-bar-icon";

struct UdevDeviceDeleter {
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevDevice = std::unique_ptr<udev_device, UdevDeviceDeleter>;

struct UdevEnumerateDeleter {
  void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};

struct UdevDeleter {
  void operator()(udev* context) const { udev_unref(context); }
};

// A device or one of its properties that enumeration cannot read is written about with the same
// lines as on every platform, with the system's error number, and then passed over or taken as
// absent.
void DeviceUnreadable() {
  Diagnostics::CodeAndSystemErrorLine(stderr, "DEBUG: error in ProcessDeviceInfoSet (", eFailed,
                                      static_cast<unsigned long>(errno));
}

void PropertyUnreadable() {
  Diagnostics::CodeAndSystemErrorLine(stderr, "DEBUG: error in GetDeviceRegistryPropertyWStr (",
                                      eFailed, static_cast<unsigned long>(errno));
}

std::optional<uint16_t> HexAttribute(udev_device* device, const char* name) {
  errno = 0;
  const char* value = udev_device_get_sysattr_value(device, name);
  if (value == nullptr) return std::nullopt;
  return static_cast<uint16_t>(std::strtoul(value, nullptr, 16));
}

// The hardware ID Windows would report for the device, from what sysfs says of it; empty when
// sysfs does not say.
std::wstring HardwareId(udev_device* device) {
  const auto vendor = HexAttribute(device, "idVendor");
  const auto product = vendor ? HexAttribute(device, "idProduct") : std::nullopt;
  const auto release = product ? HexAttribute(device, "bcdDevice") : std::nullopt;
  if (!release) {
    PropertyUnreadable();
    return {};
  }
  return std::wstring(HardwareIdPrefix) + VendorIdTag + HexText::Digits(*vendor) + L"&" +
         ProductIdTag + HexText::Digits(*product) + L"&REV_" + HexText::Digits(*release);
}

std::wstring ServiceName(udev_device* device) {
  errno = 0;
  const char* driver = ::udev_device_get_driver(device);
  if (driver == nullptr) {
    PropertyUnreadable();
    return {};
  }
  return FromLocaleBytes(driver);
}

std::string LowerCase(std::wstring text) {
  for (wchar_t& ch : text) ch = static_cast<wchar_t>(std::towlower(ch));
  return ToLocaleBytes(text);
}

}  // namespace

ManagerWin::ManagerWin()
    : pauser(kTrayWindowClass, kTrayWindowName),
      transport(LibusbTransport::Create()),
      thread(&ManagerWin::MessageLoop, this) {
  platform =
      std::make_unique<ScopedPlatform>(PlatformServices{transport.get(), &systemFacts, nullptr});
  wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_SEMAPHORE);
  SetInstance(this);
  try {
    if (wakeFd < 0) throw eFailed;
    Start();
  } catch (...) {
    SetInstance(nullptr);
    if (wakeFd >= 0) ::close(wakeFd);
    throw;
  }
}

ManagerWin::~ManagerWin() {
  Stop();
  SetInstance(nullptr);
  thread.Close();
  ::close(wakeFd);
}

void ManagerWin::Start() {
  try {
    if (thread.IsRunning()) throw eAlreadyDone;
    thread.Start();
    std::unique_lock lock(readyMutex);
    readyChanged.wait_for(lock, kStartWait, [this] { return readySignalled; });
    if (!watching) throw eFailed;
  } catch (...) {
    Stop();
    throw;
  }
}

void ManagerWin::Stop() {
  stopRequested = true;
  const uint64_t one = 1;
  if (::write(wakeFd, &one, sizeof one) == sizeof one) thread.Join();
}

void ManagerWin::RequestRefresh() {
  const uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
}

uint32_t ManagerWin::MessageLoop(void* argument) {
  if (argument == nullptr) return static_cast<uint32_t>(-1);
  return static_cast<ManagerWin*>(argument)->RunNotificationLoop();
}

uint32_t ManagerWin::RunNotificationLoop() {
  if (moduleInstance == nullptr) moduleInstance = &ProgramResources();
  if (!CreateNotificationSource()) {
    DestroyNotificationSource();
    SignalReady();
    return static_cast<uint32_t>(-1);
  }
  watching = true;
  SignalReady();
  pollfd sources[] = {{::udev_monitor_get_fd(monitor), POLLIN, 0}, {wakeFd, POLLIN, 0}};
  // A keyboard libusb had not yet learnt of when it was looked at is tried again a little later.
  int rebuildDelayMs = -1;
  while (!stopRequested) {
    const int ready = ::poll(sources, 2, rebuildDelayMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (ready == 0) {
      RefreshContained();
      rebuildDelayMs = NextRebuildDelayMs(true);
    } else if (ServeReadySources(sources)) {
      rebuildDelayMs = NextRebuildDelayMs(false);
    }
  }
  DestroyNotificationSource();
  return 0;
}

// Serves a refresh request and a device event, whichever are ready. True when it refreshed.
bool ManagerWin::ServeReadySources(const pollfd (&sources)[2]) {
  bool refreshed = false;
  if (sources[1].revents & POLLIN) {
    uint64_t count = 0;
    if (::read(wakeFd, &count, sizeof count) == sizeof count && !stopRequested) {
      RefreshContained();
      refreshed = true;
    }
  }
  if (sources[0].revents & POLLIN) refreshed = HandleDeviceEvent() || refreshed;
  return refreshed;
}

bool ManagerWin::CreateNotificationSource() {
  udevContext = ::udev_new();
  monitor = udevContext != nullptr ? ::udev_monitor_new_from_netlink(udevContext, "udev") : nullptr;
  if (monitor == nullptr ||
      ::udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0) {
    Diagnostics::CodeLine(stderr, "Error: failed to create message loop (", eFailed);
    return false;
  }
  if (::udev_monitor_enable_receiving(monitor) < 0) {
    Diagnostics::TextLine(stderr, "Error: failed to register for device notification");
    return false;
  }
  return true;
}

void ManagerWin::DestroyNotificationSource() {
  if (monitor != nullptr) ::udev_monitor_unref(monitor);
  if (udevContext != nullptr) ::udev_unref(udevContext);
  monitor = nullptr;
  udevContext = nullptr;
}

void ManagerWin::SignalReady() {
  {
    std::lock_guard lock(readyMutex);
    readySignalled = true;
  }
  readyChanged.notify_all();
}

// A USB device coming or going is this system's "device nodes changed". True when it refreshed.
bool ManagerWin::HandleDeviceEvent() {
  UdevDevice device(::udev_monitor_receive_device(monitor));
  if (!device) return false;
  ::syslog(LOG_DEBUG, "WM_DEVICECHANGE");
  const char* action = ::udev_device_get_action(device.get());
  if (action == nullptr ||
      (std::strcmp(action, "add") != 0 && std::strcmp(action, "remove") != 0)) {
    return false;
  }
  ::syslog(LOG_DEBUG, "DBT_DEVNODES_CHANGED");
  // sysfs may still show a device whose removal is being announced; this refresh must not count
  // it as present, or its loader would keep a keyboard that has gone.
  const char* node = ::udev_device_get_devnode(device.get());
  leavingNode = std::strcmp(action, "remove") == 0 && node != nullptr ? node : "";
  RefreshContained();
  leavingNode.clear();
  return true;
}

void ManagerWin::EnumerateDevices(std::set<std::wstring>& presentPaths,
                                  std::set<Device*>& newDevices) {
  std::unique_ptr<udev, UdevDeleter> context(::udev_new());
  if (!context) throw eFailed;
  std::unique_ptr<udev_enumerate, UdevEnumerateDeleter> enumerate(
      ::udev_enumerate_new(context.get()));
  const std::string vendor = LowerCase(VendorIdText);
  if (!enumerate || ::udev_enumerate_add_match_subsystem(enumerate.get(), "usb") < 0 ||
      ::udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", "usb_device") < 0 ||
      ::udev_enumerate_add_match_sysattr(enumerate.get(), "idVendor", vendor.c_str()) < 0 ||
      ::udev_enumerate_scan_devices(enumerate.get()) < 0) {
    throw eFailed;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, ::udev_enumerate_get_list_entry(enumerate.get())) {
    errno = 0;
    UdevDevice device(
        ::udev_device_new_from_syspath(context.get(), ::udev_list_entry_get_name(entry)));
    const char* node = device ? ::udev_device_get_devnode(device.get()) : nullptr;
    if (node == nullptr) {
      DeviceUnreadable();
      continue;
    }
    if (leavingNode == node) continue;
    ProcessPresentDevice(
        FromLocaleBytes(node), HardwareId(device.get()), [&] { return ServiceName(device.get()); },
        presentPaths, newDevices);
  }
}

}  // namespace CVFirmwareLoader
