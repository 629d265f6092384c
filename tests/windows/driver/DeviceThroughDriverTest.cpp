#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/DFUImageResource.h"
#include "engine/DeviceWin.h"
#include "engine/EResult.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "platform/windows/Win32DriverTransport.h"
#include "support/RecordingTracker.h"
#include "support/TestManager.h"
#include "windows/support/WindowsKeyboardRig.h"

using namespace CVFirmwareLoader;

namespace {

constexpr const wchar_t* kShippedImage = L"EV3_25_1023-0780";
// Takes the shipped image in about four hundred requests, with no time spent writing its flash.
constexpr EvarixSim::KeyboardConfig kFastKeyboard{
    .firmwareVersion = 0x1022, .transferSize = 1024, .pollTimeoutMs = 0};
constexpr EvarixSim::KeyboardConfig kFastKeyboardInUpdateMode{.mode = EvarixSim::Mode::Update,
                                                              .firmwareVersion = 0x1022,
                                                              .transferSize = 1024,
                                                              .pollTimeoutMs = 0};

std::vector<uint8_t> ShippedPayload() {
  const EmbeddedResource* shipped = ProgramResources().Find(L"DFU", kShippedImage);
  return {shipped->bytes.begin(), shipped->bytes.end() - 18};
}

bool Opens(const std::wstring& path) {
  HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

// The whole download into a device in update mode: its result and how long it took.
std::pair<int, std::chrono::duration<double>> Download(DeviceWin& device) {
  DFUImageResource image(kShippedImage);
  EvarixTest::RecordingTracker tracker;
  const auto start = std::chrono::steady_clock::now();
  const int result = device.Download(&image, &tracker);
  return {result, std::chrono::steady_clock::now() - start};
}

// DeviceWin as the program builds it, through the keyboard's driver interface: Win32's
// CreateFileW and DeviceIoControl on the path that enumeration lists.
class DeviceThroughDriverTest : public testing::Test {
 protected:
  std::unique_ptr<DeviceWin> ThroughDriver(const EvarixSim::SimKeyboard& keyboard) {
    return Create(rig.InterfacePathOf(keyboard), keyboard);
  }

  // The same keyboard reached without the driver, with the in-process transport installed.
  std::unique_ptr<DeviceWin> InProcess(const EvarixSim::SimKeyboard& keyboard) {
    return Create(rig.Bus().AppearanceOf(keyboard)->path, keyboard);
  }

  std::unique_ptr<DeviceWin> Create(const std::wstring& path,
                                    const EvarixSim::SimKeyboard& keyboard) {
    return std::unique_ptr<DeviceWin>(
        DeviceWin::Create(path, rig.Bus().AppearanceOf(keyboard)->hardwareId,
                          EvarixRelay::RelayDriverService::kName));
  }

  EvarixTest::WindowsKeyboardRig rig;
  Win32DriverTransport driver;
  ScopedPlatform platform{{&driver, nullptr, nullptr}};
  EvarixTest::TestManager manager{&ProgramResources()};
};

TEST_F(DeviceThroughDriverTest, KeyboardIsIdentifiedDetachedAndWrittenThroughTheDriver) {
  EvarixSim::SimKeyboard& keyboard = rig.Plug(kFastKeyboard);
  const std::wstring applicationPath = rig.InterfacePathOf(keyboard);
  std::unique_ptr<DeviceWin> application = ThroughDriver(keyboard);
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application->GetFirmwareVersion(), L"0x1022");
  EXPECT_FALSE(application->IsInUpdateMode());
  {
    ScopedPlatform inProcess({&rig.InProcessTransport(), nullptr, nullptr});
    EXPECT_EQ(application->GetInfoText(), InProcess(keyboard)->GetInfoText());
  }

  ASSERT_EQ(application->EnterUpdateMode(), eSuccess);
  EXPECT_EQ(keyboard.CurrentMode(), EvarixSim::Mode::Update);
  EXPECT_NE(rig.InterfacePathOf(keyboard), applicationPath);
  EXPECT_FALSE(Opens(applicationPath));

  std::unique_ptr<DeviceWin> update = ThroughDriver(keyboard);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(update->IsInUpdateMode());
  const uint64_t requestsBefore = rig.Server().Requests();
  const auto [result, throughDriver] = Download(*update);
  const uint64_t requests = rig.Server().Requests() - requestsBefore;
  ASSERT_EQ(result, eSuccess);
  EXPECT_EQ(keyboard.CurrentMode(), EvarixSim::Mode::Application);
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1023);
  EXPECT_EQ(keyboard.ReceivedPayload(), ShippedPayload());

  EvarixSim::SimKeyboard& other = rig.Plug(kFastKeyboardInUpdateMode);
  ScopedPlatform inProcess({&rig.InProcessTransport(), nullptr, nullptr});
  const auto [inProcessResult, inProcessTime] = Download(*InProcess(other));
  ASSERT_EQ(inProcessResult, eSuccess);
  const auto ms = [](std::chrono::duration<double> time) { return time.count() * 1000; };
  std::printf(
      "whole download of the shipped image: %llu requests, %.0f ms through the relay driver, "
      "%.1f ms through the in-process transport\n",
      static_cast<unsigned long long>(requests), ms(throughDriver), ms(inProcessTime));
}

TEST_F(DeviceThroughDriverTest, KeyboardPulledMidDownloadFailsItAndItsPathNoLongerOpens) {
  EvarixSim::SimKeyboard& keyboard = rig.Plug(kFastKeyboardInUpdateMode);
  keyboard.SetFaults({.unplugAtBlock = 5});
  const std::wstring path = rig.InterfacePathOf(keyboard);
  std::unique_ptr<DeviceWin> device = ThroughDriver(keyboard);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(Download(*device).first, eDeviceError);
  EXPECT_FALSE(Opens(path));

  rig.Bus().Replug(keyboard);
  EXPECT_TRUE(Opens(rig.InterfacePathOf(keyboard)));
  EXPECT_FALSE(Opens(path));
}

// Requests from two threads never mix their frames: each keyboard receives the whole image.
TEST_F(DeviceThroughDriverTest, TwoKeyboardsAreWrittenAtOnce) {
  EvarixSim::SimKeyboard* keyboards[] = {&rig.Plug(kFastKeyboardInUpdateMode),
                                         &rig.Plug(kFastKeyboardInUpdateMode)};
  std::unique_ptr<DeviceWin> devices[] = {ThroughDriver(*keyboards[0]),
                                          ThroughDriver(*keyboards[1])};
  ASSERT_NE(devices[0], nullptr);
  ASSERT_NE(devices[1], nullptr);
  int results[] = {eFailed, eFailed};
  {
    std::jthread second([&] { results[1] = Download(*devices[1]).first; });
    results[0] = Download(*devices[0]).first;
  }
  for (int index : {0, 1}) {
    EXPECT_EQ(results[index], eSuccess);
    EXPECT_EQ(keyboards[index]->ReceivedPayload(), ShippedPayload());
  }
}

}  // namespace
