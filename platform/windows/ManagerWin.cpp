#include "platform/windows/ManagerWin.h"

#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <new>
#include <optional>

#include "engine/Diagnostics.h"
#include "engine/EResult.h"
#include "platform/ProgramResources.h"
#include "platform/windows/DriverInterfaceClass.h"

namespace CVFirmwareLoader {
namespace {

constexpr GUID EnumeratedInterfaceClasses[] = {kKeyboardInterfaceClass};

// KSCATEGORY_AUDIO_DEVICE: the kernel-streaming audio devices, whose notices the window asks for.
constexpr GUID kAudioDeviceCategory = {
    0xfbf6f530, 0x07b9, 0x11d2, {0xa7, 0x1e, 0x00, 0x00, 0xf8, 0x00, 0x47, 0x88}};

constexpr wchar_t kWindowClassName[] = L"corvane.firmware-loader.device-interface";
constexpr wchar_t kWindowTitle[] = L"<untitled>";
constexpr UINT kRefreshMessage = 0x2000;
constexpr UINT_PTR kRebuildTimer = 1;
constexpr DWORD kStartWaitMs = 500;
constexpr uint32_t kCannotRun = static_cast<uint32_t>(-1);

constexpr wchar_t kTrayWindowClass[] = L"corvane.cvw32.window-class.task-bar-icon";
constexpr wchar_t kTrayWindowName[] = L"corvane.window-name.task-bar-icon";

struct DeviceInfoSetDeleter {
  void operator()(HDEVINFO deviceInfoSet) const { SetupDiDestroyDeviceInfoList(deviceInfoSet); }
};

struct FreeDeleter {
  void operator()(void* memory) const { std::free(memory); }
};

// An interface or one of its properties that cannot be read is written about with the system's
// error code of that moment, and then passed over or taken as absent.
std::nullopt_t InterfaceUnreadable() {
  Diagnostics::CodeAndSystemErrorLine(stderr, "DEBUG: error in ProcessDeviceInfoSet (", eFailed,
                                      GetLastError());
  return std::nullopt;
}

std::wstring PropertyUnreadable() {
  Diagnostics::CodeAndSystemErrorLine(stderr, "DEBUG: error in GetDeviceRegistryPropertyWStr (",
                                      eFailed, GetLastError());
  return {};
}

// The interface's path, filling in the record of the device that exposes it.
std::optional<std::wstring> InterfacePath(HDEVINFO deviceInfoSet,
                                          SP_DEVICE_INTERFACE_DATA& interfaceData,
                                          SP_DEVINFO_DATA& deviceData) {
  DWORD size = 0;
  SetupDiGetDeviceInterfaceDetailW(deviceInfoSet, &interfaceData, nullptr, 0, &size, nullptr);
  // A size that cannot even hold the record's fixed part is as unusable as none.
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return InterfaceUnreadable();
  std::unique_ptr<SP_DEVICE_INTERFACE_DETAIL_DATA_W, FreeDeleter> detail(
      static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(std::calloc(1, size)));
  if (!detail) return InterfaceUnreadable();
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  deviceData = {};
  deviceData.cbSize = sizeof deviceData;
  if (!SetupDiGetDeviceInterfaceDetailW(deviceInfoSet, &interfaceData, detail.get(), size, nullptr,
                                        &deviceData)) {
    return InterfaceUnreadable();
  }
  const size_t capacity =
      (size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
  return std::wstring(detail->DevicePath, wcsnlen(detail->DevicePath, capacity));
}

// A text property of the device, up to its first terminator (a hardware ID list yields its first
// ID); empty when it cannot be read.
std::wstring GetDeviceRegistryPropertyWStr(HDEVINFO deviceInfoSet, SP_DEVINFO_DATA& deviceData,
                                           DWORD property) {
  DWORD size = 0;
  SetupDiGetDeviceRegistryPropertyW(deviceInfoSet, &deviceData, property, nullptr, nullptr, 0,
                                    &size);
  if (size == 0) return PropertyUnreadable();
  const size_t capacity = (size + sizeof(wchar_t) - 1) / sizeof(wchar_t);
  std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[capacity]());
  if (!buffer) return PropertyUnreadable();
  if (!SetupDiGetDeviceRegistryPropertyW(deviceInfoSet, &deviceData, property, nullptr,
                                         reinterpret_cast<BYTE*>(buffer.get()), size, nullptr)) {
    return PropertyUnreadable();
  }
  // The value's type is not looked at, so nothing says that it holds a terminator: the text also
  // ends where the value does.
  return std::wstring(buffer.get(), wcsnlen(buffer.get(), size / sizeof(wchar_t)));
}

}  // namespace

ManagerWin::ManagerWin()
    : pauser(kTrayWindowClass, kTrayWindowName), thread(&ManagerWin::MessageLoop, this) {
  SetInstance(this);
  try {
    Start();
  } catch (...) {
    SetInstance(nullptr);
    throw;
  }
}

ManagerWin::~ManagerWin() {
  Stop();
  SetInstance(nullptr);
  thread.Close();
}

void ManagerWin::EnumerateDevices(std::set<std::wstring>& presentPaths,
                                  std::set<Device*>& newDevices) {
  for (const GUID& interfaceClass : EnumeratedInterfaceClasses) {
    HDEVINFO deviceInfoSet = SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (deviceInfoSet == INVALID_HANDLE_VALUE) continue;
    // Released however the walk ends, also when an exception leaves it.
    const std::unique_ptr<void, DeviceInfoSetDeleter> owned(deviceInfoSet);
    ProcessDeviceInfoSet(deviceInfoSet, interfaceClass, presentPaths, newDevices);
  }
}

void ManagerWin::ProcessDeviceInfoSet(HDEVINFO deviceInfoSet, const GUID& interfaceClass,
                                      std::set<std::wstring>& presentPaths,
                                      std::set<Device*>& newDevices) {
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!SetupDiEnumDeviceInterfaces(deviceInfoSet, nullptr, &interfaceClass, index,
                                     &interfaceData)) {
      return;
    }
    SP_DEVINFO_DATA deviceData{};
    const std::optional<std::wstring> path =
        InterfacePath(deviceInfoSet, interfaceData, deviceData);
    if (!path) continue;
    ProcessPresentDevice(
        *path, GetDeviceRegistryPropertyWStr(deviceInfoSet, deviceData, SPDRP_HARDWAREID),
        [&] { return GetDeviceRegistryPropertyWStr(deviceInfoSet, deviceData, SPDRP_SERVICE); },
        presentPaths, newDevices);
  }
}

void ManagerWin::RequestRefresh() {
  // Without a window the post would land in the calling thread's own queue.
  if (HWND target = window) PostMessageW(target, kRefreshMessage, 0, 0);
}

void ManagerWin::Start() {
  try {
    if (thread.IsRunning()) throw eAlreadyDone;
    {
      std::lock_guard lock(startMutex);
      readyEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      if (readyEvent == nullptr) throw eFailed;
    }
    thread.Start();
    WaitForSingleObject(readyEvent, kStartWaitMs);
    CloseReadyEvent();
    if (window == nullptr) throw eFailed;
    RegisterForDeviceNotification();
  } catch (...) {
    Stop();
    throw;
  }
}

void ManagerWin::CloseReadyEvent() {
  std::lock_guard lock(startMutex);
  CloseHandle(readyEvent);
  readyEvent = nullptr;
}

void ManagerWin::Stop() {
  if (registration != nullptr) {
    if (!UnregisterDeviceNotification(registration)) {
      Diagnostics::CodeLine(stderr, "Error: failed to unregister for device notification (",
                            eFailed);
    }
    registration = nullptr;
  }
  HWND target = nullptr;
  {
    // A thread whose window does not exist yet finds the request once it has made it.
    std::lock_guard lock(startMutex);
    stopRequested = true;
    target = window;
  }
  if (target == nullptr) return;
  if (PostMessageW(target, WM_QUIT, 0, 0)) {
    thread.Join();
  } else {
    // A queue too full to take the WM_QUIT is still being worked through.
    quitNotPosted = true;
  }
}

void ManagerWin::RegisterForDeviceNotification() {
  if (window == nullptr) throw eNotReady;
  if (registration != nullptr) throw eAlreadyDone;
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kAudioDeviceCategory;
  registration = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (registration == nullptr) throw eFailed;
}

uint32_t ManagerWin::MessageLoop(void* argument) {
  if (argument == nullptr) return kCannotRun;
  return static_cast<ManagerWin*>(argument)->RunMessageLoop();
}

uint32_t ManagerWin::RunMessageLoop() {
  try {
    CreateNotificationWindow();
  } catch (EResult failure) {
    Diagnostics::CodeLine(stderr, "Error: failed to create message loop (", failure);
    DestroyNotificationWindow();
    SignalReady();
    return kCannotRun;
  }
  if (SignalReady()) {
    // Everything posted before Stop's WM_QUIT is handled first.
    MSG message;
    while (GetMessageW(&message, window, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
      if (quitNotPosted) break;
    }
  }
  DestroyNotificationWindow();
  return 0;
}

// Wakes a Start that still waits; one that has given up has closed the event, and the signal is
// dropped. False when the watcher is to stop already: a thread too late for its Start must not
// keep running, because nothing will post it a WM_QUIT.
bool ManagerWin::SignalReady() {
  std::lock_guard lock(startMutex);
  if (readyEvent != nullptr) SetEvent(readyEvent);
  return !stopRequested;
}

void ManagerWin::CreateNotificationWindow() {
  if (windowClass != 0 || window != nullptr) throw eAlreadyDone;
  if (moduleInstance == nullptr) moduleInstance = &ProgramResources();
  if (moduleHandle == nullptr) moduleHandle = GetModuleHandleW(nullptr);
  WNDCLASSEXW classRecord{};
  classRecord.cbSize = sizeof classRecord;
  classRecord.style = CS_HREDRAW | CS_VREDRAW;
  classRecord.lpfnWndProc = &ManagerWin::NotificationWindowProc;
  classRecord.hInstance = moduleHandle;
  classRecord.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  classRecord.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  classRecord.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  classRecord.lpszClassName = kWindowClassName;
  windowClass = RegisterClassExW(&classRecord);
  if (windowClass == 0) throw eFailed;
  HWND created = CreateWindowExW(0, kWindowClassName, kWindowTitle, WS_DISABLED, 10, 10, 10, 10,
                                 nullptr, nullptr, moduleHandle, nullptr);
  if (created == nullptr) {
    UnregisterClassW(MAKEINTATOM(windowClass), moduleHandle);
    windowClass = 0;
    throw eFailed;
  }
  ShowWindow(created, SW_HIDE);
  window = created;
}

void ManagerWin::DestroyNotificationWindow() {
  if (HWND existing = window.exchange(nullptr)) DestroyWindow(existing);
  if (windowClass != 0) {
    UnregisterClassW(MAKEINTATOM(windowClass), moduleHandle);
    windowClass = 0;
  }
}

LRESULT CALLBACK ManagerWin::NotificationWindowProc(HWND target, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
  // Only a ManagerWin makes this window, and it is the instance from before its thread starts
  // until after the thread has ended.
  auto* manager = static_cast<ManagerWin*>(Instance());
  if (manager == nullptr) return DefWindowProcW(target, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_DEVICECHANGE:
      OutputDebugStringW(L"WM_DEVICECHANGE");
      if (wParam == DBT_DEVNODES_CHANGED) {
        OutputDebugStringW(L"DBT_DEVNODES_CHANGED");
        manager->RefreshOnWindow(target, false);
      }
      return 0;
    case kRefreshMessage:
      manager->RefreshOnWindow(target, false);
      return 0;
    case WM_TIMER:
      if (wParam != kRebuildTimer) break;
      manager->RefreshOnWindow(target, true);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(target, message, wParam, lParam);
}

// Nothing a refresh throws may cross into the system's code that called the window procedure. A
// keyboard the refresh could not build is tried again on the window's timer.
void ManagerWin::RefreshOnWindow(HWND target, bool retrying) {
  RefreshContained();
  const int delayMs = NextRebuildDelayMs(retrying);
  if (delayMs < 0) {
    KillTimer(target, kRebuildTimer);
  } else {
    SetTimer(target, kRebuildTimer, static_cast<UINT>(delayMs), nullptr);
  }
}

}  // namespace CVFirmwareLoader
