#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "engine/ApplicationPauser.h"
#include "engine/CThread.h"
#include "engine/Manager.h"
#include "platform/DesktopApplications.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/X11DesktopApplications.h"

struct pollfd;
struct udev;
struct udev_monitor;

namespace CVFirmwareLoader {

class LibusbTransport;

// The one device manager of the program on Linux. It closes the tray application first and starts
// it again last, installs the real platform services, and runs every refresh on a notification
// thread of its own that watches udev for USB devices coming and going.
class ManagerWin : public Manager {
 public:
  // Throws the EResult of a failed start, after undoing what it did.
  ManagerWin();
  ~ManagerWin() override;

  // Keyboards are the USB devices of the maker's vendor ID; each is known by its device node.
  void EnumerateDevices(std::set<std::wstring>& presentPaths,
                        std::set<Device*>& newDevices) override;
  void RequestRefresh() override;

  // Starts the notification thread and waits at most 500 ms for it to watch; throws -20 when it
  // runs already and -10 when it is not watching in time.
  virtual void Start();
  // Ends the notification thread and waits for it. Throws nothing.
  virtual void Stop();

  // Whether the tray application refused to be closed, which asks the program to end.
  bool QuitRequested() const { return pauser.QuitRequested(); }

 private:
  static uint32_t MessageLoop(void* argument);
  uint32_t RunNotificationLoop();
  bool CreateNotificationSource();
  void DestroyNotificationSource();
  void SignalReady();
  bool ServeReadySources(const pollfd (&sources)[2]);
  bool HandleDeviceEvent();

  // The desktop is installed before the pauser, which uses it from its first step on.
  X11DesktopApplications desktop;
  ScopedDesktopApplications desktopInstalled{&desktop};
  ApplicationPauser pauser;
  LinuxSystemFacts systemFacts;
  std::unique_ptr<LibusbTransport> transport;
  std::unique_ptr<ScopedPlatform> platform;

  // Written before the thread starts and closed after it has ended: RequestRefresh and Stop can
  // always reach the thread, however late it is.
  int wakeFd = -1;
  std::atomic<bool> stopRequested{false};

  std::mutex readyMutex;
  std::condition_variable readyChanged;
  bool readySignalled = false;
  std::atomic<bool> watching{false};

  // Owned by the notification thread.
  std::string leavingNode;  // the node a "remove" being handled names
  udev* udevContext = nullptr;
  udev_monitor* monitor = nullptr;

  CThread thread;
};

}  // namespace CVFirmwareLoader
