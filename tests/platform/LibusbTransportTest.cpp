#include "platform/linux/LibusbTransport.h"

#include <gtest/gtest.h>
#include <libudev.h>
#include <poll.h>

#include <array>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/DriverControlCodes.h"
#include "tests/platform/UmockdevKeyboard.h"
#include "tools/firmware/FirmwareFormat.h"

namespace CVFirmwareLoader {
namespace {

using EvarixSim::DfuState;
using EvarixSim::KeyboardConfig;
using EvarixSim::Mode;
using EvarixSim::RequestKind;
using EvarixSim::SimKeyboard;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
namespace Code = DriverControlCode;

constexpr uint16_t kApplicationProductId = 0x0005;
constexpr uint16_t kUpdateProductId = 0x0006;
constexpr auto kOpenWindow = std::chrono::milliseconds(1000);

uint16_t Le16(const Bytes& bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::string InfoText(const Bytes& reply) {
  std::string text;
  for (size_t offset = 2; offset + 1 < reply.size() && Le16(reply, offset) != 0; offset += 2) {
    text += static_cast<char>(reply[offset]);
  }
  return text;
}

Bytes BlockRequest(uint16_t index, const Bytes& data) {
  Bytes request(4 + data.size());
  request[0] = static_cast<uint8_t>(index);
  request[1] = static_cast<uint8_t>(index >> 8);
  request[2] = static_cast<uint8_t>(data.size());
  request[3] = static_cast<uint8_t>(data.size() >> 8);
  std::copy(data.begin(), data.end(), request.begin() + 4);
  return request;
}

const Bytes kDetachRequest = {1, 0, 0xE8, 0x03};
const Bytes kEndOfDownload = {0, 0, 0, 0};

struct Status {
  uint8_t status;
  uint32_t pollTimeoutMs;
  DfuState state;
};

// udev's view of USB devices coming and going, as a program that watches for keyboards has it.
class UeventWatch {
 public:
  struct Event {
    std::string action;
    std::string devname;
    std::string product;
  };

  UeventWatch() : udev_(udev_new()), monitor_(udev_monitor_new_from_netlink(udev_.get(), "udev")) {
    udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "usb", "usb_device");
    udev_monitor_enable_receiving(monitor_.get());
  }

  std::optional<Event> Next(std::chrono::milliseconds timeout) {
    pollfd ready{udev_monitor_get_fd(monitor_.get()), POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
    const std::unique_ptr<udev_device, DeviceUnref> device(
        udev_monitor_receive_device(monitor_.get()));
    if (!device) return std::nullopt;
    return Event{Text(udev_device_get_action(device.get())),
                 Text(udev_device_get_devnode(device.get())),
                 Text(udev_device_get_property_value(device.get(), "PRODUCT"))};
  }

 private:
  struct UdevUnref {
    void operator()(udev* context) const { udev_unref(context); }
  };
  struct MonitorUnref {
    void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
  };
  struct DeviceUnref {
    void operator()(udev_device* device) const { udev_device_unref(device); }
  };

  static std::string Text(const char* text) { return text ? text : ""; }

  std::unique_ptr<udev, UdevUnref> udev_;
  std::unique_ptr<udev_monitor, MonitorUnref> monitor_;
};

// The transport against keyboards that libusb finds through the umockdev testbed. Every request
// opens its own handle, as the device layer does.
class LibusbTransportTest : public EvarixSim::UmockdevKeyboardTest {
 protected:
  void SetUp() override {
    UmockdevKeyboardTest::SetUp();
    if (IsSkipped()) return;
    transport_ = LibusbTransport::Create({.openWindow = kOpenWindow});
    ASSERT_NE(transport_, nullptr);
  }

  void TearDown() override {
    transport_.reset();
    UmockdevKeyboardTest::TearDown();
  }

  // The reply of one request through a handle of its own; nothing when it failed.
  std::optional<Bytes> Ask(const std::wstring& path, uint32_t code, size_t replySize,
                           const Bytes& request = {}) {
    const std::unique_ptr<IDriverHandle> handle = transport_->Open(path);
    if (handle == nullptr) return std::nullopt;
    Bytes reply(replySize);
    if (!handle->Control(code, request, reply)) return std::nullopt;
    return reply;
  }

  bool Send(const std::wstring& path, uint32_t code, const Bytes& request = {}) {
    return Ask(path, code, 0, request).has_value();
  }

  std::optional<Status> GetStatus(const std::wstring& path) {
    const std::optional<Bytes> reply = Ask(path, Code::DfuGetStatus, kGetStatusReplySize);
    if (!reply) return std::nullopt;
    const Bytes& r = *reply;
    return Status{r[0], static_cast<uint32_t>(r[1] | r[2] << 8 | r[3] << 16),
                  static_cast<DfuState>(r[4])};
  }

  std::unique_ptr<LibusbTransport> transport_;
};

TEST(LibusbTransportPath, TakesOnlyAUsbfsNode) {
  EXPECT_EQ(LibusbTransport::ParsePath(L"/dev/bus/usb/001/002"), (UsbAddress{1, 2}));
  EXPECT_EQ(LibusbTransport::ParsePath(L"/dev/bus/usb/255/127"), (UsbAddress{255, 127}));
  for (const wchar_t* path :
       {L"", L"/dev/bus/usb/001", L"/dev/bus/usb/1/2", L"/dev/bus/usb/001/02",
        L"/dev/bus/usb/001/0002", L"/dev/bus/usb/001/002/", L"/dev/bus/usb/001/002 ",
        L"dev/bus/usb/001/002", L"/dev/bus/usb/000/002", L"/dev/bus/usb/001/000",
        L"/dev/bus/usb/256/001", L"/dev/bus/usb/001/128", L"/dev/bus/usb/0x1/002",
        L"/dev/bus/usb/001-002", L"/dev/bus/usb/+01/002",
        L"\\\\?\\usb#vid_1209&pid_0005#5&1&0&1#{guid}"}) {
    EXPECT_EQ(LibusbTransport::ParsePath(path), std::nullopt)
        << "path: " << testing::PrintToString(std::wstring(path));
  }
}

TEST(LibusbTransportPath, OpensNothingElseAndDoesNotWaitForIt) {
  const auto transport = LibusbTransport::Create();
  ASSERT_NE(transport, nullptr);
  const auto start = Clock::now();
  EXPECT_EQ(transport->Open(L"/dev/bus/usb/1/2"), nullptr);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
}

struct Identity {
  std::string name;
  Mode mode;
  uint16_t productId;
  uint16_t release;
};

class LibusbTransportIdentity : public LibusbTransportTest,
                                public testing::WithParamInterface<Identity> {};

TEST_P(LibusbTransportIdentity, AnswersTheIdentityRequests) {
  const Identity& identity = GetParam();
  const SimKeyboard& keyboard = bus_.Plug({.mode = identity.mode,
                                           .firmwareVersion = 0x1022,
                                           .detachTimeoutMs = 1500,
                                           .transferSize = 256});
  const std::wstring path = PathOf(keyboard);

  const std::optional<Bytes> device = Ask(path, Code::GetDeviceDescriptor, 18);
  ASSERT_TRUE(device);
  EXPECT_EQ(Le16(*device, 8), 0x1209);
  EXPECT_EQ(Le16(*device, 10), identity.productId);
  EXPECT_EQ(Le16(*device, 12), identity.release);

  const std::optional<Bytes> dfu = Ask(path, Code::GetDfuDescriptor, 8);
  ASSERT_TRUE(dfu);
  EXPECT_EQ(Le16(*dfu, 3), 1500);  // detach time-out
  EXPECT_EQ(Le16(*dfu, 5), 256);   // transfer size

  const std::optional<Bytes> text = Ask(path, Code::GetInfoText, 96);
  ASSERT_TRUE(text);
  EXPECT_EQ(InfoText(*text), "V1022 B0780 H0100 VALID");
}

INSTANTIATE_TEST_SUITE_P(BothModes, LibusbTransportIdentity,
                         testing::Values(Identity{"Application", Mode::Application,
                                                  kApplicationProductId, 0x1022},
                                         Identity{"Update", Mode::Update, kUpdateProductId, 0}),
                         [](const auto& test) { return test.param.name; });

TEST_F(LibusbTransportTest, DownloadsAnImageThatTheKeyboardRunsAfterTheReset) {
  SimKeyboard& keyboard = bus_.Plug({.mode = Mode::Update, .pollTimeoutMs = 5});
  const std::wstring path = PathOf(keyboard);
  const Bytes image = EvarixFirmware::BuildFirmwareImage({.version = 0x1024, .totalSize = 218});
  const Bytes payload(image.begin(), image.end() - EvarixFirmware::kSuffixSize);
  constexpr size_t kBlock = 64;

  ASSERT_EQ(GetStatus(path)->state, DfuState::dfuIDLE);
  for (size_t offset = 0, index = 0; offset < payload.size(); offset += kBlock, ++index) {
    const Bytes block(
        payload.begin() + static_cast<long>(offset),
        payload.begin() + static_cast<long>(std::min(offset + kBlock, payload.size())));
    ASSERT_TRUE(Send(path, Code::DfuDownload, BlockRequest(static_cast<uint16_t>(index), block)));
    const std::optional<Status> busy = GetStatus(path);
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->state, DfuState::dfuDNBUSY);
    std::this_thread::sleep_for(std::chrono::milliseconds(busy->pollTimeoutMs));
    ASSERT_EQ(GetStatus(path)->state, DfuState::dfuDNLOAD_IDLE);
  }
  ASSERT_TRUE(Send(path, Code::DfuDownload, kEndOfDownload));
  EXPECT_EQ(GetStatus(path)->state, DfuState::dfuMANIFEST_SYNC);
  EXPECT_EQ(GetStatus(path)->state, DfuState::dfuMANIFEST_WAIT_RESET);
  // The keyboard leaves during the reset to start its new firmware: that is the reset working.
  EXPECT_TRUE(Send(path, Code::ResetDevice));

  EXPECT_EQ(keyboard.ReceivedPayload(), payload);
  EXPECT_TRUE(keyboard.FirmwareValid());
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1024);
  EXPECT_EQ(keyboard.CurrentMode(), Mode::Application);
  std::vector<RequestKind> kinds;
  for (const auto& request : keyboard.Requests()) kinds.push_back(request.kind);
  std::vector<RequestKind> expected = {RequestKind::GetStatus};
  for (int block = 0; block < 4; ++block) {
    expected.insert(expected.end(),
                    {RequestKind::Download, RequestKind::GetStatus, RequestKind::GetStatus});
  }
  expected.insert(expected.end(), {RequestKind::Download, RequestKind::GetStatus,
                                   RequestKind::GetStatus, RequestKind::PortReset});
  EXPECT_EQ(kinds, expected);
  const std::optional<Bytes> device = Ask(PathOf(keyboard), Code::GetDeviceDescriptor, 18);
  ASSERT_TRUE(device);
  EXPECT_EQ(Le16(*device, 12), 0x1024);
}

TEST_F(LibusbTransportTest, AStalledRequestFailsAndClearStatusAndAbortRecover) {
  const SimKeyboard& keyboard = bus_.Plug({.mode = Mode::Update});
  const std::wstring path = PathOf(keyboard);

  // DFU 1.1 has nothing to clear in dfuIDLE: the keyboard stalls and enters dfuERROR.
  EXPECT_FALSE(Send(path, Code::DfuClearStatus));
  const std::optional<Status> error = GetStatus(path);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->state, DfuState::dfuERROR);
  EXPECT_EQ(error->status, 0x0F);  // errSTALLEDPKT

  EXPECT_TRUE(Send(path, Code::DfuClearStatus));
  EXPECT_EQ(GetStatus(path)->state, DfuState::dfuIDLE);
  EXPECT_TRUE(Send(path, Code::DfuAbort));
  EXPECT_EQ(GetStatus(path)->state, DfuState::dfuIDLE);
  EXPECT_EQ(keyboard.State(), DfuState::dfuIDLE);
}

TEST_F(LibusbTransportTest, DetachMovesTheKeyboardToANewNodeThatOpensWithinTheWindow) {
  UeventWatch uevents;
  const SimKeyboard& keyboard = bus_.Plug();
  ASSERT_EQ(uevents.Next(std::chrono::seconds(2))->action, "add");
  const std::wstring applicationPath = PathOf(keyboard);

  ASSERT_TRUE(Send(applicationPath, Code::DfuDetach, kDetachRequest));

  const std::wstring updatePath = PathOf(keyboard);
  ASSERT_NE(updatePath, applicationPath);
  const auto removed = uevents.Next(std::chrono::seconds(2));
  const auto added = uevents.Next(std::chrono::seconds(2));
  ASSERT_TRUE(removed && added);
  EXPECT_EQ(removed->action, "remove");
  EXPECT_EQ(removed->devname, std::string(applicationPath.begin(), applicationPath.end()));
  EXPECT_EQ(added->action, "add");
  EXPECT_EQ(added->devname, std::string(updatePath.begin(), updatePath.end()));
  EXPECT_EQ(added->product, "1209/6/0");

  const auto start = Clock::now();
  const std::optional<Bytes> device = Ask(updatePath, Code::GetDeviceDescriptor, 18);
  EXPECT_LT(Clock::now() - start, kOpenWindow);
  ASSERT_TRUE(device);
  EXPECT_EQ(Le16(*device, 10), kUpdateProductId);
  EXPECT_EQ(transport_->Open(applicationPath), nullptr);
}

TEST_F(LibusbTransportTest, OpenWaitsForANodeThatAppearsWithinTheWindow) {
  SimKeyboard& keyboard = bus_.Plug();
  const std::wstring first = PathOf(keyboard);
  bus_.Unplug(keyboard);
  // Device numbers count up, so the keyboard's next node is known before it is there.
  std::wstring next = first;
  next.back() = static_cast<wchar_t>(next.back() + 1);

  auto opened = std::async(std::launch::async, [&] { return transport_->Open(next); });
  std::this_thread::sleep_for(kOpenWindow / 4);
  bus_.Replug(keyboard);
  ASSERT_EQ(PathOf(keyboard), next);

  const std::unique_ptr<IDriverHandle> handle = opened.get();
  ASSERT_NE(handle, nullptr);
  Bytes reply(18);
  EXPECT_TRUE(handle->Control(Code::GetDeviceDescriptor, {}, reply));
}

TEST_F(LibusbTransportTest, AnUnpluggedKeyboardFailsEveryRequestWithoutHanging) {
  SimKeyboard& keyboard = bus_.Plug({.mode = Mode::Update});
  const std::wstring path = PathOf(keyboard);
  const std::unique_ptr<IDriverHandle> handle = transport_->Open(path);
  ASSERT_NE(handle, nullptr);
  bus_.Unplug(keyboard);

  const auto start = Clock::now();
  Bytes status(6);
  Bytes text(96);
  Bytes descriptor(18);
  EXPECT_FALSE(handle->Control(Code::DfuGetStatus, {}, status));
  EXPECT_FALSE(handle->Control(Code::DfuDownload, BlockRequest(0, Bytes(64, 0xAA)), {}));
  EXPECT_FALSE(handle->Control(Code::DfuClearStatus, {}, {}));
  EXPECT_FALSE(handle->Control(Code::DfuAbort, {}, {}));
  EXPECT_FALSE(handle->Control(Code::GetInfoText, {}, text));
  EXPECT_FALSE(handle->Control(Code::GetDeviceDescriptor, {}, descriptor));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(transport_->Open(path), nullptr);
}

TEST_F(LibusbTransportTest, ABlockCutShortByThePulledCableFails) {
  SimKeyboard& keyboard = bus_.Plug({.mode = Mode::Update});
  keyboard.SetFaults({.unplugAtBlock = 0});
  const std::wstring path = PathOf(keyboard);

  EXPECT_FALSE(Send(path, Code::DfuDownload, BlockRequest(0, Bytes(64, 0xAA))));
  EXPECT_EQ(bus_.AppearanceOf(keyboard), std::nullopt);
}

// usbfs lets one file at a time hold an interface; a handle gives the DFU interface back when it
// goes, or the next request could never reach the keyboard.
TEST_F(LibusbTransportTest, TheDfuInterfaceIsFreeAgainOnceAHandleIsGone) {
  const SimKeyboard& keyboard = bus_.Plug({.mode = Mode::Update});
  const std::wstring path = PathOf(keyboard);
  Bytes status(6);

  auto first = transport_->Open(path);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->Control(Code::DfuGetStatus, {}, status));
  const auto second = transport_->Open(path);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->Control(Code::DfuGetStatus, {}, status));

  first.reset();
  const auto third = transport_->Open(path);
  ASSERT_NE(third, nullptr);
  EXPECT_TRUE(third->Control(Code::DfuGetStatus, {}, status));
}

// Every request opens and closes a file of its own, so a testbed that kept what it knows of each
// closed file would grow by that, client and socket included, with every block of an update.
TEST_F(LibusbTransportTest, TheTestbedLetsGoOfClosedHandles) {
  constexpr size_t kHandles = 40;
  const std::wstring path = PathOf(bus_.Plug({.mode = Mode::Update}));
  for (size_t handle = 0; handle < kHandles; ++handle) ASSERT_TRUE(GetStatus(path));
  // umockdev's thread sees a file closed some time after the program closed it: the last few may
  // still be known.
  EXPECT_LT(umockdev_->FilesKept(), kHandles / 4);
}

TEST_F(LibusbTransportTest, ThreadsShareTheTransport) {
  const std::array<uint16_t, 2> versions = {0x1101, 0x1202};
  std::vector<std::wstring> paths;
  for (const uint16_t version : versions)
    paths.push_back(PathOf(bus_.Plug({.firmwareVersion = version})));

  auto readVersions = [&](size_t keyboard) {
    int matches = 0;
    for (int round = 0; round < 10; ++round) {
      const std::optional<Bytes> device = Ask(paths[keyboard], Code::GetDeviceDescriptor, 18);
      if (device && Le16(*device, 12) == versions[keyboard]) ++matches;
    }
    return matches;
  };
  auto first = std::async(std::launch::async, readVersions, 0);
  auto second = std::async(std::launch::async, readVersions, 1);
  EXPECT_EQ(first.get(), 10);
  EXPECT_EQ(second.get(), 10);
}

}  // namespace
}  // namespace CVFirmwareLoader
