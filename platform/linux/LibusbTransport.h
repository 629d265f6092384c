#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/DriverTransport.h"
#include "platform/UsbDriverHandle.h"

struct libusb_context;
struct libusb_device;

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
// Each appearance of a keyboard at a node is looked at once: its DFU interface is read from
// libusb's copy of the active configuration descriptor (on Linux the kernel's, so nothing goes on
// the bus) and kept for every later handle on it.
//
// A keyboard that has just appeared may be announced before libusb knows its node, and the node
// may exist before udev has given us access to it, so the first Open of an appearance keeps trying
// for a short window before it gives up. Every later Open of it, and of a node whose keyboard has
// gone, answers at once: a request to a keyboard that is not there fails without delay.
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

  // Null for anything but a usbfs node path, or when no keyboard can be opened at that node. The
  // handle claims the DFU interface before its first class request and releases it
  // and closes the device when it is destroyed.
  std::unique_ptr<IDriverHandle> Open(const std::wstring& path) override;

  // "/dev/bus/usb/" and two groups of exactly three decimal digits: a bus from 1 to 255 and a
  // device address from 1 to 127. Nothing for any other text.
  static std::optional<UsbAddress> ParsePath(const std::wstring& path);

 private:
  struct ContextExit {
    void operator()(libusb_context* context) const;
  };

  struct DeviceUnref {
    void operator()(libusb_device* device) const;
  };
  using DeviceRef = std::unique_ptr<libusb_device, DeviceUnref>;

  // What is known of the latest appearance at a node. Holding libusb's device keeps its address
  // from being given to another appearance, which is how a new one is told from the known one.
  struct Appearance {
    DeviceRef device;  // null when no keyboard was found there
    std::optional<DfuInterface> dfu;
  };

  LibusbTransport(libusb_context* context, const Timing& timing);

  DeviceRef FindDevice(UsbAddress address) const;
  // Whether Open may wait for this node: nothing is known of it yet, or another keyboard is there.
  bool IsNewAppearance(const std::wstring& path, const libusb_device* device);
  // Opens the keyboard and learns its DFU interface once per appearance; null when it will not
  // open. Either way the appearance is known from then on.
  std::unique_ptr<IDriverHandle> OpenDevice(const std::wstring& path, DeviceRef device);
  void NoteLooked(const std::wstring& path);

  std::unique_ptr<libusb_context, ContextExit> context_;
  const Timing timing_;
  std::mutex appearancesMutex_;
  std::map<std::wstring, Appearance> appearances_;
};

}  // namespace CVFirmwareLoader
