#include "platform/linux/ManagerWin.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "engine/ILoader.h"
#include "support/Deadlines.h"
#include "support/TestLockName.h"
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
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
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
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
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

TEST_F(ManagerWinTest, KeyboardUnpluggedBeforeTheUpdateIsLeftAlone) {
  EvarixSim::SimKeyboard& keyboard = bus_.Plug(kQuickKeyboard);
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  bus_.Unplug(keyboard);
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::NoKeyboard));
  EXPECT_NE(loader->StartUpdate(L"0x1023"), 0);
  EXPECT_TRUE(keyboard.Requests().empty());
  bus_.Replug(keyboard);
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
}

// A keyboard that cannot be read when it arrives (another program is talking to it) brings no
// further device event: only trying again finds it.
TEST_F(ManagerWinTest, KeyboardThatCannotBeReadOnArrivalIsTriedAgain) {
  EvarixSim::SimKeyboard& keyboard = bus_.Plug(kQuickKeyboard);
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  bus_.Unplug(keyboard);
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::NoKeyboard));
  keyboard.SetFaults({.infoTextReadsToFail = 1});
  bus_.Replug(keyboard);
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
}

TEST_F(ManagerWinTest, KeyboardLostOnItsWayToUpdateModeIsGivenUpByAbortAndRecovers) {
  EvarixSim::SimKeyboard& keyboard = bus_.Plug(kQuickKeyboard);
  keyboard.SetFaults({.detachOutcome = EvarixSim::DetachOutcome::Gone});
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  ASSERT_EQ(loader->StartUpdate(L"0x1023"), 0);
  ASSERT_TRUE(Eventually([&] { return !bus_.AppearanceOf(keyboard); }));
  int percent = 0;
  int secondsLeft = 0;
  EXPECT_EQ(loader->GetProgress(percent, secondsLeft), static_cast<int>(UpdateStatus::Running));
  EXPECT_EQ(loader->AbortUpdate(), 0);
  EXPECT_EQ(FinalStatus(), static_cast<int>(UpdateStatus::Failed));
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::NoKeyboard));
  keyboard.SetFaults({});
  bus_.Replug(keyboard);
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  ASSERT_EQ(loader->StartUpdate(L"0x1023"), 0);
  EXPECT_EQ(FinalStatus(), static_cast<int>(UpdateStatus::Succeeded));
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::UpToDate));
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1023);
}

// Another product of the maker is named once per refresh and otherwise ignored, even while the
// keyboard beside it is found.
TEST_F(ManagerWinTest, UnsupportedDeviceOfTheMakerIsOnlyNamed) {
  testing::internal::CaptureStdout();
  bus_.Plug({.firmwareVersion = 0x0100, .applicationProductId = 0x0007});
  bus_.Plug(kQuickKeyboard);
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
  const bool found = CheckBecomes(FirmwareCheck::UpdateAvailable);
  manager->DestroyLoader(loader);
  loader = nullptr;
  manager.reset();  // no refresh can write after the capture ends
  std::istringstream lines(testing::internal::GetCapturedStdout());
  ASSERT_TRUE(found);
  int named = 0;
  for (std::string line; std::getline(lines, line); ++named) {
    EXPECT_EQ(line, "DEBUG: skipping unsupported device: USB\\VID_1209&PID_0007&REV_0100");
  }
  EXPECT_GT(named, 0);
}

// Bursts of uevents and refresh requests end with the loader holding the keyboard's latest
// appearance, which then takes the update.
TEST_F(ManagerWinTest, BurstsOfChangesEndOnTheLatestAppearance) {
  EvarixSim::SimKeyboard& keyboard = bus_.Plug(kQuickKeyboard);
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
  ASSERT_TRUE(CheckBecomes(FirmwareCheck::UpdateAvailable));
  for (int i = 0; i < 3; ++i) {
    bus_.Unplug(keyboard);
    manager->RequestRefresh();
    manager->RequestRefresh();
    bus_.Replug(keyboard);
  }
  // Until the last uevent is handled the loader may hold an appearance that has gone, on which
  // Update fails as it should; it must come to the latest one, which takes the update.
  ASSERT_TRUE(Eventually([&] { return loader->StartUpdate(L"0x1023") == 0; }));
  EXPECT_EQ(FinalStatus(), static_cast<int>(UpdateStatus::Succeeded));
  EXPECT_TRUE(CheckBecomes(FirmwareCheck::UpToDate));
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1023);
}

TEST_F(ManagerWinTest, NoKeyboardMeansNoKeyboard) {
  loader = manager->CreateLoader(0, EvarixTest::TestLockName());
  ASSERT_NE(loader, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NoKeyboard));
}

}  // namespace
