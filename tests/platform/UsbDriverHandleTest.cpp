#include "platform/UsbDriverHandle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/DriverControlCodes.h"

namespace CVFirmwareLoader {
namespace {

namespace Code = DriverControlCode;
using Bytes = std::vector<uint8_t>;

struct Transfer {
  uint8_t requestType;
  uint8_t request;
  uint16_t value;
  uint16_t index;
  Bytes data;  // what went to the device, or as many zeros as were asked for

  bool operator==(const Transfer&) const = default;
};

Bytes Interface(uint8_t number, uint8_t alternate, uint8_t interfaceClass, uint8_t subclass,
                uint8_t protocol, uint8_t text) {
  return {9, 4, number, alternate, 0, interfaceClass, subclass, protocol, text};
}

Bytes DfuInterface(uint8_t number, uint8_t protocol = 1) {
  return Interface(number, 0, 0xFE, 0x01, protocol, 5);
}

Bytes Functional(uint16_t detachTimeout, uint8_t length = 9) {
  Bytes bytes = {9,
                 0x21,
                 0x09,
                 static_cast<uint8_t>(detachTimeout),
                 static_cast<uint8_t>(detachTimeout >> 8),
                 64,
                 0,
                 0x10,
                 0x01};
  bytes.resize(length);
  bytes[0] = length;
  return bytes;
}

// A HID interface: its class descriptor has the DFU functional descriptor's type, 0x21.
Bytes HidInterface(uint8_t number) {
  Bytes bytes = Interface(number, 0, 0x03, 0, 0, 0);
  const Bytes hid = {9, 0x21, 0x11, 0x01, 0, 1, 0x22, 0x40, 0};
  bytes.insert(bytes.end(), hid.begin(), hid.end());
  return bytes;
}

// A configuration descriptor whose wTotalLength is its size, unless told otherwise.
Bytes Configuration(std::vector<Bytes> parts, std::optional<uint16_t> totalLength = {}) {
  Bytes bytes = {9, 2, 0, 0, 1, 1, 0, 0x80, 50};
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  const auto total = totalLength.value_or(static_cast<uint16_t>(bytes.size()));
  bytes[2] = static_cast<uint8_t>(total);
  bytes[3] = static_cast<uint8_t>(total >> 8);
  return bytes;
}

const Bytes kAudioInterface = Interface(0, 0, 0x01, 0x01, 0, 0);
const Bytes kKeyboardConfiguration =
    Configuration({kAudioInterface, HidInterface(1), DfuInterface(2), Functional(1000)});

// A keyboard reduced to what the handle asks of it: DFU interface 2 behind an audio and a HID
// interface, the latter with its own descriptor of type 0x21. Its configuration is what the host
// holds of it; the keyboard itself is never asked for it.
class FakeUsbDevice final : public IUsbDevice {
 public:
  Bytes device = {18, 1, 0, 2, 0, 0, 0, 64, 0x09, 0x12, 0x05, 0, 0x22, 0x10, 1, 2, 0, 1};
  Bytes configuration = kKeyboardConfiguration;
  Bytes text = {8, 3, 'V', 0, '1', 0, '0', 0};
  Bytes status = {0, 0x10, 0, 0, 4, 0};
  std::optional<int> classResult;  // what class requests report instead of the full size
  bool resetSucceeds = true;
  int resets = 0;
  std::vector<Transfer> transfers;

  int ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                      std::span<uint8_t> data) override {
    const bool in = (requestType & 0x80) != 0;
    transfers.push_back({requestType, request, value, index,
                         in ? Bytes(data.size()) : Bytes(data.begin(), data.end())});
    if (requestType == 0x80 && request == 6) return Serve(Descriptor(value), data);
    if (classResult) return *classResult;
    return in ? Serve(&status, data) : static_cast<int>(data.size());
  }

  bool ResetPort() override {
    ++resets;
    return resetSucceeds;
  }

  std::vector<Transfer> ClassTransfers() const {
    std::vector<Transfer> result;
    for (const Transfer& setup : transfers) {
      if (setup.requestType != 0x80) result.push_back(setup);
    }
    return result;
  }

 private:
  const Bytes* Descriptor(uint16_t value) const {
    if (value == 0x0100) return &device;
    if (value >> 8 == 3) return &text;
    return nullptr;
  }

  static int Serve(const Bytes* bytes, std::span<uint8_t> data) {
    if (bytes == nullptr) return -1;
    const size_t count = std::min(bytes->size(), data.size());
    std::copy_n(bytes->begin(), count, data.begin());
    return static_cast<int>(count);
  }
};

UsbDriverHandle HandleOn(FakeUsbDevice& device) {
  return UsbDriverHandle(device, UsbDriverHandle::FindDfuInterface(device.configuration));
}

// Names each case of a table after its name field.
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

struct Exchange {
  std::string name;
  uint32_t code;
  Bytes request;
  size_t replySize;
  std::vector<Transfer> sent;  // all that the request puts on the bus
  Bytes replyStart;            // what the reply begins with
};

class UsbDriverHandleMapping : public ::testing::TestWithParam<Exchange> {};

TEST_P(UsbDriverHandleMapping, CarriesTheRequestAsItsUsbTransfer) {
  const Exchange& exchange = GetParam();
  FakeUsbDevice device;
  UsbDriverHandle handle = HandleOn(device);
  Bytes reply(exchange.replySize, 0xEE);

  ASSERT_TRUE(handle.Control(exchange.code, exchange.request, reply));

  EXPECT_EQ(device.transfers, exchange.sent);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + exchange.replyStart.size()), exchange.replyStart);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    AllRequests, UsbDriverHandleMapping,
    ::testing::Values(
        Exchange{"Detach", Code::DfuDetach, {1, 0, 0xE8, 0x03}, 0, {{0x21, 0, 1000, 2, {}}}, {}},
        Exchange{"DownloadSendsOnlyTheData", Code::DfuDownload, {7, 1, 3, 0, 0xA, 0xB, 0xC}, 0,
                 {{0x21, 1, 0x0107, 2, {0xA, 0xB, 0xC}}}, {}},
        Exchange{"EndOfDownload", Code::DfuDownload, {0, 0, 0, 0}, 0, {{0x21, 1, 0, 2, {}}}, {}},
        Exchange{"GetStatus", Code::DfuGetStatus, {}, 6, {{0xA1, 3, 0, 2, Bytes(6)}},
                 {0, 0x10, 0, 0, 4, 0}},
        Exchange{"ClearStatus", Code::DfuClearStatus, {}, 0, {{0x21, 4, 0, 2, {}}}, {}},
        Exchange{"Abort", Code::DfuAbort, {}, 0, {{0x21, 6, 0, 2, {}}}, {}},
        Exchange{"DeviceDescriptor", Code::GetDeviceDescriptor, {}, 18,
                 {{0x80, 6, 0x0100, 0, Bytes(18)}}, {18, 1, 0, 2}},
        // The string's own length, not the reply's, ends what is written.
        Exchange{"InfoTextIsTheInterfaceString", Code::GetInfoText, {}, 96,
                 {{0x80, 6, 0x0305, 0x0409, Bytes(96)}}, {8, 3, 'V', 0, '1', 0, '0', 0, 0xEE}},
        Exchange{"DfuDescriptorIsTheDfuInterfacesOwn", Code::GetDfuDescriptor, {}, 8, {},
                 {9, 0x21, 0x09, 0xE8, 0x03, 64, 0, 0x10}}),
    CaseName<Exchange>);
// clang-format on

TEST(UsbDriverHandle, ResetResetsThePort) {
  for (const bool succeeds : {true, false}) {
    FakeUsbDevice device;
    device.resetSucceeds = succeeds;
    UsbDriverHandle handle = HandleOn(device);
    EXPECT_EQ(handle.Control(Code::ResetDevice, {}, {}), succeeds);
    EXPECT_EQ(device.resets, 1);
    EXPECT_TRUE(device.transfers.empty());
  }
}

struct Refusal {
  std::string name;
  uint32_t code;
  Bytes request;
  size_t replySize;
};

class UsbDriverHandleSizes : public ::testing::TestWithParam<Refusal> {};

TEST_P(UsbDriverHandleSizes, RefusesWithoutTalkingToTheKeyboard) {
  const Refusal& refusal = GetParam();
  FakeUsbDevice device;
  UsbDriverHandle handle = HandleOn(device);
  Bytes reply(refusal.replySize, 0xEE);

  EXPECT_FALSE(handle.Control(refusal.code, refusal.request, reply));

  EXPECT_THAT(device.ClassTransfers(), ::testing::IsEmpty());
  EXPECT_EQ(device.resets, 0);
  EXPECT_EQ(reply, Bytes(refusal.replySize, 0xEE));
}

INSTANTIATE_TEST_SUITE_P(
    WrongSizes, UsbDriverHandleSizes,
    ::testing::Values(
        Refusal{"ResetWithRequestBytes", Code::ResetDevice, {0}, 0},
        Refusal{"ShortDetach", Code::DfuDetach, {1, 0, 0xE8}, 0},
        Refusal{"DetachWithReply", Code::DfuDetach, {1, 0, 0xE8, 3}, 1},
        Refusal{"DownloadWithoutHeader", Code::DfuDownload, {0, 0, 0}, 0},
        Refusal{"DownloadLongerThanItsLength", Code::DfuDownload, {0, 0, 2, 0, 1, 2, 3}, 0},
        Refusal{"DownloadShorterThanItsLength", Code::DfuDownload, {0, 0, 4, 0, 1, 2, 3}, 0},
        Refusal{"ShortStatusReply", Code::DfuGetStatus, {}, 5},
        Refusal{"LongStatusReply", Code::DfuGetStatus, {}, 7},
        Refusal{"StatusWithRequestBytes", Code::DfuGetStatus, {0}, 6},
        Refusal{"ClearStatusWithReply", Code::DfuClearStatus, {}, 1},
        Refusal{"AbortWithRequestBytes", Code::DfuAbort, {0}, 0},
        Refusal{"ShortInfoTextReply", Code::GetInfoText, {}, 95},
        Refusal{"LongDfuDescriptorReply", Code::GetDfuDescriptor, {}, 9},
        Refusal{"ShortDeviceDescriptorReply", Code::GetDeviceDescriptor, {}, 17},
        Refusal{"UnknownCode", Code::FromFunction(0x802), {}, 0}),
    CaseName<Refusal>);

struct Layout {
  std::string name;
  Bytes configuration;
};

class UsbDriverHandleMalformed : public ::testing::TestWithParam<Layout> {};

TEST_P(UsbDriverHandleMalformed, FindsNoDfuInterface) {
  FakeUsbDevice device;
  device.configuration = GetParam().configuration;
  UsbDriverHandle handle = HandleOn(device);
  Bytes reply(8, 0xEE);

  EXPECT_FALSE(handle.Control(Code::GetDfuDescriptor, {}, reply));
  EXPECT_FALSE(handle.Control(Code::DfuDetach, Bytes{1, 0, 0xE8, 3}, {}));

  EXPECT_THAT(device.ClassTransfers(), ::testing::IsEmpty());
  EXPECT_EQ(reply, Bytes(8, 0xEE));
}

Bytes WithByte(Bytes bytes, size_t at, uint8_t value) {
  bytes[at] = value;
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, UsbDriverHandleMalformed,
    ::testing::Values(
        Layout{"ZeroLengthDescriptor",
               Configuration({kAudioInterface, {0, 4}, DfuInterface(2), Functional(1000)})},
        Layout{"DescriptorRunsPastTheEnd", Configuration({DfuInterface(2), {12, 0x21, 0x09}})},
        Layout{"TotalLengthBeyondItsSize", Configuration({DfuInterface(2), Functional(1000)}, 60)},
        Layout{"TotalLengthShorterThanItsSize",
               Configuration({DfuInterface(2), Functional(1000)}, 20)},
        Layout{"NotAConfiguration",
               WithByte(Configuration({DfuInterface(2), Functional(1000)}), 1, 4)},
        Layout{"ShortHeader", {9, 2, 9}},
        Layout{"NoDfuInterface", Configuration({kAudioInterface, HidInterface(1)})},
        Layout{"WrongSubclass", Configuration({Interface(0, 0, 0xFE, 2, 1, 5), Functional(1000)})},
        Layout{"UnknownProtocol", Configuration({DfuInterface(0, 3), Functional(1000)})},
        Layout{"NoFunctionalDescriptor", Configuration({DfuInterface(0)})},
        Layout{"FunctionalDescriptorOfTheNextInterface",
               Configuration({DfuInterface(0), HidInterface(1)})},
        Layout{"OnlyAHidDescriptorBeforeIt", Configuration({HidInterface(0), DfuInterface(1)})},
        Layout{"TruncatedFunctionalDescriptor",
               Configuration({DfuInterface(0), Functional(1000, 6)})},
        Layout{"ShortInterfaceDescriptor",
               Configuration({{7, 4, 0, 0, 0, 0xFE, 1}, Functional(1000)})}),
    CaseName<Layout>);

struct Found {
  std::string name;
  Bytes configuration;
  uint16_t interfaceNumber;
  Bytes dfuReply;
};

class UsbDriverHandleLayouts : public ::testing::TestWithParam<Found> {};

TEST_P(UsbDriverHandleLayouts, AddressesTheDfuInterface) {
  const Found& found = GetParam();
  FakeUsbDevice device;
  device.configuration = found.configuration;
  UsbDriverHandle handle = HandleOn(device);
  Bytes reply(8, 0xEE);

  ASSERT_TRUE(handle.Control(Code::GetDfuDescriptor, {}, reply));
  ASSERT_TRUE(handle.Control(Code::DfuAbort, {}, {}));

  EXPECT_EQ(reply, found.dfuReply);
  EXPECT_EQ(device.transfers.back().index, found.interfaceNumber);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Configurations, UsbDriverHandleLayouts,
    ::testing::Values(
        Found{"UpdateMode", Configuration({DfuInterface(0, 2), Functional(2000)}), 0,
              {9, 0x21, 0x09, 0xD0, 0x07, 64, 0, 0x10}},
        Found{"AlternateSettingsBeforeTheFunctionalDescriptor",
              Configuration({DfuInterface(0, 2), Interface(0, 1, 0xFE, 1, 2, 6), Functional(300)}),
              0, {9, 0x21, 0x09, 0x2C, 0x01, 64, 0, 0x10}},
        Found{"HidDescriptorBeforeIt",
              Configuration({HidInterface(0), DfuInterface(1), Functional(1000)}), 1,
              {9, 0x21, 0x09, 0xE8, 0x03, 64, 0, 0x10}},
        // DFU 1.0 keyboards end the descriptor before bcdDFUVersion.
        Found{"SevenByteFunctionalDescriptor",
              Configuration({DfuInterface(3), Functional(1000, 7)}), 3,
              {7, 0x21, 0x09, 0xE8, 0x03, 64, 0, 0xEE}}),
    CaseName<Found>);
// clang-format on

struct Failure {
  std::string name;
  std::function<void(FakeUsbDevice&)> breakDevice;
  uint32_t code;
  Bytes request;
  size_t replySize;
};

class UsbDriverHandleFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(UsbDriverHandleFailures, FailTheRequestAndLeaveTheReply) {
  const Failure& failure = GetParam();
  FakeUsbDevice device;
  failure.breakDevice(device);
  UsbDriverHandle handle = HandleOn(device);
  Bytes reply(failure.replySize, 0xEE);

  EXPECT_FALSE(handle.Control(failure.code, failure.request, reply));
  EXPECT_EQ(reply, Bytes(failure.replySize, 0xEE));
}

const auto kStalls = [](FakeUsbDevice& device) { device.classResult = -1; };

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Transfers, UsbDriverHandleFailures,
    ::testing::Values(
        Failure{"StalledDetach", kStalls, Code::DfuDetach, {1, 0, 0, 0}, 0},
        Failure{"StalledDownload", kStalls, Code::DfuDownload, {0, 0, 1, 0, 9}, 0},
        Failure{"PartlySentDownload", [](FakeUsbDevice& d) { d.classResult = 1; },
                Code::DfuDownload, {0, 0, 2, 0, 9, 9}, 0},
        Failure{"StalledStatus", kStalls, Code::DfuGetStatus, {}, 6},
        Failure{"ShortStatus", [](FakeUsbDevice& d) { d.status.resize(5); },
                Code::DfuGetStatus, {}, 6},
        Failure{"ShortDeviceDescriptor", [](FakeUsbDevice& d) { d.device.resize(12); },
                Code::GetDeviceDescriptor, {}, 18},
        Failure{"NotADeviceDescriptor", [](FakeUsbDevice& d) { d.device[1] = 2; },
                Code::GetDeviceDescriptor, {}, 18},
        Failure{"InfoTextWithoutHeader", [](FakeUsbDevice& d) { d.text = {8}; },
                Code::GetInfoText, {}, 96},
        Failure{"InfoTextNotAString", [](FakeUsbDevice& d) { d.text[1] = 4; },
                Code::GetInfoText, {}, 96},
        Failure{"NoInfoTextString", [](FakeUsbDevice& d) {
                  d.configuration = Configuration({Interface(0, 0, 0xFE, 1, 2, 0), Functional(1)});
                }, Code::GetInfoText, {}, 96}),
    CaseName<Failure>);
// clang-format on

}  // namespace
}  // namespace CVFirmwareLoader
