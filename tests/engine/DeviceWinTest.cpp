#include "engine/DeviceWin.h"

#include <gtest/gtest.h>

#include "engine/DFUImageResource.h"
#include "engine/EResult.h"
#include "platform/Platform.h"
#include "platform/ResourceTable.h"
#include "support/FakeClock.h"
#include "support/RecordingTracker.h"
#include "support/RecordingTransport.h"
#include "support/TestManager.h"
#include "tools/firmware/FirmwareFormat.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"

using namespace CVFirmwareLoader;
using EvarixSim::LoggedRequest;
using EvarixSim::RequestKind;
using EvarixTest::RecordingTracker;
using Report = RecordingTracker::Report;
using Sent = EvarixTest::RecordingTransport::Sent;

namespace {

constexpr int kRunning = Device::ProgressTracker::kRunning;
constexpr int kFinished = Device::ProgressTracker::kFinished;
constexpr int kFailed = Device::ProgressTracker::kFailed;

LoggedRequest Logged(RequestKind kind, uint16_t value = 0, size_t length = 0) {
  return {.kind = kind, .value = value, .length = length};
}
const LoggedRequest kGetStatus = Logged(RequestKind::GetStatus, 0, 6);

// The keyboard's log without the download data, which the exchange tests do not look at.
std::vector<LoggedRequest> Exchange(const EvarixSim::SimKeyboard& keyboard) {
  std::vector<LoggedRequest> requests = keyboard.Requests();
  for (LoggedRequest& request : requests) request.data.clear();
  return requests;
}

class DeviceWinTest : public testing::Test {
 protected:
  // A keyboard on the bus and the device the engine builds for it.
  std::unique_ptr<DeviceWin> Connect(EvarixSim::KeyboardConfig config = {}) {
    keyboard = &bus.Plug(config);
    const auto appearance = bus.AppearanceOf(*keyboard);
    std::unique_ptr<DeviceWin> device(
        DeviceWin::Create(appearance->path, appearance->hardwareId, appearance->serviceName));
    return device;
  }

  std::unique_ptr<DeviceWin> ConnectInUpdateMode(EvarixSim::KeyboardConfig config = {}) {
    config.mode = EvarixSim::Mode::Update;
    auto device = Connect(config);
    recorder.Clear();
    return device;
  }

  // An image whose payload is payloadSize bytes.
  DFUImage& Image(uint32_t payloadSize) {
    imageBytes = EvarixFirmware::BuildFirmwareImage({.totalSize = payloadSize + 18});
    resource = {L"DFU", L"TEST", imageBytes};
    image = std::make_unique<DFUImageResource>(L"TEST");
    return *image;
  }

  int Download(DeviceWin& device, DFUImage& target) { return device.Download(&target, &tracker); }

  EvarixSim::SimBus bus;
  EvarixSim::SimTransport simTransport{bus};
  EvarixTest::RecordingTransport recorder{simTransport};
  EvarixTest::FakeClock clock;
  ScopedPlatform platform{{&recorder, nullptr, &clock}};
  EvarixSim::SimKeyboard* keyboard = nullptr;
  std::vector<uint8_t> imageBytes;
  EmbeddedResource resource{};
  ResourceTable table{std::span<const EmbeddedResource>(&resource, 1)};
  EvarixTest::TestManager manager{&table};
  std::unique_ptr<DFUImage> image;
  RecordingTracker tracker;
};

// The update-mode keyboard has no device descriptor worth asking for: it runs no firmware.
TEST_F(DeviceWinTest, KeyboardIsIdentifiedWithThreeRequestsOrTwoInUpdateMode) {
  auto device = Connect({.firmwareVersion = 0x00A5});
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(recorder.Requests(), (std::vector<Sent>{{DriverControlCode::GetDeviceDescriptor, 0},
                                                    {DriverControlCode::GetInfoText, 0},
                                                    {DriverControlCode::GetDfuDescriptor, 0}}));
  EXPECT_EQ(device->GetFirmwareVersion(), L"0x00A5");
  EXPECT_FALSE(device->IsInUpdateMode());
  EXPECT_EQ(device->GetModelId(), 0);
  EXPECT_FALSE(device->GetInfoText().empty());

  recorder.Clear();
  auto update = Connect({.mode = EvarixSim::Mode::Update});
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(recorder.Requests(), (std::vector<Sent>{{DriverControlCode::GetInfoText, 0},
                                                    {DriverControlCode::GetDfuDescriptor, 0}}));
  EXPECT_EQ(update->GetFirmwareVersion(), L"0x0000");
  EXPECT_TRUE(update->IsInUpdateMode());
}

TEST_F(DeviceWinTest, SilentOrMissingKeyboardYieldsNoDevice) {
  keyboard = &bus.Plug();
  keyboard->SetFaults({.failDescriptorReads = true});
  const auto appearance = bus.AppearanceOf(*keyboard);
  EXPECT_EQ(DeviceWin::Create(appearance->path, appearance->hardwareId, L"usb"), nullptr);
  EXPECT_EQ(DeviceWin::Create(L"/dev/bus/usb/009/009", appearance->hardwareId, L"usb"), nullptr);
}

TEST_F(DeviceWinTest, DetachSendsTheTimeOutAndTheKeyboardReturnsInUpdateMode) {
  auto device = Connect({.detachTimeoutMs = 1500});
  const auto before = bus.AppearanceOf(*keyboard);
  EXPECT_EQ(device->EnterUpdateMode(), eSuccess);
  EXPECT_EQ(Exchange(*keyboard), (std::vector{Logged(RequestKind::Detach, 1500)}));
  EXPECT_EQ(keyboard->CurrentMode(), EvarixSim::Mode::Update);
  EXPECT_NE(bus.AppearanceOf(*keyboard)->path, before->path);
  // The old appearance has gone: nothing reaches the keyboard through it any more.
  EXPECT_EQ(device->EnterUpdateMode(), eDeviceError);

  // Without bitWillDetach the keyboard waits for the host to reset it.
  auto waiting = Connect({.willDetach = false});
  EXPECT_EQ(waiting->EnterUpdateMode(), eSuccess);
  EXPECT_EQ(Exchange(*keyboard),
            (std::vector{Logged(RequestKind::Detach, 1000), Logged(RequestKind::PortReset)}));
  EXPECT_EQ(keyboard->CurrentMode(), EvarixSim::Mode::Update);
}

TEST_F(DeviceWinTest, HealthyDownloadFollowsTheProtocolExactly) {
  auto device = ConnectInUpdateMode({.pollTimeoutMs = 10});
  DFUImage& target = Image(130);
  ASSERT_EQ(Download(*device, target), eSuccess);

  std::vector<LoggedRequest> expected{kGetStatus};
  const std::pair<uint16_t, size_t> blocks[] = {{0, 64}, {1, 64}, {2, 2}};
  for (const auto& [index, length] : blocks) {
    expected.insert(expected.end(),
                    {Logged(RequestKind::Download, index, length), kGetStatus, kGetStatus});
  }
  expected.insert(expected.end(), {Logged(RequestKind::Download, 0, 0), kGetStatus, kGetStatus,
                                   Logged(RequestKind::PortReset)});
  EXPECT_EQ(Exchange(*keyboard), expected);
  // Each block request carries its 4-byte header; the end-of-download marker is the header alone.
  std::vector<size_t> downloadLengths;
  for (const Sent& sent : recorder.Requests()) {
    if (sent.code == DriverControlCode::DfuDownload) downloadLengths.push_back(sent.requestLength);
  }
  EXPECT_EQ(downloadLengths, (std::vector<size_t>{68, 68, 6, 4}));
  EXPECT_EQ(tracker.reports, (std::vector<Report>{{kRunning, 0.0},
                                                  {kRunning, 0.0},
                                                  {kRunning, 100.0 / 3},
                                                  {kRunning, 200.0 / 3},
                                                  {kFinished, 0.0}}));
  // Each block's poll wait, then the manifestation reply's.
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{12, 12, 12, 0}));
  EXPECT_EQ(keyboard->StandardRequestsWhileBusy(), 0u);
}

TEST_F(DeviceWinTest, KeyboardInErrorIsClearedBeforeTheFirstBlock) {
  auto application = Connect({.pollTimeoutMs = 0});
  keyboard->SetFaults({.errorAtUpdateModeStart = true});
  ASSERT_EQ(application->EnterUpdateMode(), eSuccess);
  const auto appearance = bus.AppearanceOf(*keyboard);
  std::unique_ptr<DeviceWin> device(
      DeviceWin::Create(appearance->path, appearance->hardwareId, appearance->serviceName));
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(Download(*device, Image(64)), eSuccess);
  const auto log = Exchange(*keyboard);
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector(log.begin() + 1, log.begin() + 5),
            (std::vector{kGetStatus, Logged(RequestKind::ClearStatus), kGetStatus,
                         Logged(RequestKind::Download, 0, 64)}));
}

TEST_F(DeviceWinTest, BlockWrittenAtOnceIsSentOnce) {
  auto device = ConnectInUpdateMode({.pollTimeoutMs = 0, .finishesBlocksAtOnce = true});
  ASSERT_EQ(Download(*device, Image(256)), eSuccess);
  std::vector<uint16_t> blocksSent;
  for (const LoggedRequest& request : Exchange(*keyboard)) {
    if (request.kind == RequestKind::Download && request.length > 0) {
      blocksSent.push_back(request.value);
    }
  }
  EXPECT_EQ(blocksSent, (std::vector<uint16_t>{0, 1, 2, 3}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{0}));  // none after a block
}

TEST_F(DeviceWinTest, KeyboardBusyForeverFailsAfterThePollWaitAndTwentyPolls) {
  auto device = ConnectInUpdateMode({.pollTimeoutMs = 5});
  keyboard->SetFaults({.busyForever = true});
  EXPECT_EQ(Download(*device, Image(64)), eDeviceError);
  std::vector<uint32_t> expected{6};
  expected.insert(expected.end(), 20, 20);
  EXPECT_EQ(clock.Sleeps(), expected);
}

TEST_F(DeviceWinTest, ManifestationAnswersAndTheResetDecideTheOutcome) {
  using State = EvarixSim::DfuState;
  struct Case {
    std::optional<State> afterMarker;
    std::optional<State> afterManifestation;
    bool tolerant;
    int expected;
    bool failReset = false;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, false, eSuccess},  // sync, then wait-reset
      {std::nullopt, std::nullopt, true, eSuccess},   // sync, then idle
      {State::dfuMANIFEST_WAIT_RESET, State::dfuMANIFEST_WAIT_RESET, false, eSuccess},
      // Still manifesting: asked again until it has done so, or 20 times.
      {State::dfuMANIFEST, std::nullopt, false, eSuccess},
      {std::nullopt, State::dfuMANIFEST, false, eDeviceError},
      {State::dfuIDLE, std::nullopt, false, eDeviceError},
      {std::nullopt, State::dfuERROR, false, eDeviceError},
      // A failed reset fails the download, yet the keyboard has taken the image.
      {std::nullopt, std::nullopt, false, eDeviceError, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    auto device = ConnectInUpdateMode({.pollTimeoutMs = 0, .manifestationTolerant = c.tolerant});
    keyboard->SetFaults({.stateAfterEndOfDownload = c.afterMarker,
                         .stateAfterManifestation = c.afterManifestation,
                         .failReset = c.failReset});
    tracker.reports.clear();
    EXPECT_EQ(Download(*device, Image(64)), c.expected);
    const bool taken = c.expected == eSuccess || c.failReset;
    EXPECT_EQ(tracker.reports.back(), (Report{taken ? kFinished : kFailed, 0.0}));
  }
}

// A keyboard that stalls whatever comes before its poll time-out, while it writes and while it
// manifests, whether it reports dfuMANIFEST meanwhile or not.
TEST_F(DeviceWinTest, StrictKeyboardIsLeftAloneForItsPollTimeOuts) {
  for (const bool reportsManifest : {false, true}) {
    SCOPED_TRACE(reportsManifest);
    auto device = ConnectInUpdateMode({.pollTimeoutMs = 10,
                                       .manifestationTolerant = true,
                                       .manifestationPollTimeoutMs = 100,
                                       .reportsManifest = reportsManifest,
                                       .strictPollTimeout = true});
    const size_t earlierSleeps = clock.Sleeps().size();
    ASSERT_EQ(Download(*device, Image(64)), eSuccess);
    const std::vector<uint32_t> sleeps = clock.Sleeps();
    EXPECT_EQ(std::vector(sleeps.begin() + earlierSleeps, sleeps.end()),
              (std::vector<uint32_t>{12, 120}));
    EXPECT_TRUE(keyboard->FirmwareValid());
  }
}

TEST_F(DeviceWinTest, RefusedOrImpossibleDownloadsReportNothing) {
  auto application = Connect();
  EXPECT_EQ(Download(*application, Image(64)), eNotReady);
  EXPECT_EQ(application->Download(nullptr, &tracker), eInvalidArgument);
  EXPECT_TRUE(tracker.reports.empty());
  // A transfer size of zero leaves nothing to send a block in.
  auto zero = ConnectInUpdateMode({.transferSize = 0});
  EXPECT_EQ(Download(*zero, Image(64)), eNotReady);
}

TEST_F(DeviceWinTest, BlockCountOrBufferLengthBeyondSixteenBitsIsRefused) {
  auto device = ConnectInUpdateMode({.transferSize = 1});
  EXPECT_EQ(Download(*device, Image(65536)), eInvalidArgument);
  EXPECT_TRUE(keyboard->Requests().empty());
  EXPECT_EQ(tracker.reports, (std::vector<Report>{{kRunning, 0.0}, {kFailed, 0.0}}));
  // A transfer size whose buffer does not fit 16 bits leaves a buffer the image refuses to fill.
  auto huge = ConnectInUpdateMode({.transferSize = 65534});
  EXPECT_EQ(Download(*huge, Image(64)), eInvalidArgument);
}

TEST_F(DeviceWinTest, EndOfDownloadIsAWholeHeaderWhateverTheTransferSize) {
  // An image without payload sends no block, so no block refuses a buffer that wrapped to less
  // than a header (65532 leaves none at all, 65535 three bytes).
  for (const uint16_t transferSize : {uint16_t{65532}, uint16_t{65535}}) {
    auto device = ConnectInUpdateMode({.transferSize = transferSize, .pollTimeoutMs = 0});
    // A DFU 1.1 keyboard stalls an end of download in dfuIDLE.
    EXPECT_EQ(Download(*device, Image(0)), eDeviceError);
    LoggedRequest stalledEnd = Logged(RequestKind::Download, 0, 0);
    stalledEnd.failed = true;
    EXPECT_EQ(Exchange(*keyboard), (std::vector{kGetStatus, stalledEnd}));
    EXPECT_EQ(recorder.Requests(), (std::vector<Sent>{{DriverControlCode::DfuGetStatus, 0},
                                                      {DriverControlCode::DfuDownload, 4}}));
  }
}

TEST_F(DeviceWinTest, CancelledDeviceAbortsBeforeItsFirstBlock) {
  auto device = ConnectInUpdateMode();
  device->Cancel();
  EXPECT_EQ(Download(*device, Image(64)), eCancelled);
  EXPECT_EQ(Exchange(*keyboard), (std::vector{kGetStatus, Logged(RequestKind::Abort)}));
  EXPECT_EQ(tracker.reports, (std::vector<Report>{{kRunning, 0.0}, {kFailed, 0.0}}));
}

// The keyboard may announce a poll wait of hours; a cancel ends it at once.
TEST_F(DeviceWinTest, CancelDuringThePollWaitEndsItAtOnce) {
  auto device = ConnectInUpdateMode({.pollTimeoutMs = 0xFFFFFF});
  clock.beforeSleep = [&](uint32_t) { device->Cancel(); };
  EXPECT_EQ(Download(*device, Image(128)), eDeviceError);  // the block was still being written
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{20132658}));
  EXPECT_EQ(clock.TickCount(), 1000u);  // no time went by
}

TEST_F(DeviceWinTest, CancelOnceTheBlockIsTakenAbortsTheDownload) {
  auto device = ConnectInUpdateMode({.pollTimeoutMs = 50});
  clock.beforeSleep = [&](uint32_t ms) {
    clock.Advance(ms);  // the keyboard finishes the block meanwhile
    device->Cancel();
  };
  EXPECT_EQ(Download(*device, Image(128)), eCancelled);
  const auto log = Exchange(*keyboard);
  EXPECT_EQ(log.back(), Logged(RequestKind::Abort));
  EXPECT_EQ(std::count(log.begin(), log.end(), Logged(RequestKind::Download, 1, 64)), 0);
}

TEST_F(DeviceWinTest, RefusedReportsEndTheDownload) {
  auto device = ConnectInUpdateMode({.pollTimeoutMs = 0});
  // A refused block report fails the download with the refusal; the failure report is delivered.
  tracker.refuse = [](const Report& report) { return report.percent == 50.0; };
  EXPECT_EQ(Download(*device, Image(128)), eFailed);
  EXPECT_EQ(tracker.reports.back(), (Report{kFailed, 0.0}));
  // Refused throughout, as by a loader the keyboard was detached from: the refusal leaves.
  tracker.refuse = [](const Report& report) {
    return report.percent > 0.0 || report.code != kRunning;
  };
  auto again = ConnectInUpdateMode({.pollTimeoutMs = 0});
  EXPECT_THROW(Download(*again, Image(128)), EResult);
}

TEST_F(DeviceWinTest, KeyboardLeavingOrFailingMidDownloadFailsIt) {
  auto unplugged = ConnectInUpdateMode({.pollTimeoutMs = 0});
  keyboard->SetFaults({.unplugAtBlock = 2});
  EXPECT_EQ(Download(*unplugged, Image(256)), eDeviceError);
  EXPECT_FALSE(bus.AppearanceOf(*keyboard).has_value());

  auto failing = ConnectInUpdateMode({.pollTimeoutMs = 0});
  keyboard->SetFaults({.failRequest = 4});
  EXPECT_EQ(Download(*failing, Image(256)), eDeviceError);
  EXPECT_EQ(tracker.reports.back(), (Report{kFailed, 0.0}));
}

}  // namespace
