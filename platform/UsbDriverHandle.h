#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/DriverTransport.h"
#include "platform/UsbDevice.h"
#include "platform/UsbDfuWire.h"

namespace CVFirmwareLoader {

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
