#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/DriverTransport.h"

struct libusb_context;

namespace CVFirmwareLoader {

// Where a keyboard sits on the USB: what a usbfs device node path names.
struct UsbAddress {
  uint8_t bus = 0;
  uint8_t device = 0;

  bool operator==(const UsbAddress&) const = default;
};

// The driver transport on Linux: a path is the keyboard's usbfs device node,
// "/dev/bus/usb/BBB/DDD", and each handle carries the nine requests as USB control transfers
// through libusb (see UsbDriverHandle). One libusb context serves every handle and thread; no
// thread ever waits for libusb events on its own, so nothing is left polling a device in between
// requests.
//
// A keyboard that has just re-enumerated may be announced before libusb knows its new node, and
// the node may exist before udev has given us access to it, so Open keeps trying for a short
// window before it gives up.
class LibusbTransport final : public IDriverTransport {
 public:
  struct Timing {
    std::chrono::milliseconds openWindow{1000};  // how long Open keeps looking for the node
    std::chrono::milliseconds openRetry{20};     // the pause between two looks
    std::chrono::milliseconds transferTimeout{5000};
  };

  // Nothing when libusb cannot start.
  static std::unique_ptr<LibusbTransport> Create(const Timing& timing);
  static std::unique_ptr<LibusbTransport> Create() { return Create(Timing{}); }
  ~LibusbTransport() override;
  LibusbTransport(const LibusbTransport&) = delete;
  LibusbTransport& operator=(const LibusbTransport&) = delete;

  // Null for anything but a usbfs node path, or when no keyboard is at that node within the
  // window. The handle claims the DFU interface before its first class request and releases it
  // and closes the device when it is destroyed.
  std::unique_ptr<IDriverHandle> Open(const std::wstring& path) override;

  // "/dev/bus/usb/" and two groups of exactly three decimal digits: a bus from 1 to 255 and a
  // device address from 1 to 127. Nothing for any other text.
  static std::optional<UsbAddress> ParsePath(const std::wstring& path);

 private:
  struct ContextExit {
    void operator()(libusb_context* context) const;
  };

  LibusbTransport(libusb_context* context, const Timing& timing);

  std::unique_ptr<libusb_context, ContextExit> context_;
  const Timing timing_;
};

}  // namespace CVFirmwareLoader
