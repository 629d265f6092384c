#pragma once

#include <umockdev.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/UsbDevice.h"
#include "platform/linux/GlibHandles.h"
#include "tools/umockdev-keyboard/UsbEnumeration.h"

namespace EvarixSim {

// The kernel's usbfs driver for one appearance of a keyboard: answers the ioctls programs issue
// on the device node, passing control transfers and port resets on to the keyboard's connection.
// Control transfers are carried out while their URB is submitted, so no URB is ever in flight:
// each is complete and waits to be reaped by the file that submitted it.
//
// Every method runs on the harness's job thread.
class UsbfsNode {
 public:
  UsbfsNode(const Usb::EnumeratedDevice& device,
            std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection);
  UsbfsNode(const UsbfsNode&) = delete;
  UsbfsNode& operator=(const UsbfsNode&) = delete;

  // Answers the ioctl the client is waiting for and completes it.
  void Handle(UMockdevIoctlClient* client);

  // Lets go of the files closed since it last looked. It looks at every ioctl; a node whose
  // keyboard has left gets none, and would keep its last files otherwise.
  void ForgetClosed();

  // The files this node keeps state for: those open, and those closed since it last looked, which
  // it does at every ioctl.
  size_t Clients() const { return clients_.size(); }

  // The keyboard has left this appearance. What is complete stays reapable; everything else now
  // fails with ENODEV.
  void Disconnect();

 private:
  static constexpr size_t kMostInterfaces = 32;

  struct Outcome {
    long result = 0;
    int error = 0;
  };

  struct CompletedUrb {
    EvarixGlib::Object<UMockdevIoctlData> urb{};
    EvarixGlib::Object<UMockdevIoctlData> buffer{};
    int status = 0;
    int actualLength = 0;
    std::vector<uint8_t> received{};  // what the keyboard sent back, for device-to-host transfers
  };

  struct Client {
    EvarixGlib::Object<UMockdevIoctlClient> ref;
    std::deque<CompletedUrb> completed;
  };

  static Outcome Success(long result = 0);
  static Outcome Failure(int error);

  Outcome Dispatch(unsigned long request, UMockdevIoctlData* arg, Client& client);
  Outcome Capabilities(UMockdevIoctlData* arg);
  Outcome ClaimInterface(UMockdevIoctlData* arg, Client& client);
  Outcome ReleaseInterface(UMockdevIoctlData* arg, Client& client);
  Outcome DisconnectClaim(UMockdevIoctlData* arg, Client& client);
  Outcome GetDriver(UMockdevIoctlData* arg);
  Outcome DriverIoctl(UMockdevIoctlData* arg, Client& client);
  Outcome SetInterface(UMockdevIoctlData* arg, Client& client);
  Outcome SetConfiguration(UMockdevIoctlData* arg);
  Outcome SubmitUrb(UMockdevIoctlData* arg, Client& client);
  Outcome ReapUrb(UMockdevIoctlData* arg, Client& client);
  Outcome ConnectInfo(UMockdevIoctlData* arg);
  Outcome ClearHalt(UMockdevIoctlData* arg);
  Outcome Reset();

  Client& Adopt(UMockdevIoctlClient* client);
  // Like the kernel on the last close of a file, lets go of its interfaces and of what it did not
  // reap.
  void Forget(UMockdevIoctlClient* client);
  Outcome Claim(unsigned number, const Client& client);
  bool HasInterface(unsigned number) const;
  bool HasSetting(unsigned number, unsigned alternate) const;
  // Sends a standard request without data and judges it as the kernel would.
  Outcome StandardRequest(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index);
  void Trace(unsigned long request) const;

  const Usb::Location location_;
  const uint8_t configurationValue_;
  const std::vector<Usb::InterfaceSetting> settings_;
  std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection_;
  bool connected_ = true;
  std::map<UMockdevIoctlClient*, Client> clients_;
  std::array<const Client*, kMostInterfaces> claimedBy_{};
};

}  // namespace EvarixSim
