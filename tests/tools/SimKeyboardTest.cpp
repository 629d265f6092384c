#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/DriverControlCodes.h"
#include "platform/Platform.h"
#include "support/FakeClock.h"
#include "tools/firmware/FirmwareFormat.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"

namespace EvarixSim {

// Readable failures.
void PrintTo(const PresentDevice& device, std::ostream* out) {
  const std::wstring text = device.path + L" " + device.hardwareId + L" " + device.serviceName;
  *out << std::string(text.begin(), text.end());
}

void PrintTo(const BusChange& change, std::ostream* out) {
  *out << (change.kind == BusChange::Kind::Added ? "added " : "removed ");
  PrintTo(change.device, out);
}

void PrintTo(const LoggedRequest& request, std::ostream* out) {
  *out << "kind " << static_cast<int>(request.kind) << " value " << request.value << " length "
       << request.length << (request.failed ? " failed" : "");
}

namespace {

namespace Code = CVFirmwareLoader::DriverControlCode;
using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAre;

constexpr size_t kTransferSize = 64;

struct Status {
  uint8_t status;
  uint32_t pollTimeout;
  DfuState state;

  bool operator==(const Status&) const = default;
};

// The payload of an image built for version: the part the updater sends.
Bytes Payload(uint16_t version, uint32_t size) {
  Bytes image = EvarixFirmware::BuildFirmwareImage(
      {.version = version, .totalSize = size + uint32_t{EvarixFirmware::kSuffixSize}});
  image.resize(size);
  return image;
}

// A download request as the updater builds it: block index, data length, data.
Bytes BlockRequest(uint16_t block, std::span<const uint8_t> data) {
  const auto size = static_cast<uint16_t>(data.size());
  Bytes request = {static_cast<uint8_t>(block), static_cast<uint8_t>(block >> 8),
                   static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)};
  request.insert(request.end(), data.begin(), data.end());
  return request;
}

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

// A failing case is shown by its name rather than its bytes.
template <typename Case>
requires requires(const Case& c) {
  c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

// A bus with the simulated transport and a fake clock installed, and the driver requests as the
// engine sends them: each opens its own handle.
class SimKeyboardTest : public ::testing::Test {
 public:
  SimKeyboardTest() {
    bus.AddListener([this](const BusChange& change) {
      std::lock_guard lock(changesMutex);
      changes.push_back(change);
    });
  }

  std::wstring PathOf(const SimKeyboard& keyboard) const {
    const auto appearance = bus.AppearanceOf(keyboard);
    return appearance ? appearance->path : L"(gone)";
  }

  std::vector<std::wstring> HardwareIds() const {
    std::vector<std::wstring> ids;
    for (const PresentDevice& device : bus.Present()) ids.push_back(device.hardwareId);
    return ids;
  }

  bool Send(const std::wstring& path, uint32_t code, const Bytes& request = {},
            std::span<uint8_t> reply = {}) {
    auto handle = transport.Open(path);
    return handle != nullptr && handle->Control(code, request, reply);
  }

  bool Detach(const std::wstring& path) { return Send(path, Code::DfuDetach, {1, 0, 0xE8, 0x03}); }

  bool Download(const std::wstring& path, uint16_t block, std::span<const uint8_t> data) {
    return Send(path, Code::DfuDownload, BlockRequest(block, data));
  }

  std::optional<Status> GetStatus(const std::wstring& path) {
    Bytes reply(CVFirmwareLoader::kGetStatusReplySize);
    if (!Send(path, Code::DfuGetStatus, {}, reply)) return std::nullopt;
    const auto pollTimeout = static_cast<uint32_t>(reply[1] | reply[2] << 8 | reply[3] << 16);
    return Status{reply[0], pollTimeout, static_cast<DfuState>(reply[4])};
  }

  DfuState StateOf(const std::wstring& path) {
    const auto status = GetStatus(path);
    return status ? status->state : DfuState::appIDLE;
  }

  std::string InfoText(const std::wstring& path) {
    Bytes reply(CVFirmwareLoader::kInfoTextReplySize);
    if (!Send(path, Code::GetInfoText, {}, reply)) return "(failed)";
    std::string text;
    for (size_t at = 2; at + 1 < reply.size() && reply[at] != 0; at += 2) {
      text.push_back(static_cast<char>(reply[at]));
    }
    return text;
  }

  // Block by block as the updater sends them: a poll after each block, and once the announced
  // poll time-out has passed, another. Returns every state reported; stops at a failure.
  std::vector<DfuState> SendPayload(const std::wstring& path, const Bytes& payload) {
    std::vector<DfuState> states;
    for (size_t offset = 0; offset < payload.size(); offset += kTransferSize) {
      const auto block = static_cast<uint16_t>(offset / kTransferSize);
      const auto data = std::span(payload).subspan(offset);
      if (!Download(path, block, data.first(std::min(kTransferSize, data.size())))) break;
      const auto busy = GetStatus(path);
      if (!busy) break;
      states.push_back(busy->state);
      clock.Advance(busy->pollTimeout);
      states.push_back(StateOf(path));
    }
    return states;
  }

  // The end-of-download marker and the two polls that follow it.
  std::vector<DfuState> EndDownload(const std::wstring& path) {
    if (!Download(path, 0, {})) return {};
    return {StateOf(path), StateOf(path)};
  }

  SimBus bus;
  SimTransport transport{bus};
  EvarixTest::FakeClock clock;
  CVFirmwareLoader::ScopedPlatform platform{
      {.transport = &transport, .system = nullptr, .clock = &clock}};
  std::mutex changesMutex;
  std::vector<BusChange> changes;
};

TEST_F(SimKeyboardTest, EveryAppearanceHasItsOwnPathHardwareIdAndService) {
  bus.Plug({.firmwareVersion = 0x1022});
  bus.Plug({.mode = Mode::Update});

  EXPECT_THAT(
      bus.Present(),
      ElementsAre(
          PresentDevice{L"/dev/bus/usb/001/002", L"USB\\VID_1209&PID_0005&REV_1022", L"usb"},
          PresentDevice{L"/dev/bus/usb/001/003", L"USB\\VID_1209&PID_0006&REV_0000", L"usb"}));
}

struct Description {
  std::string name;
  KeyboardConfig config;
  Bytes identity;  // device descriptor bytes 8 to 13: vendor, product, release
  std::string infoText;
  Bytes dfuDescriptor;
};

class SimKeyboardDescription : public SimKeyboardTest,
                               public ::testing::WithParamInterface<Description> {};

TEST_P(SimKeyboardDescription, DescribesItselfAsTheKeyboardDoes) {
  const Description& expected = GetParam();
  const std::wstring path = PathOf(bus.Plug(expected.config));
  Bytes device(CVFirmwareLoader::kDeviceDescriptorReplySize);
  Bytes dfu(CVFirmwareLoader::kDfuDescriptorReplySize);

  ASSERT_TRUE(Send(path, Code::GetDeviceDescriptor, {}, device));
  ASSERT_TRUE(Send(path, Code::GetDfuDescriptor, {}, dfu));

  EXPECT_EQ(Bytes(device.begin() + 8, device.begin() + 14), expected.identity);
  EXPECT_EQ(InfoText(path), expected.infoText);
  EXPECT_EQ(dfu, expected.dfuDescriptor);
}

const Bytes kDefaultDfuDescriptor = {9, 0x21, 0x09, 0xE8, 0x03, 64, 0, 0x10};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Modes, SimKeyboardDescription,
    ::testing::Values(
        Description{"Application", {.firmwareVersion = 0x1022}, {0x09, 0x12, 0x05, 0, 0x22, 0x10},
                    "V1022 B0780 H0100 VALID", kDefaultDfuDescriptor},
        Description{"Update", {.mode = Mode::Update}, {0x09, 0x12, 0x06, 0, 0, 0},
                    "V1022 B0780 H0100 VALID", kDefaultDfuDescriptor},
        Description{"InvalidFirmware", {.firmwareVersion = 0x0A5, .firmwareValid = false},
                    {0x09, 0x12, 0x05, 0, 0xA5, 0}, "V00A5 B0780 H0100 INVALID!",
                    kDefaultDfuDescriptor},
        Description{"ManifestationTolerantWithOwnSizes",
                    {.detachTimeoutMs = 500, .transferSize = 256, .manifestationTolerant = true},
                    {0x09, 0x12, 0x05, 0, 0x22, 0x10}, "V1022 B0780 H0100 VALID",
                    {9, 0x21, 0x0D, 0xF4, 0x01, 0x00, 0x01, 0x10}}),
    CaseName<Description>);
// clang-format on

TEST_F(SimKeyboardTest, UpdateFromApplicationModeToNewFirmware) {
  SimKeyboard& keyboard = bus.Plug({.firmwareVersion = 0x1022});
  const Bytes payload = Payload(0x1023, 100);

  ASSERT_TRUE(Detach(PathOf(keyboard)));
  const std::wstring path = PathOf(keyboard);
  ASSERT_EQ(StateOf(path), DfuState::dfuIDLE);
  EXPECT_THAT(SendPayload(path, payload),
              ElementsAre(DfuState::dfuDNBUSY, DfuState::dfuDNLOAD_IDLE, DfuState::dfuDNBUSY,
                          DfuState::dfuDNLOAD_IDLE));
  EXPECT_THAT(EndDownload(path),
              ElementsAre(DfuState::dfuMANIFEST_SYNC, DfuState::dfuMANIFEST_WAIT_RESET));
  ASSERT_TRUE(Send(path, Code::ResetDevice));

  EXPECT_EQ(keyboard.CurrentMode(), Mode::Application);
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1023);
  EXPECT_EQ(keyboard.ReceivedPayload(), payload);
  EXPECT_THAT(HardwareIds(), ElementsAre(L"USB\\VID_1209&PID_0005&REV_1023"));
  const Bytes first(payload.begin(), payload.begin() + 64);
  const Bytes second(payload.begin() + 64, payload.end());
  EXPECT_THAT(
      keyboard.Requests(),
      ElementsAre(
          LoggedRequest{RequestKind::Detach, 1000, 0}, LoggedRequest{RequestKind::GetStatus, 0, 6},
          LoggedRequest{RequestKind::Download, 0, 64, first},
          LoggedRequest{RequestKind::GetStatus, 0, 6}, LoggedRequest{RequestKind::GetStatus, 0, 6},
          LoggedRequest{RequestKind::Download, 1, 36, second},
          LoggedRequest{RequestKind::GetStatus, 0, 6}, LoggedRequest{RequestKind::GetStatus, 0, 6},
          LoggedRequest{RequestKind::Download, 0, 0}, LoggedRequest{RequestKind::GetStatus, 0, 6},
          LoggedRequest{RequestKind::GetStatus, 0, 6}, LoggedRequest{RequestKind::PortReset}));
}

TEST_F(SimKeyboardTest, StaysBusyUntilItsPollTimeOutHasPassed) {
  const std::wstring path = PathOf(bus.Plug({.mode = Mode::Update, .pollTimeoutMs = 25}));

  ASSERT_TRUE(Download(path, 0, Bytes(kTransferSize)));

  EXPECT_EQ(GetStatus(path), (Status{0, 25, DfuState::dfuDNBUSY}));
  clock.Advance(24);
  EXPECT_EQ(GetStatus(path), (Status{0, 1, DfuState::dfuDNBUSY}));
  clock.Advance(1);
  EXPECT_EQ(GetStatus(path), (Status{0, 0, DfuState::dfuDNLOAD_IDLE}));
}

struct Detachment {
  std::string name;
  DetachOutcome outcome;
  std::vector<std::wstring> hardwareIds;  // what is present afterwards
};

class SimKeyboardDetach : public SimKeyboardTest,
                          public ::testing::WithParamInterface<Detachment> {};

TEST_P(SimKeyboardDetach, AcknowledgesThenLeavesTheBus) {
  SimKeyboard& keyboard = bus.Plug({.firmwareVersion = 0x1022});
  keyboard.SetFaults({.detachOutcome = GetParam().outcome});
  const PresentDevice before = bus.Present().at(0);
  std::vector<size_t> seenPresent;
  bus.AddListener([&](const BusChange&) { seenPresent.push_back(bus.Present().size()); });

  ASSERT_TRUE(Detach(before.path));

  EXPECT_EQ(HardwareIds(), GetParam().hardwareIds);
  std::vector<BusChange> expected = {{BusChange::Kind::Added, before},
                                     {BusChange::Kind::Removed, before}};
  for (const PresentDevice& device : bus.Present()) {
    EXPECT_NE(device.path, before.path);
    expected.push_back({BusChange::Kind::Added, device});
  }
  EXPECT_EQ(changes, expected);
  // Listeners run without the bus locked, and only once the keyboard has come back.
  EXPECT_EQ(seenPresent, std::vector<size_t>(expected.size() - 1, bus.Present().size()));
  EXPECT_EQ(transport.Open(before.path), nullptr);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Outcomes, SimKeyboardDetach,
    ::testing::Values(
        Detachment{"IntoUpdateMode", DetachOutcome::UpdateMode,
                   {L"USB\\VID_1209&PID_0006&REV_0000"}},
        Detachment{"NeverBack", DetachOutcome::Gone, {}},
        Detachment{"BackInApplicationMode", DetachOutcome::ApplicationMode,
                   {L"USB\\VID_1209&PID_0005&REV_1022"}}),
    CaseName<Detachment>);
// clang-format on

TEST_F(SimKeyboardTest, AHandleOfAnAppearanceThatLeftFailsEveryRequest) {
  SimKeyboard& keyboard = bus.Plug({});
  const auto stale = transport.Open(PathOf(keyboard));
  ASSERT_TRUE(Detach(PathOf(keyboard)));

  Bytes reply(CVFirmwareLoader::kGetStatusReplySize);
  EXPECT_FALSE(stale->Control(Code::DfuGetStatus, {}, reply));
  EXPECT_FALSE(stale->Control(Code::ResetDevice, {}, {}));
  EXPECT_EQ(keyboard.Requests().size(), 1u);
}

struct Manifestation {
  std::string name;
  bool tolerant;
  Faults faults;
  std::vector<DfuState> answers;  // to the two polls after the end-of-download marker
};

class SimKeyboardManifestation : public SimKeyboardTest,
                                 public ::testing::WithParamInterface<Manifestation> {};

TEST_P(SimKeyboardManifestation, AnswersThePollsAfterTheLastBlock) {
  SimKeyboard& keyboard =
      bus.Plug({.mode = Mode::Update, .manifestationTolerant = GetParam().tolerant});
  keyboard.SetFaults(GetParam().faults);
  const std::wstring path = PathOf(keyboard);
  SendPayload(path, Payload(0x1023, 80));

  EXPECT_EQ(EndDownload(path), GetParam().answers);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Keyboards, SimKeyboardManifestation,
    ::testing::Values(
        Manifestation{"WaitsForReset", false, {},
                      {DfuState::dfuMANIFEST_SYNC, DfuState::dfuMANIFEST_WAIT_RESET}},
        Manifestation{"Tolerant", true, {}, {DfuState::dfuMANIFEST_SYNC, DfuState::dfuIDLE}},
        Manifestation{"WrongStateAfterMarker", false,
                      {.stateAfterEndOfDownload = DfuState::dfuMANIFEST},
                      {DfuState::dfuMANIFEST, DfuState::dfuMANIFEST_WAIT_RESET}},
        Manifestation{"WrongStateAfterManifestation", true,
                      {.stateAfterManifestation = DfuState::dfuMANIFEST},
                      {DfuState::dfuMANIFEST_SYNC, DfuState::dfuMANIFEST}}),
    CaseName<Manifestation>);
// clang-format on

struct Boot {
  std::string name;
  bool corrupted;
  Mode mode;
  std::wstring hardwareId;
  std::string infoText;
};

class SimKeyboardBoot : public SimKeyboardTest, public ::testing::WithParamInterface<Boot> {};

TEST_P(SimKeyboardBoot, ResetAfterManifestationRunsOnlyFirmwareThatChecksOut) {
  SimKeyboard& keyboard = bus.Plug({.mode = Mode::Update, .firmwareVersion = 0x1022});
  const std::wstring path = PathOf(keyboard);
  Bytes payload = Payload(0x1023, 150);
  if (GetParam().corrupted) payload.back() ^= 0xFF;
  SendPayload(path, payload);
  EndDownload(path);

  ASSERT_TRUE(Send(path, Code::ResetDevice));

  EXPECT_EQ(keyboard.CurrentMode(), GetParam().mode);
  EXPECT_THAT(HardwareIds(), ElementsAre(GetParam().hardwareId));
  EXPECT_EQ(InfoText(PathOf(keyboard)), GetParam().infoText);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Payloads, SimKeyboardBoot,
    ::testing::Values(
        Boot{"Valid", false, Mode::Application, L"USB\\VID_1209&PID_0005&REV_1023",
             "V1023 B0780 H0100 VALID"},
        Boot{"Corrupted", true, Mode::Update, L"USB\\VID_1209&PID_0006&REV_0000",
             "V1022 B0780 H0100 INVALID!"}),
    CaseName<Boot>);
// clang-format on

TEST_F(SimKeyboardTest, ResetOutsideManifestationComesBackAsItWas) {
  for (const Mode mode : {Mode::Application, Mode::Update}) {
    SimKeyboard& keyboard = bus.Plug({.mode = mode});
    const std::wstring path = PathOf(keyboard);

    ASSERT_TRUE(Send(path, Code::ResetDevice));

    EXPECT_EQ(keyboard.CurrentMode(), mode);
    EXPECT_NE(PathOf(keyboard), path);
    bus.Unplug(keyboard);
  }
}

struct Misstep {
  std::string name;
  bool busy;  // a block has just been taken
  uint32_t code;
  Bytes request;
};

class SimKeyboardStall : public SimKeyboardTest, public ::testing::WithParamInterface<Misstep> {};

// DFU 1.1: a request the state does not allow stalls, and the keyboard reports dfuERROR until it
// is cleared.
TEST_P(SimKeyboardStall, RefusesAndStaysInErrorUntilCleared) {
  const std::wstring path = PathOf(bus.Plug({.mode = Mode::Update}));
  if (GetParam().busy) {
    ASSERT_TRUE(Download(path, 0, Bytes(kTransferSize)));
    ASSERT_EQ(StateOf(path), DfuState::dfuDNBUSY);
  }

  EXPECT_FALSE(Send(path, GetParam().code, GetParam().request));

  EXPECT_EQ(GetStatus(path), (Status{0x0F, 0, DfuState::dfuERROR}));
  EXPECT_FALSE(Download(path, 0, Bytes(8)));
  ASSERT_TRUE(Send(path, Code::DfuClearStatus));
  EXPECT_EQ(GetStatus(path), (Status{0, 0, DfuState::dfuIDLE}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    OutOfSequence, SimKeyboardStall,
    ::testing::Values(
        Misstep{"EndOfDownloadWhileIdle", false, Code::DfuDownload, BlockRequest(0, {})},
        Misstep{"ClearStatusWithoutError", false, Code::DfuClearStatus, {}},
        Misstep{"DetachInUpdateMode", false, Code::DfuDetach, {1, 0, 0xE8, 0x03}},
        Misstep{"BlockLargerThanTheTransferSize", false, Code::DfuDownload,
                BlockRequest(0, Bytes(kTransferSize + 1))},
        Misstep{"BlockWhileBusy", true, Code::DfuDownload, BlockRequest(1, Bytes(kTransferSize))},
        Misstep{"AbortWhileBusy", true, Code::DfuAbort, {}}),
    CaseName<Misstep>);
// clang-format on

TEST_F(SimKeyboardTest, AbortEndsADownloadAndTheNextOneStartsAfresh) {
  SimKeyboard& keyboard = bus.Plug({.mode = Mode::Update});
  const std::wstring path = PathOf(keyboard);
  SendPayload(path, Bytes(kTransferSize, 0x11));

  ASSERT_TRUE(Send(path, Code::DfuAbort));
  EXPECT_EQ(StateOf(path), DfuState::dfuIDLE);
  SendPayload(path, Bytes(10, 0x22));

  EXPECT_EQ(keyboard.ReceivedPayload(), Bytes(10, 0x22));
  EXPECT_FALSE(keyboard.FirmwareValid());
}

TEST_F(SimKeyboardTest, BlockFaultsChangeWhatThePollsReport) {
  SimKeyboard& keyboard = bus.Plug({.mode = Mode::Update});
  const std::wstring path = PathOf(keyboard);

  keyboard.SetFaults({.neverBusyAtBlock = 1});
  EXPECT_THAT(SendPayload(path, Bytes(2 * kTransferSize)),
              ElementsAre(DfuState::dfuDNBUSY, DfuState::dfuDNLOAD_IDLE, DfuState::dfuDNLOAD_IDLE,
                          DfuState::dfuDNLOAD_IDLE));

  keyboard.SetFaults({.busyForever = true});
  ASSERT_TRUE(Download(path, 2, Bytes(kTransferSize)));
  EXPECT_EQ(StateOf(path), DfuState::dfuDNBUSY);
  clock.Advance(60'000);
  EXPECT_EQ(GetStatus(path), (Status{0, 10, DfuState::dfuDNBUSY}));
}

TEST_F(SimKeyboardTest, UpdateModeThatStartsInErrorIsClearedByClearStatus) {
  SimKeyboard& keyboard = bus.Plug({});
  keyboard.SetFaults({.errorAtUpdateModeStart = true});
  ASSERT_TRUE(Detach(PathOf(keyboard)));
  const std::wstring path = PathOf(keyboard);

  EXPECT_EQ(GetStatus(path), (Status{0x0A, 0, DfuState::dfuERROR}));
  ASSERT_TRUE(Send(path, Code::DfuClearStatus));
  EXPECT_EQ(StateOf(path), DfuState::dfuIDLE);
}

TEST_F(SimKeyboardTest, UnpluggedDuringABlockItComesBackInUpdateModeWhenReplugged) {
  SimKeyboard& keyboard = bus.Plug({.mode = Mode::Update});
  keyboard.SetFaults({.unplugAtBlock = 1});
  const std::wstring path = PathOf(keyboard);

  EXPECT_EQ(SendPayload(path, Payload(0x1023, 150)).size(), 2u);

  EXPECT_THAT(bus.Present(), ::testing::IsEmpty());
  EXPECT_EQ(changes.back().kind, BusChange::Kind::Removed);
  EXPECT_TRUE(keyboard.Requests().back().failed);
  bus.Replug(keyboard);
  EXPECT_EQ(keyboard.CurrentMode(), Mode::Update);
  EXPECT_EQ(InfoText(PathOf(keyboard)), "V1022 B0780 H0100 INVALID!");
}

TEST_F(SimKeyboardTest, FailingRequestStallsThatRequestOnly) {
  SimKeyboard& keyboard = bus.Plug({.mode = Mode::Update});
  keyboard.SetFaults({.failRequest = 1});
  const std::wstring path = PathOf(keyboard);

  EXPECT_TRUE(GetStatus(path).has_value());
  EXPECT_FALSE(GetStatus(path).has_value());
  EXPECT_EQ(StateOf(path), DfuState::dfuERROR);

  const auto log = keyboard.Requests();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_FALSE(log[0].failed);
  EXPECT_TRUE(log[1].failed);
  EXPECT_FALSE(log[2].failed);
}

TEST_F(SimKeyboardTest, FailingResetAndDescriptorReadsLeaveTheKeyboardWhereItIs) {
  SimKeyboard& keyboard = bus.Plug({});
  const std::wstring path = PathOf(keyboard);

  keyboard.SetFaults({.failReset = true});
  EXPECT_FALSE(Send(path, Code::ResetDevice));
  keyboard.SetFaults({.failDescriptorReads = true});
  EXPECT_EQ(InfoText(path), "(failed)");

  EXPECT_EQ(PathOf(keyboard), path);
  EXPECT_EQ(changes.size(), 1u);  // the plug
}

// Run under ThreadSanitizer: a worker polling, a user interface listing, a test pulling the cable.
TEST_F(SimKeyboardTest, BusAndKeyboardMayBeUsedFromSeveralThreads) {
  SimKeyboard& keyboard = bus.Plug({.mode = Mode::Update});
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    while (!stop) {
      for (const PresentDevice& device : bus.Present()) GetStatus(device.path);
    }
  });
  std::thread viewer([&] {
    while (!stop) {
      keyboard.State();
      keyboard.Requests();
    }
  });

  for (int round = 0; round < 200; ++round) {
    bus.Unplug(keyboard);
    bus.Replug(keyboard);
  }
  stop = true;
  worker.join();
  viewer.join();

  EXPECT_EQ(bus.Present().size(), 1u);
  EXPECT_EQ(changes.size(), 401u);
}

}  // namespace
}  // namespace EvarixSim
