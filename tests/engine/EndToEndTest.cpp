#include <gtest/gtest.h>

#include <thread>

#include "engine/DeviceWin.h"
#include "engine/ILoader.h"
#include "engine/Loader.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "support/FakeSystemFacts.h"
#include "support/TestLockName.h"
#include "support/TestManager.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"

using namespace CVFirmwareLoader;

namespace {

// The keyboard's whole update through the manager, the engine's driver requests and the USB
// mapping, with the test standing in for the notification thread.
TEST(EndToEndTest, KeyboardIsUpdatedThroughTheManager) {
  EvarixSim::SimBus bus;
  EvarixSim::SimTransport transport(bus);
  EvarixTest::FakeSystemFacts system;
  system.InstallDriverRule(SupportedModelTable[0].driverFilePath);
  ScopedPlatform platform({&transport, &system, nullptr});
  EvarixTest::TestManager manager(
      &ProgramResources(),
      [&bus](EvarixTest::TestManager& self, auto& presentPaths, auto& newDevices) {
        for (const EvarixSim::PresentDevice& present : bus.Present()) {
          self.ProcessPresentDevice(
              present.path, present.hardwareId, [&] { return present.serviceName; }, presentPaths,
              newDevices);
        }
      });
  EvarixSim::SimKeyboard& keyboard = bus.Plug({.firmwareVersion = 0x1022, .pollTimeoutMs = 0});

  ILoader* loader = manager.CreateLoader(0, EvarixTest::TestLockName());
  ASSERT_NE(loader, nullptr);
  manager.Refresh();
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateAvailable));
  EXPECT_EQ(loader->GetDeviceFirmwareVersion(), L"0x1022");

  const std::vector<std::wstring> versions = loader->GetImageVersions();
  ASSERT_EQ(versions, std::vector<std::wstring>{L"0x1023"});
  ASSERT_EQ(loader->StartUpdate(versions.front()), 0);
  EXPECT_EQ(keyboard.CurrentMode(), EvarixSim::Mode::Update);

  int percent = 0;
  int secondsLeft = 0;
  for (int refresh = 0; refresh < 1000; ++refresh) {
    manager.Refresh();  // follows the keyboard out of and back into the bus
    if (loader->GetProgress(percent, secondsLeft) != static_cast<int>(UpdateStatus::Running)) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(loader->GetProgress(percent, secondsLeft), static_cast<int>(UpdateStatus::Succeeded));
  manager.Refresh();
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpToDate));
  EXPECT_EQ(loader->GetDeviceFirmwareVersion(), L"0x1023");

  const EmbeddedResource* shipped = ProgramResources().Find(L"DFU", L"EV3_25_1023-0780");
  ASSERT_NE(shipped, nullptr);
  EXPECT_EQ(keyboard.ReceivedPayload(),
            std::vector<uint8_t>(shipped->bytes.begin(), shipped->bytes.end() - 18));
  manager.DestroyLoader(loader);
}

}  // namespace
