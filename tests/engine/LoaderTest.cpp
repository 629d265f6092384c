#include "engine/Loader.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "engine/DownloadLock.h"
#include "engine/EResult.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "support/Deadlines.h"
#include "support/FakeClock.h"
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

constexpr int kCeiling = 1200;

FakeDevice* ApplicationModeKeyboard(std::wstring version = L"0x1022",
                                    std::wstring info = L"V1022 B0780 H0100 VALID") {
  return new FakeDevice({.path = L"/dev/bus/usb/001/002",
                         .updateMode = false,
                         .firmwareVersion = std::move(version),
                         .infoText = std::move(info)});
}

FakeDevice* UpdateModeKeyboard(FakeDevice::DownloadScript script = {}) {
  return new FakeDevice({.path = L"/dev/bus/usb/001/003",
                         .updateMode = true,
                         .firmwareVersion = L"0x0000",
                         .infoText = L"V0000 B0780 H0100 VALID"},
                        std::move(script));
}

// Reports the first block and then waits to be cancelled, as a download stuck on a slow keyboard.
int ReportThenAwaitCancel(FakeDevice& device, DFUImage*, Device::ProgressTracker* tracker) {
  tracker->OnProgress(Device::ProgressTracker::kRunning, 0.0);
  device.WaitForCancel();
  tracker->OnProgress(Device::ProgressTracker::kFailed, 0.0);
  return eCancelled;
}

int SucceedAtOnce(FakeDevice&, DFUImage*, Device::ProgressTracker* tracker) {
  tracker->OnProgress(Device::ProgressTracker::kRunning, 0.0);
  tracker->OnProgress(Device::ProgressTracker::kFinished, 0.0);
  return eSuccess;
}

class LoaderTest : public testing::Test {
 protected:
  LoaderTest() { system.InstallDriverRule(SupportedModelTable[0].driverFilePath); }

  std::unique_ptr<Loader> MakeLoader() {
    return std::make_unique<Loader>(0, EvarixTest::TestLockName());
  }

  int Status(Loader& loader) {
    int percent = 0;
    int secondsLeft = 0;
    return loader.GetProgress(percent, secondsLeft);
  }

  // A loader that has detached an application-mode keyboard and now waits for it in update mode.
  std::unique_ptr<Loader> LoaderAwaitingUpdateMode(FakeDevice*& keyboard) {
    auto loader = MakeLoader();
    keyboard = ApplicationModeKeyboard();
    EXPECT_TRUE(loader->AttachDevice(keyboard));
    EXPECT_EQ(loader->StartUpdate(L"0x1023"), eSuccess);
    return loader;
  }

  // A loader whose download of an update-mode keyboard runs script; keyboard, if given, is told
  // which device that is.
  std::unique_ptr<Loader> LoaderDownloading(FakeDevice::DownloadScript script,
                                            FakeDevice** keyboard = nullptr) {
    auto loader = MakeLoader();
    FakeDevice* device = UpdateModeKeyboard(std::move(script));
    if (keyboard != nullptr) *keyboard = device;
    EXPECT_TRUE(loader->AttachDevice(device));
    EXPECT_EQ(loader->StartUpdate(L"0x1023"), eSuccess);
    return loader;
  }

  EvarixTest::FakeClock clock;
  EvarixTest::FakeSystemFacts system;
  ScopedPlatform platform{{nullptr, &system, &clock}};
  EvarixTest::TestManager manager{&ProgramResources()};
};

TEST_F(LoaderTest, ComparesTheKeyboardFirmwareWithTheImage) {
  struct Case {
    std::wstring version;
    std::wstring info;
    FirmwareCheck expected;
  };
  const Case cases[] = {
      {L"0x1022", L"V1022 B0780 H0100 VALID", FirmwareCheck::UpdateAvailable},
      {L"0x1023", L"V1023 B0780 H0100 VALID", FirmwareCheck::UpToDate},
      {L"0x1024", L"V1024 B0780 H0100 VALID", FirmwareCheck::DeviceNewer},
      {L"1023", L"V1023 B0780 H0100 VALID", FirmwareCheck::UpToDate},
      {L"0x1023", L"V1023 B0780 H0100 INVALID!", FirmwareCheck::UpdateRequired},
      {L"0x1023", L"V1023 B0780 H0100 invalid!", FirmwareCheck::UpToDate},
      // Only the fourth item counts, and only when the three before it parse.
      {L"0x1023", L"V1023 INVALID!", FirmwareCheck::UpToDate},
      {L"0x1023", L"V B0780 H0100 INVALID!", FirmwareCheck::UpToDate},
      {L"0x1023", L"", FirmwareCheck::UpToDate},
      {L"garbage", L"V1023 B0780 H0100 VALID", FirmwareCheck::NotReady},
  };
  for (const Case& c : cases) {
    auto loader = MakeLoader();
    ASSERT_TRUE(loader->AttachDevice(ApplicationModeKeyboard(c.version, c.info)));
    EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(c.expected))
        << std::string(c.version.begin(), c.version.end()) << " / "
        << std::string(c.info.begin(), c.info.end());
  }
}

TEST_F(LoaderTest, KeyboardInUpdateModeAlwaysNeedsTheUpdate) {
  auto loader = MakeLoader();
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NoKeyboard));
  EXPECT_EQ(loader->GetDeviceFirmwareVersion(), L"<n/a>");
  int percent = -1;
  int secondsLeft = -1;
  EXPECT_EQ(loader->GetProgress(percent, secondsLeft), static_cast<int>(UpdateStatus::None));
  EXPECT_EQ(std::make_pair(percent, secondsLeft), std::make_pair(0, kCeiling));
  ASSERT_TRUE(loader->AttachDevice(UpdateModeKeyboard()));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateRequired));
  EXPECT_EQ(Loader::LastCheck(), static_cast<int>(FirmwareCheck::UpdateRequired));
  EXPECT_EQ(loader->GetDeviceFirmwareVersion(), L"0x0000");
}

TEST_F(LoaderTest, MissingDriverRuleIsReportedInEveryState) {
  system.files.clear();
  auto loader = MakeLoader();
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::DriverMissing));
  ASSERT_TRUE(loader->AttachDevice(ApplicationModeKeyboard()));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::DriverMissing));
}

TEST_F(LoaderTest, WithoutAnImageTheKeyboardCannotBeUpdated) {
  EvarixTest::TestManager noResources(nullptr);
  CaptureStderr();
  auto loader = MakeLoader();
  EXPECT_EQ(GetCapturedStderr(), "Error: failed to open and validate firmware image file (-30)\n");
  EXPECT_TRUE(loader->GetImageVersions().empty());
  ASSERT_TRUE(loader->AttachDevice(ApplicationModeKeyboard()));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NotReady));
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eNoResource);
}

TEST_F(LoaderTest, StartUpdateChecksItsArgumentAndState) {
  auto loader = MakeLoader();
  ASSERT_EQ(loader->GetImageVersions(), std::vector<std::wstring>{L"0x1023"});
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eNoResource);  // no keyboard yet
  EXPECT_EQ(loader->AbortUpdate(), eNotReady);
  auto* keyboard = ApplicationModeKeyboard();
  ASSERT_TRUE(loader->AttachDevice(keyboard));
  EXPECT_EQ(loader->StartUpdate(L"0x1022"), eInvalidArgument);
  EXPECT_EQ(keyboard->detachRequests, 0);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::None));
  // A failed detach leaves the loader ready, with a failed status.
  keyboard->enterUpdateModeResult = eDeviceError;
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eDeviceError);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateAvailable));
  keyboard->enterUpdateModeResult = eSuccess;
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eSuccess);
  EXPECT_EQ(keyboard->detachRequests, 2);
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eNotReady);
}

TEST_F(LoaderTest, FollowsTheKeyboardThroughUpdateModeToSuccess) {
  FakeDevice* keyboard = nullptr;
  auto loader = LoaderAwaitingUpdateMode(keyboard);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Running));
  const auto gone = keyboard->destroyed;
  loader->DetachDevice(keyboard);
  EXPECT_TRUE(*gone);
  EXPECT_EQ(loader->CheckFirmware(), Loader::LastCheck());  // waiting: the last answer stands
  EXPECT_TRUE(loader->AttachDevice(UpdateModeKeyboard(SucceedAtOnce)));
  ASSERT_TRUE(EvarixTest::Eventually(
      [&] { return Status(*loader) != static_cast<int>(UpdateStatus::Running); }));
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Succeeded));
  // Back to ready: the keyboard will leave and return in application mode.
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateRequired));
}

TEST_F(LoaderTest, KeyboardReturningInApplicationModeFailsTheUpdate) {
  FakeDevice* keyboard = nullptr;
  auto loader = LoaderAwaitingUpdateMode(keyboard);
  loader->DetachDevice(keyboard);
  EXPECT_TRUE(loader->AttachDevice(ApplicationModeKeyboard()));
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eSuccess);  // ready again: the user may retry
}

TEST_F(LoaderTest, AbortEndsTheWaitForAKeyboardThatNeverReturns) {
  FakeDevice* keyboard = nullptr;
  auto loader = LoaderAwaitingUpdateMode(keyboard);
  loader->DetachDevice(keyboard);
  EXPECT_EQ(loader->AbortUpdate(), eSuccess);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NoKeyboard));
  // Whenever it does return, in update mode, it is a keyboard with incomplete firmware.
  EXPECT_TRUE(loader->AttachDevice(UpdateModeKeyboard()));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateRequired));
}

TEST_F(LoaderTest, AbortBeforeTheKeyboardLeftKeepsItReady) {
  FakeDevice* keyboard = nullptr;
  auto loader = LoaderAwaitingUpdateMode(keyboard);
  EXPECT_EQ(loader->AbortUpdate(), eSuccess);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateAvailable));
  // When it leaves after all, it is released like any keyboard that goes away.
  loader->DetachDevice(keyboard);
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NoKeyboard));
}

TEST_F(LoaderTest, AbortCancelsARunningDownload) {
  auto loader = LoaderDownloading(ReportThenAwaitCancel);
  EXPECT_EQ(loader->AbortUpdate(), eSuccess);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  // The failed download keeps the keyboard: it still needs the update.
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::UpdateRequired));
  EXPECT_EQ(loader->StartUpdate(L"0x1023"), eNotReady);
  EXPECT_EQ(loader->AbortUpdate(), eNotReady);
}

// Another copy of the program, writing the keyboard: this copy's download must not reach it.
TEST_F(LoaderTest, DownloadWhileAnotherCopyDownloadsFailsWithoutTouchingTheKeyboard) {
  std::promise<bool> held;
  std::promise<void> finish;
  std::thread otherCopy([&] {
    DownloadLock other(EvarixTest::TestLockName());
    const bool taken = other.TryTake();
    held.set_value(taken);
    finish.get_future().wait();
    if (taken) other.Release();
  });
  EXPECT_TRUE(held.get_future().get());
  FakeDevice* keyboard = nullptr;
  auto loader = LoaderDownloading(SucceedAtOnce, &keyboard);
  EXPECT_TRUE(EvarixTest::Eventually(
      [&] { return Status(*loader) == static_cast<int>(UpdateStatus::Failed); }));
  EXPECT_EQ(keyboard->downloads.load(), 0);
  finish.set_value();
  otherCopy.join();
}

TEST_F(LoaderTest, DetachDuringADownloadEndsItAndRefusesItsReports) {
  FakeDevice* keyboard = nullptr;
  auto loader = LoaderDownloading(
      [](FakeDevice& device, DFUImage*, Device::ProgressTracker* tracker) {
        tracker->OnProgress(Device::ProgressTracker::kRunning, 0.0);
        device.WaitForCancel();
        tracker->OnProgress(Device::ProgressTracker::kRunning, 50.0);  // refused: throws
        return eSuccess;
      },
      &keyboard);
  const auto gone = keyboard->destroyed;
  CaptureStdout();
  loader->DetachDevice(keyboard);
  EXPECT_EQ(GetCapturedStdout(), "Error: load failed! (-10)\n");
  EXPECT_TRUE(*gone);
  EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  EXPECT_EQ(loader->CheckFirmware(), static_cast<int>(FirmwareCheck::NoKeyboard));
}

TEST_F(LoaderTest, WrongStateOperationsAreRefused) {
  auto loader = MakeLoader();
  std::unique_ptr<FakeDevice> stranger(ApplicationModeKeyboard());
  EXPECT_THROW(loader->DetachDevice(stranger.get()), EResult);
  EXPECT_THROW(loader->OnProgress(Device::ProgressTracker::kRunning, 0.0), EResult);
  EXPECT_EQ(loader->SetStateCallback(nullptr), eInvalidArgument);
  // A second keyboard is refused and stays with its owner.
  ASSERT_TRUE(loader->AttachDevice(ApplicationModeKeyboard()));
  EXPECT_FALSE(loader->AttachDevice(stranger.get()));
  EXPECT_FALSE(*stranger->destroyed);
}

TEST_F(LoaderTest, StateCallbackRunsOnAttachAndDetachAndMayCallBack) {
  static std::vector<int> seen;
  seen.clear();
  auto loader = MakeLoader();
  ASSERT_EQ(loader->SetStateCallback([](ILoader* self) {
    seen.push_back(self->CheckFirmware());  // the lock is ours again: no deadlock
    return 0;
  }),
            eSuccess);
  auto* keyboard = ApplicationModeKeyboard();
  ASSERT_TRUE(loader->AttachDevice(keyboard));
  loader->DetachDevice(keyboard);
  loader->ClearStateCallback();
  ASSERT_TRUE(loader->AttachDevice(ApplicationModeKeyboard()));
  EXPECT_EQ(seen, (std::vector<int>{1, -1}));
}

// Drives OnProgress with samples at chosen times and reads the estimate back.
class EstimateTest : public LoaderTest {
 protected:
  std::pair<int, int> ProgressAfter(std::vector<std::pair<uint32_t, double>> reports) {
    std::atomic<bool> reported{false};
    auto loader =
        LoaderDownloading([&](FakeDevice& device, DFUImage*, Device::ProgressTracker* tracker) {
          for (const auto& [tick, percent] : reports) {
            clock.Set(tick);
            tracker->OnProgress(Device::ProgressTracker::kRunning, percent);
          }
          reported = true;
          device.WaitForCancel();
          return eCancelled;
        });
    EXPECT_TRUE(EvarixTest::Eventually([&] { return reported.load(); }));
    int percent = -1;
    int secondsLeft = -1;
    EXPECT_EQ(loader->GetProgress(percent, secondsLeft), static_cast<int>(UpdateStatus::Running));
    loader->AbortUpdate();
    return {percent, secondsLeft};
  }
};

TEST_F(EstimateTest, ExtrapolatesThePaceSoFar) {
  EXPECT_EQ(ProgressAfter({{1000, 0.0}, {31000, 25.0}}), std::make_pair(25, 90));
  EXPECT_EQ(ProgressAfter({{1000, 0.0}}), std::make_pair(0, kCeiling));
  EXPECT_EQ(ProgressAfter({{1000, 0.0}, {2000, 1.5}}), std::make_pair(2, kCeiling));
  EXPECT_EQ(ProgressAfter({{1000, 0.0}, {901000, 10.0}}), std::make_pair(10, kCeiling));
  EXPECT_EQ(ProgressAfter({{1000, 0.0}, {2000, 49.5}}), std::make_pair(50, 1));
  EXPECT_EQ(ProgressAfter({{1000, 0.0}, {2000, 49.4}}), std::make_pair(49, 1));
  // The tick counter wrapping between the samples still gives the true elapsed time.
  EXPECT_EQ(ProgressAfter({{0xFFFFFFFFu - 9999, 0.0}, {20000, 25.0}}), std::make_pair(25, 90));
  // No progress since the first report says nothing about the pace.
  EXPECT_EQ(ProgressAfter({{1000, 10.0}, {5000, 10.0}}), std::make_pair(10, kCeiling));
}

// Abort on the user-interface thread and the keyboard leaving on the hot-plug thread may meet;
// neither may touch a deleted device or end the worker twice.
TEST_F(LoaderTest, AbortRacingDetachIsSafe) {
  for (int round = 0; round < 300; ++round) {
    FakeDevice* keyboard = nullptr;
    auto loader = LoaderDownloading(ReportThenAwaitCancel, &keyboard);
    CaptureStdout();
    std::thread hotPlug([&] { loader->DetachDevice(keyboard); });
    loader->AbortUpdate();
    hotPlug.join();
    GetCapturedStdout();
    EXPECT_EQ(Status(*loader), static_cast<int>(UpdateStatus::Failed));
  }
}

TEST_F(LoaderTest, DestroyingALoaderStopsItsDownload) {
  for (int round = 0; round < 300; ++round) {
    FakeDevice* keyboard = nullptr;
    auto loader = LoaderDownloading(ReportThenAwaitCancel, &keyboard);
    const auto gone = keyboard->destroyed;
    loader.reset();
    EXPECT_TRUE(*gone);
  }
}

}  // namespace
