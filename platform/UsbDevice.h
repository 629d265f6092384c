#pragma once

#include <cstdint>
#include <span>

namespace CVFirmwareLoader {

// One opened USB device, as the driver transport sees it: control transfers on endpoint 0 and a
// port reset. A real device (libusb) and the simulated keyboard both stand behind it.
class IUsbDevice {
 public:
  virtual ~IUsbDevice() = default;

  // One control transfer. The direction comes from bit 7 of requestType; data is the data stage
  // (its size is wLength). Returns the number of bytes transferred, or -1 when the transfer
  // failed (stalled, timed out, device gone). Never throws.
  virtual int ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value,
                              uint16_t index, std::span<uint8_t> data) = 0;

  // Resets the device's port. A device that re-enumerates because of the reset counts as reset.
  virtual bool ResetPort() = 0;
};

}  // namespace CVFirmwareLoader
