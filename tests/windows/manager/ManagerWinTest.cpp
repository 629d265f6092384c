#include "platform/windows/ManagerWin.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/Loader.h"
#include "support/Deadlines.h"
#include "support/FakeDevice.h"
#include "support/ResultOf.h"
#include "support/TestLockName.h"
#include "windows/support/DeviceInterfaceRegistry.h"

using namespace CVFirmwareLoader;
namespace Registry = EvarixWinTest::DeviceInterfaceRegistry;
using EvarixTest::Eventually;
using EvarixTest::ResultOf;

namespace {

constexpr wchar_t kKeyboardId[] = L"USB\\VID_1209&PID_0005&REV_0100";
constexpr wchar_t kWindowClass[] = L"corvane.firmware-loader.device-interface";

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// A driver that opens nothing; it remembers the paths the test asked for itself and counts the
// opens of other threads.
class UnopenableTransport final : public IDriverTransport {
 public:
  std::unique_ptr<IDriverHandle> Open(const std::wstring& path) override {
    std::lock_guard guard(mutex_);
    if (std::this_thread::get_id() == testThread_) {
      openedHere_.push_back(path);
    } else {
      ++openedElsewhere_;
    }
    return nullptr;
  }
  std::vector<std::wstring> OpenedHere() const {
    std::lock_guard guard(mutex_);
    return openedHere_;
  }
  size_t OpenedElsewhere() const {
    std::lock_guard guard(mutex_);
    return openedElsewhere_;
  }

 private:
  const std::thread::id testThread_ = std::this_thread::get_id();
  mutable std::mutex mutex_;
  std::vector<std::wstring> openedHere_;
  size_t openedElsewhere_ = 0;
};

// The real enumeration through Wine's SetupAPI, over keyboards plugged into the registry.
class EnumerationTest : public testing::Test {
 protected:
  void TearDown() override {
    for (unsigned slot : plugged_) Registry::Unplug(slot);
  }
  void Plug(unsigned slot, std::wstring_view hardwareId, std::wstring_view service = L"evarix") {
    ASSERT_TRUE(Registry::Plug(slot, hardwareId, service));
    plugged_.push_back(slot);
  }
  void Enumerate() {
    presentPaths.clear();
    newDevices.clear();
    manager.EnumerateDevices(presentPaths, newDevices);
  }

  ManagerWin manager;
  UnopenableTransport transport;
  ScopedSeam<IDriverTransport> transportInstalled{&transport};
  std::set<std::wstring> presentPaths;
  std::set<Device*> newDevices;

 private:
  std::vector<unsigned> plugged_;
};

TEST_F(EnumerationTest, KeyboardWhoseDriverCannotBeOpenedIsLookedAtAgain) {
  Plug(1, kKeyboardId);
  Enumerate();
  Enumerate();
  EXPECT_TRUE(presentPaths.empty());
  EXPECT_TRUE(newDevices.empty());
  const std::wstring path = Registry::InterfacePath(1);
  EXPECT_EQ(transport.OpenedHere(), (std::vector{path, path}));
  // No notice comes for it again: the watcher tries again by itself.
  manager.RequestRefresh();
  EXPECT_TRUE(Eventually([&] { return transport.OpenedElsewhere() >= 3; }));
}

TEST_F(EnumerationTest, DeviceOfNoSupportedModelIsOnlyNamed) {
  // Neither has a service: reading it would be written about.
  Plug(2, L"USB\\VID_1209&PID_0007&REV_0100", L"");
  Plug(3, L"", L"");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Enumerate();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(SortedLines(testing::internal::GetCapturedStdout()),
            (std::vector<std::string>{
                "DEBUG: skipping unsupported device: ",
                "DEBUG: skipping unsupported device: USB\\VID_1209&PID_0007&REV_0100"}));
  // For the device without a hardware ID.
  EXPECT_EQ(SortedLines(errors).size(), 1u);
  EXPECT_EQ(errors.rfind("DEBUG: error in GetDeviceRegistryPropertyWStr (-10, ", 0), 0u) << errors;
  EXPECT_TRUE(transport.OpenedHere().empty());
  EXPECT_TRUE(presentPaths.empty() && newDevices.empty());
}

TEST_F(EnumerationTest, KeyboardHeldByALoaderIsNotBuiltAgain) {
  Plug(4, kKeyboardId);
  auto* loader = static_cast<Loader*>(manager.CreateLoader(0, EvarixTest::TestLockName()));
  ASSERT_NE(loader, nullptr);
  // The refresh CreateLoader asked for ends with the watcher, before the test hands the loader its
  // device and lists devices itself, as the program's refreshes take turns: that refresh would
  // take the device it did not list from the loader, and Wine's SetupAPI crashes when two threads
  // of a process list devices at once.
  manager.Stop();
  const std::wstring path = Registry::InterfacePath(4);
  EXPECT_TRUE(loader->AttachDevice(new EvarixTest::FakeDevice({.path = path})));
  Enumerate();
  manager.DestroyLoader(loader);
  EXPECT_EQ(presentPaths, std::set{path});
  EXPECT_TRUE(newDevices.empty());
  EXPECT_TRUE(transport.OpenedHere().empty());
}

// The manager's own process's window: other test programs may run their watchers beside this one.
HWND OwnNotificationWindow() {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, kWindowClass, L"<untitled>")) != nullptr) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return window;
  }
  return nullptr;
}

// Counts its refreshes, with the thread each ran on, instead of enumerating.
class CountingManager final : public ManagerWin {
 public:
  void Refresh() override {
    {
      std::lock_guard guard(mutex_);
      threads_.push_back(std::this_thread::get_id());
    }
    if (failNext.exchange(false)) throw eDeviceError;
  }
  std::vector<std::thread::id> Threads() const {
    std::lock_guard guard(mutex_);
    return threads_;
  }

  std::atomic<bool> failNext{false};

 private:
  mutable std::mutex mutex_;
  std::vector<std::thread::id> threads_;
};

// Stop handles everything posted before its WM_QUIT, so the counts are final once it returns.
TEST(NotificationWindowTest, RefreshesForChangedDeviceNodesAndRequestsOnly) {
  CountingManager manager;
  HWND window = OwnNotificationWindow();
  ASSERT_NE(window, nullptr);
  // Notices whose lParam points to data cannot be posted; this one carries none.
  ASSERT_TRUE(PostMessageW(window, WM_DEVICECHANGE, DBT_CONFIGCHANGED, 0));
  ASSERT_TRUE(PostMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
  ASSERT_TRUE(PostMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
  manager.RequestRefresh();
  manager.Stop();
  const std::vector<std::thread::id> threads = manager.Threads();
  ASSERT_EQ(threads.size(), 3u);
  for (const std::thread::id& thread : threads) {
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(thread, threads.front());
  }
  EXPECT_EQ(OwnNotificationWindow(), nullptr);
  EXPECT_EQ(ResultOf([&] { manager.Start(); }), eAlreadyDone);
}

TEST(NotificationWindowTest, RefreshThatThrowsIsWrittenAndTheWatchingGoesOn) {
  CountingManager manager;
  manager.failNext = true;
  testing::internal::CaptureStderr();
  manager.RequestRefresh();
  manager.RequestRefresh();
  manager.Stop();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: refresh failed (-70)\n");
  EXPECT_EQ(manager.Threads().size(), 2u);
}

TEST(NotificationWindowTest, StartWithoutItsWindowUndoesTheConstruction) {
  // A class of the same name, registered first, keeps the watcher from making its window.
  WNDCLASSEXW taken{};
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = &DefWindowProcW;
  taken.hInstance = GetModuleHandleW(nullptr);
  taken.lpszClassName = kWindowClass;
  ASSERT_NE(RegisterClassExW(&taken), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ResultOf([] { ManagerWin manager; }), eFailed);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: failed to create message loop (-10)\n");
  EXPECT_EQ(Manager::Instance(), nullptr);
  UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
}

}  // namespace
