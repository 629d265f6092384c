#pragma once

#include <cstddef>
#include <cstdint>

// The USB 2.0 and DFU 1.1 values on the wire, and the layout of a download block: shared by the
// transport that carries the driver's requests, the simulated keyboard that answers them and the
// usbfs stand-in that carries them to it, so that all three speak the same protocol.
namespace CVFirmwareLoader::UsbDfu {

// bmRequestType: direction, type and recipient.
constexpr uint8_t kRequestTypeStandardIn = 0x80;    // standard, device, device to host
constexpr uint8_t kRequestTypeStandardOut = 0x00;   // standard, device, host to device
constexpr uint8_t kRequestTypeInterfaceOut = 0x01;  // standard, interface, host to device
constexpr uint8_t kRequestTypeClassOut = 0x21;      // class, interface, host to device
constexpr uint8_t kRequestTypeClassIn = 0xA1;       // class, interface, device to host
constexpr uint8_t kDirectionIn = 0x80;
constexpr uint8_t kTypeMask = 0x60;  // standard (0), class or vendor
constexpr uint8_t kRecipientMask = 0x1F;
constexpr uint8_t kRecipientInterface = 0x01;

// Standard requests.
constexpr uint8_t kGetDescriptor = 6;
constexpr uint8_t kSetConfiguration = 9;
constexpr uint8_t kSetInterface = 11;

constexpr uint16_t kLanguageEnglishUs = 0x0409;

namespace DescriptorType {
constexpr uint8_t kDevice = 1;
constexpr uint8_t kConfiguration = 2;
constexpr uint8_t kString = 3;
constexpr uint8_t kInterface = 4;
constexpr uint8_t kDfuFunctional = 0x21;
}  // namespace DescriptorType

constexpr size_t kDeviceDescriptorSize = 18;
constexpr size_t kConfigurationHeaderSize = 9;
constexpr size_t kInterfaceDescriptorSize = 9;
constexpr size_t kDfuFunctionalSize = 9;
// DFU 1.0 keyboards end the functional descriptor before bcdDFUVersion.
constexpr size_t kDfuFunctionalMinimumSize = 7;

// Device descriptor fields.
namespace DeviceField {
constexpr size_t kUsbVersion = 2;
constexpr size_t kClass = 4;
constexpr size_t kMaxPacketSize0 = 7;
constexpr size_t kVendor = 8;
constexpr size_t kProduct = 10;
constexpr size_t kRelease = 12;
constexpr size_t kManufacturerIndex = 14;
constexpr size_t kProductIndex = 15;
constexpr size_t kSerialIndex = 16;
constexpr size_t kConfigurationCount = 17;
}  // namespace DeviceField

// Configuration descriptor fields.
namespace ConfigurationField {
constexpr size_t kTotalLength = 2;
constexpr size_t kInterfaceCount = 4;
constexpr size_t kValue = 5;
constexpr size_t kAttributes = 7;
constexpr size_t kMaxPower = 8;
}  // namespace ConfigurationField

// Interface descriptor fields.
namespace InterfaceField {
constexpr size_t kNumber = 2;
constexpr size_t kClass = 5;
constexpr size_t kSubclass = 6;
constexpr size_t kProtocol = 7;
constexpr size_t kText = 8;
}  // namespace InterfaceField

// DFU functional descriptor fields and attribute bits.
namespace FunctionalField {
constexpr size_t kAttributes = 2;
constexpr size_t kDetachTimeout = 3;
constexpr size_t kTransferSize = 5;
}  // namespace FunctionalField
constexpr uint8_t kCanDownload = 0x01;
constexpr uint8_t kManifestationTolerant = 0x04;
constexpr uint8_t kWillDetach = 0x08;  // leaves the bus by itself after DETACH

constexpr uint8_t kDfuInterfaceClass = 0xFE;
constexpr uint8_t kDfuInterfaceSubclass = 0x01;
constexpr uint8_t kRuntimeProtocol = 1;  // application mode
constexpr uint8_t kDfuModeProtocol = 2;  // update mode

enum class Request : uint8_t {
  Detach = 0,
  Download = 1,
  Upload = 2,
  GetStatus = 3,
  ClearStatus = 4,
  GetState = 5,
  Abort = 6,
};

constexpr size_t kStatusSize = 6;  // the get-status reply

// A download block as the driver request carries it: block index, data length, then the data.
constexpr size_t kBlockHeaderSize = 4;
constexpr size_t kBlockIndexOffset = 0;
constexpr size_t kBlockLengthOffset = 2;

constexpr uint16_t DescriptorValue(uint8_t type, uint8_t index) {
  return static_cast<uint16_t>(type << 8 | index);
}

}  // namespace CVFirmwareLoader::UsbDfu
