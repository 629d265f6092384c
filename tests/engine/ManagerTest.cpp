#include "engine/Manager.h"

#include <gtest/gtest.h>

#include "engine/EResult.h"
#include "engine/Loader.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "support/FakeDevice.h"
#include "support/FakeSystemFacts.h"
#include "support/TestLockName.h"
#include "support/TestManager.h"

using namespace CVFirmwareLoader;
using EvarixTest::FakeDevice;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

FakeDevice* Keyboard(std::wstring path) {
  return new FakeDevice({.path = std::move(path)});
}

class ManagerTest : public testing::Test {
 protected:
  ManagerTest() { system.InstallDriverRule(SupportedModelTable[0].driverFilePath); }

  // The keyboards the next refreshes find: paths of held ones are reported present, the others
  // are offered as new devices.
  void Present(std::vector<std::wstring> paths) { present = std::move(paths); }

  void Enumerate(EvarixTest::TestManager& self, std::set<std::wstring>& presentPaths,
                 std::set<Device*>& newDevices) {
    if (failEnumeration) {
      newDevices.insert(Keyboard(L"/dev/bus/usb/001/099"));
      throw eFailed;
    }
    for (const std::wstring& path : present) {
      if (self.FindLoaderByPath(path) != nullptr) {
        presentPaths.insert(path);
      } else {
        auto* device = Keyboard(path);
        created.push_back(device->destroyed);
        newDevices.insert(device);
      }
    }
  }

  Loader* Create(int model) {
    return static_cast<Loader*>(manager.CreateLoader(model, EvarixTest::TestLockName()));
  }

  EvarixTest::FakeSystemFacts system;
  ScopedPlatform platform{{nullptr, &system, nullptr}};
  std::vector<std::wstring> present;
  std::vector<std::shared_ptr<std::atomic<bool>>> created;
  bool failEnumeration = false;
  EvarixTest::TestManager manager{&ProgramResources(),
                                  [this](auto& self, auto& presentPaths, auto& newDevices) {
                                    Enumerate(self, presentPaths, newDevices);
                                  }};
};

TEST_F(ManagerTest, LoaderHoldsItsKeyboardUntilARefreshFindsItGone) {
  EXPECT_EQ(Manager::Instance(), &manager);
  Loader* loader = Create(0);
  ASSERT_NE(loader, nullptr);
  EXPECT_EQ(manager.refreshRequests, 1);
  Present({L"/dev/bus/usb/001/002"});
  manager.Refresh();
  Device* held = loader->GetDevice();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(manager.FindLoaderByPath(L"/dev/bus/usb/001/002"), loader);
  EXPECT_EQ(manager.FindLoaderByPath(L"/DEV/bus/usb/001/002"), nullptr);  // exact comparison
  manager.Refresh();
  EXPECT_EQ(created.size(), 1u) << "a held keyboard was built again";
  EXPECT_EQ(loader->GetDevice(), held);

  // A failed enumeration tells no loader anything, and destroys what it built.
  failEnumeration = true;
  CaptureStderr();
  manager.Refresh();
  EXPECT_EQ(GetCapturedStderr(), "Error: failed to enumerate devices\n");
  EXPECT_EQ(loader->GetDevice(), held);
  failEnumeration = false;

  Present({});
  manager.Refresh();
  EXPECT_EQ(loader->GetDevice(), nullptr);
  EXPECT_TRUE(*created.at(0));
  manager.DestroyLoader(loader);
}

TEST_F(ManagerTest, KeyboardNoLoaderTakesIsIgnoredAndDestroyed) {
  Loader* loader = Create(0);
  Present({L"/dev/bus/usb/001/002", L"/dev/bus/usb/001/003"});
  CaptureStderr();
  manager.Refresh();
  const std::string lines = GetCapturedStderr();
  ASSERT_EQ(created.size(), 2u);
  const std::wstring taken = loader->GetDevice()->GetPath();
  const std::string ignored = taken == L"/dev/bus/usb/001/002" ? "003" : "002";
  EXPECT_EQ(lines, "Ignoring device: /dev/bus/usb/001/" + ignored + "\n");
  EXPECT_TRUE(*created.at(0) != *created.at(1));
  // The loader takes its keyboard with it, and its path is no longer known.
  manager.DestroyLoader(loader);
  EXPECT_TRUE(*created.at(0) && *created.at(1));
  EXPECT_EQ(manager.FindLoaderByPath(taken), nullptr);
}

TEST_F(ManagerTest, NewKeyboardIsOfferedInModelOrder) {
  Loader* first = Create(0);
  Loader* second = Create(1);
  Present({L"/dev/bus/usb/001/002"});
  manager.Refresh();
  EXPECT_NE(first->GetDevice(), nullptr);
  EXPECT_EQ(second->GetDevice(), nullptr);
  Present({L"/dev/bus/usb/001/002", L"/dev/bus/usb/001/003"});
  manager.Refresh();
  ASSERT_NE(second->GetDevice(), nullptr);
  EXPECT_EQ(second->GetDevice()->GetPath(), L"/dev/bus/usb/001/003");
  manager.DestroyLoader(second);
  manager.DestroyLoader(first);
}

// Destroying a loader that a later one replaced must not unregister the later one, or no
// refresh would ever reach it again.
TEST_F(ManagerTest, ReplacedLoaderIsDestroyedWithoutUnregisteringItsSuccessor) {
  Loader* first = Create(0);
  Loader* second = Create(0);
  manager.DestroyLoader(first);
  Present({L"/dev/bus/usb/001/002"});
  manager.Refresh();
  EXPECT_NE(second->GetDevice(), nullptr);
  manager.DestroyLoader(second);
  manager.DestroyLoader(nullptr);
}

// A loader that throws while it takes a device ends the refresh; the device it took stays, the
// others built in that refresh go.
TEST_F(ManagerTest, ThrowingOfferLosesNoDevice) {
  Loader* loader = Create(0);
  loader->SetStateCallback([](ILoader*) -> int { throw std::bad_alloc(); });
  Present({L"/dev/bus/usb/001/002", L"/dev/bus/usb/001/003", L"/dev/bus/usb/001/004"});
  EXPECT_THROW(manager.Refresh(), std::bad_alloc);
  ASSERT_EQ(created.size(), 3u);
  ASSERT_NE(loader->GetDevice(), nullptr);
  EXPECT_EQ(std::count_if(created.begin(), created.end(), [](const auto& gone) { return !*gone; }),
            1);
  loader->ClearStateCallback();
  manager.DestroyLoader(loader);
}

TEST_F(ManagerTest, UnsupportedDeviceOnlyWritesADebugLine) {
  Loader* loader = Create(0);
  std::set<std::wstring> presentPaths;
  std::set<Device*> newDevices;
  bool serviceNameRead = false;
  CaptureStdout();
  manager.ProcessPresentDevice(
      L"/dev/bus/usb/001/007", L"USB\\VID_1209&PID_7777&REV_0100",
      [&] {
        serviceNameRead = true;
        return std::wstring(L"usb");
      },
      presentPaths, newDevices);
  EXPECT_EQ(GetCapturedStdout(),
            "DEBUG: skipping unsupported device: USB\\VID_1209&PID_7777&REV_0100\n");
  EXPECT_FALSE(serviceNameRead);
  EXPECT_TRUE(presentPaths.empty());
  EXPECT_TRUE(newDevices.empty());
  manager.DestroyLoader(loader);
}

}  // namespace
