#include "tools/simkeyboard/KeyboardDescriptors.h"

#include <iterator>

#include "platform/UsbDfuWire.h"

namespace EvarixSim::Descriptors {

namespace {

namespace UsbDfu = CVFirmwareLoader::UsbDfu;
namespace Type = UsbDfu::DescriptorType;

constexpr uint16_t kUsbVersion = 0x0200;
constexpr uint16_t kDfuVersion = 0x0110;
constexpr uint8_t kControlPacketSize = 64;
constexpr uint8_t kConfigurationValue = 1;
constexpr uint8_t kBusPowered = 0x80;
constexpr uint8_t kMaxPower100mA = 50;  // in units of 2 mA

using UsbDfu::kCanDownload;
using UsbDfu::kManifestationTolerant;
using UsbDfu::kWillDetach;

constexpr uint8_t Low(uint16_t value) {
  return static_cast<uint8_t>(value & 0xFF);
}
constexpr uint8_t High(uint16_t value) {
  return static_cast<uint8_t>(value >> 8);
}

// Interfaces 0 and 1: audio control and MIDI streaming with one cable each way, so that the
// system's MIDI class driver takes the keyboard for what it is.
// clang-format off
constexpr uint8_t kMidiInterfaces[] = {
    // interface 0: audio control, no endpoints
    9, Type::kInterface, 0, 0, 0, 0x01, 0x01, 0x00, 0,
    // class-specific AC header: ADC 1.0, 9 bytes in all, one streaming interface (1)
    9, 0x24, 0x01, 0x00, 0x01, 9, 0, 1, 1,
    // interface 1: MIDI streaming, two endpoints
    9, Type::kInterface, 1, 0, 2, 0x01, 0x03, 0x00, 0,
    // class-specific MS header: MSC 1.0, 65 bytes of class-specific descriptors
    7, 0x24, 0x01, 0x00, 0x01, 65, 0,
    // MIDI IN jacks: embedded 1 (from the host), external 2 (the keys)
    6, 0x24, 0x02, 0x01, 1, 0,
    6, 0x24, 0x02, 0x02, 2, 0,
    // MIDI OUT jacks: embedded 3 (to the host, fed by jack 2), external 4 (fed by jack 1)
    9, 0x24, 0x03, 0x01, 3, 1, 2, 1, 0,
    9, 0x24, 0x03, 0x02, 4, 1, 1, 1, 0,
    // bulk OUT endpoint 1 and its embedded jack 1
    9, 0x05, 0x01, 0x02, 64, 0, 0, 0, 0,
    5, 0x25, 0x01, 1, 1,
    // bulk IN endpoint 1 and its embedded jack 3
    9, 0x05, 0x81, 0x02, 64, 0, 0, 0, 0,
    5, 0x25, 0x01, 1, 3,
};
// clang-format on

std::vector<uint8_t> DfuInterface(uint8_t number, uint8_t protocol, const DfuSettings& dfu) {
  const auto attributes =
      static_cast<uint8_t>(kCanDownload | (dfu.willDetach ? kWillDetach : 0) |
                           (dfu.manifestationTolerant ? kManifestationTolerant : 0));
  // clang-format off
  return {
      9, Type::kInterface, number, 0, 0,
      UsbDfu::kDfuInterfaceClass, UsbDfu::kDfuInterfaceSubclass, protocol, kInfoTextIndex,
      9, Type::kDfuFunctional, attributes,
      Low(dfu.detachTimeoutMs), High(dfu.detachTimeoutMs),
      Low(dfu.transferSize), High(dfu.transferSize),
      Low(kDfuVersion), High(kDfuVersion),
  };
  // clang-format on
}

std::vector<uint8_t> Configuration(uint8_t interfaceCount, const std::vector<uint8_t>& body) {
  const auto total = static_cast<uint16_t>(UsbDfu::kConfigurationHeaderSize + body.size());
  // clang-format off
  std::vector<uint8_t> configuration = {
      9, Type::kConfiguration, Low(total), High(total),
      interfaceCount, kConfigurationValue, 0, kBusPowered, kMaxPower100mA,
  };
  // clang-format on
  configuration.insert(configuration.end(), body.begin(), body.end());
  return configuration;
}

}  // namespace

std::vector<uint8_t> DeviceDescriptor(uint16_t productId, uint16_t release) {
  // clang-format off
  return {
      18, Type::kDevice, Low(kUsbVersion), High(kUsbVersion),
      0, 0, 0, kControlPacketSize,  // class, subclass and protocol are per interface
      Low(kVendorId), High(kVendorId), Low(productId), High(productId),
      Low(release), High(release),
      kManufacturerIndex, kProductIndex, 0, 1,  // no serial number, one configuration
  };
  // clang-format on
}

std::vector<uint8_t> ApplicationConfiguration(const DfuSettings& dfu) {
  std::vector<uint8_t> body(std::begin(kMidiInterfaces), std::end(kMidiInterfaces));
  const auto dfuInterface = DfuInterface(kApplicationDfuInterface, UsbDfu::kRuntimeProtocol, dfu);
  body.insert(body.end(), dfuInterface.begin(), dfuInterface.end());
  return Configuration(3, body);
}

std::vector<uint8_t> UpdateConfiguration(const DfuSettings& dfu) {
  return Configuration(1, DfuInterface(kUpdateDfuInterface, UsbDfu::kDfuModeProtocol, dfu));
}

std::vector<uint8_t> LanguageDescriptor() {
  return {4, Type::kString, Low(UsbDfu::kLanguageEnglishUs), High(UsbDfu::kLanguageEnglishUs)};
}

std::vector<uint8_t> StringDescriptor(std::string_view text) {
  std::vector<uint8_t> descriptor = {static_cast<uint8_t>(2 + 2 * text.size()), Type::kString};
  for (const char c : text) {
    descriptor.push_back(static_cast<uint8_t>(c));
    descriptor.push_back(0);
  }
  return descriptor;
}

}  // namespace EvarixSim::Descriptors
