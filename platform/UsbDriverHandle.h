#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/DriverTransport.h"
#include "platform/UsbDevice.h"

namespace CVFirmwareLoader {

// USB 2.0 and DFU 1.1 wire values, shared by the driver mapping below and by anything that plays
// the keyboard's part of the exchange.
namespace UsbDfu {

constexpr uint8_t kRequestTypeStandardIn = 0x80;  // standard, device, device to host
constexpr uint8_t kRequestTypeClassOut = 0x21;    // class, interface, host to device
constexpr uint8_t kRequestTypeClassIn = 0xA1;     // class, interface, device to host
constexpr uint8_t kGetDescriptor = 6;
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

constexpr uint16_t DescriptorValue(uint8_t type, uint8_t index) {
  return static_cast<uint16_t>(type << 8 | index);
}

}  // namespace UsbDfu

// The keyboard's DFU interface, as its configuration descriptor gives it.
struct DfuInterface {
  uint8_t number = 0;
  uint8_t textIndex = 0;  // iInterface: the keyboard's info text
  std::array<uint8_t, UsbDfu::kDfuFunctionalSize> functional{};
  size_t functionalLength = 0;

  bool operator==(const DfuInterface&) const = default;
};

// Carries the nine driver requests to a keyboard's DFU interface as USB control transfers, so the
// engine keeps the driver's request layouts on a system that has no such driver. The transport
// hands each handle the DFU interface it found in the host's copy of the configuration
// descriptor, so that a request puts exactly its own transfer on the bus: a keyboard busy writing
// its flash may not answer anything else. Any failed transfer, missing DFU interface or wrongly
// sized request or reply makes Control return false; reply bytes are written only by a transfer
// that succeeds.
class UsbDriverHandle final : public IDriverHandle {
 public:
  UsbDriverHandle(IUsbDevice& device, std::optional<DfuInterface> dfu);
  UsbDriverHandle(std::unique_ptr<IUsbDevice> device, std::optional<DfuInterface> dfu);

  bool Control(uint32_t code, std::span<const uint8_t> request, std::span<uint8_t> reply) override;

  // The first DFU interface of a whole configuration descriptor and the functional descriptor
  // among its own descriptors; nothing when there is none or the descriptor is malformed.
  static std::optional<DfuInterface> FindDfuInterface(std::span<const uint8_t> configuration);

 private:
  // DETACH with the time-out from request bytes 2 and 3.
  bool Detach(std::span<const uint8_t> request);
  // DNLOAD of the data that follows the 4-byte block header.
  bool Download(std::span<const uint8_t> request);
  // GETSTATUS: the 6 status bytes as the keyboard sends them.
  bool GetStatus(std::span<uint8_t> reply);
  // CLRSTATUS and ABORT: no data stage.
  bool DfuCommand(UsbDfu::Request request);
  bool GetDeviceDescriptor(std::span<uint8_t> reply);
  bool GetDfuDescriptor(std::span<uint8_t> reply);
  bool GetInfoText(std::span<uint8_t> reply);

  bool DfuTransfer(uint8_t requestType, UsbDfu::Request request, uint16_t value,
                   std::span<uint8_t> data);
  int GetDescriptor(uint16_t value, uint16_t index, std::span<uint8_t> data);

  std::unique_ptr<IUsbDevice> owned_;
  IUsbDevice& device_;
  const std::optional<DfuInterface> dfu_;
};

}  // namespace CVFirmwareLoader
