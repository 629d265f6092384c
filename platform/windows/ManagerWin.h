#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "engine/ApplicationPauser.h"
#include "engine/CThread.h"
#include "engine/Manager.h"
#include "platform/DesktopApplications.h"
#include "platform/Platform.h"
#include "platform/windows/Win32DriverTransport.h"
#include "platform/windows/WinDesktopApplications.h"
#include "platform/windows/WinSystemFacts.h"

namespace CVFirmwareLoader {

// The one device manager of the program on Windows. It closes the tray application first and
// starts it again last, installs the platform services, and runs every refresh on a notification
// thread of its own, whose hidden window hears of devices coming and going.
class ManagerWin : public Manager {
 public:
  // Throws the EResult of a failed start, after undoing what it did.
  ManagerWin();
  ~ManagerWin() override;

  // Keyboards are the present device interfaces of the keyboard driver's class.
  void EnumerateDevices(std::set<std::wstring>& presentPaths,
                        std::set<Device*>& newDevices) override;
  // Posts the refresh message to the hidden window; nothing happens without a window.
  void RequestRefresh() override;

  // Starts the notification thread, waits at most 500 ms for its window and registers the window
  // for device notifications; throws -20 when a thread is held already and -10 for any other
  // failure, after stopping what it started.
  virtual void Start();
  // Releases the registration and ends the notification thread, waiting for it when it has a
  // window. Throws nothing.
  virtual void Stop();

  // Whether the tray application refused to be closed, which asks the program to end.
  bool QuitRequested() const { return pauser.QuitRequested(); }

 private:
  static uint32_t MessageLoop(void* argument);
  static LRESULT CALLBACK NotificationWindowProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam);
  uint32_t RunMessageLoop();
  void CreateNotificationWindow();
  void DestroyNotificationWindow();
  void RegisterForDeviceNotification();
  bool SignalReady();
  void CloseReadyEvent();
  void RefreshOnWindow(HWND target, bool retrying);
  void ProcessDeviceInfoSet(HDEVINFO deviceInfoSet, const GUID& interfaceClass,
                            std::set<std::wstring>& presentPaths, std::set<Device*>& newDevices);

  // The desktop is installed before the pauser, which uses it from its first step on.
  WinDesktopApplications desktop;
  ScopedDesktopApplications desktopInstalled{&desktop};
  ApplicationPauser pauser;
  WinSystemFacts systemFacts;
  Win32DriverTransport transport;
  ScopedPlatform platform{{&transport, &systemFacts, nullptr}};

  // The module the window class is registered for; written by the notification thread.
  HINSTANCE moduleHandle = nullptr;

  // Guards the start-up handshake: the ready event, which Start closes while a late thread may
  // still signal it, and the stop request, which a late thread reads once its window exists.
  std::mutex startMutex;
  HANDLE readyEvent = nullptr;
  bool stopRequested = false;
  // Set by a Stop whose WM_QUIT the window's queue refused; the loop then ends by itself.
  std::atomic<bool> quitNotPosted{false};

  // Owned by the notification thread; the window is read by Start, Stop and RequestRefresh.
  ATOM windowClass = 0;
  std::atomic<HWND> window{nullptr};

  CThread thread;
  HDEVNOTIFY registration = nullptr;
};

}  // namespace CVFirmwareLoader
