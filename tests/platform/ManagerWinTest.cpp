#include "platform/linux/ManagerWin.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/ILoader.h"
#include "support/Deadlines.h"
#include "tests/platform/UmockdevKeyboard.h"

using namespace CVFirmwareLoader;
using EvarixTest::Eventually;

namespace {

// Large blocks keep the whole update to a few seconds through the emulated usbfs.
constexpr EvarixSim::KeyboardConfig kQuickKeyboard{
    .firmwareVersion = 0x1022, .transferSize = 1024, .pollTimeoutMs = 0};

// The real platform code end to end, with the simulated keyboard below libusb and libudev.
class ManagerWinTest : public EvarixSim::UmockdevKeyboardTest {
 protected:
  void SetUp() override {
    UmockdevKeyboardTest::SetUp();
    if (IsSkipped()) return;
    manager = std::make_unique<ManagerWin>();
  }
  void TearDown() override {
    if (manager && loader) manager->DestroyLoader(loader);
    manager.reset();
    UmockdevKeyboardTest::TearDown();
  }

  bool CheckBecomes(FirmwareCheck expected) {
    return Eventually([&] { return loader->CheckFirmware() == static_cast<int>(expected); });
  }

  int FinalStatus() {
    int percent = 0;
    int secondsLeft = 0;
    Eventually([&] {
      return loader->GetProgress(percent, secondsLeft) != static_cast<int>(UpdateStatus::Running);
    });
    return loader->GetProgress(percent, secondsLeft);
  }

  std::unique_ptr<ManagerWin> manager;
  ILoader* loader = nullptr;
};

TEST_F(ManagerWinTest, FollowsTheKeyboardThroughItsUpdate) {
  EvarixSim::SimKeyboard& keyboard = bus_.Plug(kQuickKeyboard);
  loader = manager->CreateLoader(0);
  ASSERT_NE(loader, nullptr);
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  ASSERT_EQ(loader->StartUpdate(L"0x1023"), 0);
  EXPECT_EQ(FinalStatus(), static_cast<int>(UpdateStatus::Succeeded));
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::UpToDate));
  EXPECT_EQ(keyboard.CurrentMode(), EvarixSim::Mode::Application);
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1023);
}

TEST_F(ManagerWinTest, KeyboardUnpluggedMidDownloadFailsTheUpdate) {
  EvarixSim::SimKeyboard& keyboard = bus_.Plug(kQuickKeyboard);
  keyboard.SetFaults({.unplugAtBlock = 60});
  loader = manager->CreateLoader(0);
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  ASSERT_EQ(loader->StartUpdate(L"0x1023"), 0);
  EXPECT_EQ(FinalStatus(), static_cast<int>(UpdateStatus::Failed));
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::NoKeyboard));
  // Plugged in again, it starts in update mode with incomplete firmware, and Update recovers it.
  keyboard.SetFaults({});
  bus_.Replug(keyboard);
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateRequired));
  ASSERT_EQ(loader->StartUpdate(L"0x1023"), 0);
  EXPECT_EQ(FinalStatus(), static_cast<int>(UpdateStatus::Succeeded));
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::UpToDate));
}

TEST_F(ManagerWinTest, NoKeyboardMeansNoKeyboard) {
  loader = manager->CreateLoader(0);
  ASSERT_NE(loader, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NoKeyboard));
}

}  // namespace
