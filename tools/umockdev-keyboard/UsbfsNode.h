#pragma once

#include <umockdev.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/UsbDevice.h"
#include "tools/umockdev-keyboard/GlibHandles.h"
#include "tools/umockdev-keyboard/UsbEnumeration.h"

namespace EvarixSim {

// The kernel's usbfs driver for one appearance of a keyboard: answers the ioctls programs issue
// on the device node, passing control transfers and port resets on to the keyboard's connection.
// Control transfers are carried out while their URB is submitted, so no URB is ever in flight:
// each is complete and waits to be reaped by the file that submitted it.
//
// Every method runs on the harness's job thread, except that the closed listener is called on
// umockdev's own thread.
class UsbfsNode {
 public:
  // Told when a client has closed its file. Each client's signal holds a copy of its own, so a
  // listener may be called while its node is being destroyed: it must only reach what outlives
  // umockdev's thread.
  using ClosedListener = std::function<void(UMockdevIoctlClient*)>;

  UsbfsNode(const Usb::EnumeratedDevice& device,
            std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection, ClosedListener closed);
  ~UsbfsNode();
  UsbfsNode(const UsbfsNode&) = delete;
  UsbfsNode& operator=(const UsbfsNode&) = delete;

  // Answers the ioctl the client is waiting for and completes it.
  void Handle(UMockdevIoctlClient* client);

  // The client closed its file: like the kernel, let go of its interfaces and of what it did not
  // reap.
  void Forget(UMockdevIoctlClient* client);

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
    Glib::Object<UMockdevIoctlData> urb{};
    Glib::Object<UMockdevIoctlData> buffer{};
    int status = 0;
    int actualLength = 0;
    std::vector<uint8_t> received{};  // what the keyboard sent back, for device-to-host transfers
  };

  struct Client {
    Glib::Object<UMockdevIoctlClient> ref;
    gulong closedHandler = 0;
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
  Outcome Claim(unsigned number, const Client& client);
  bool HasInterface(unsigned number) const;
  bool HasSetting(unsigned number, unsigned alternate) const;
  // Sends a standard request without data and judges it as the kernel would.
  Outcome StandardRequest(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index);
  void Trace(unsigned long request) const;

  // What a client's signal holds. GLib hands it to umockdev's thread; the flag makes that hand-over
  // visible to thread checkers, which do not see GLib's own.
  struct Watch {
    explicit Watch(const ClosedListener& closed) : listener(closed) {}
    ClosedListener listener;
    std::atomic<bool> published{false};
  };

  static void OnNotifyConnected(GObject* object, GParamSpec* property, gpointer watch);
  static void FreeWatch(gpointer watch, GClosure* closure);

  const Usb::Location location_;
  const uint8_t configurationValue_;
  const std::vector<Usb::InterfaceSetting> settings_;
  std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection_;
  const ClosedListener closed_;
  bool connected_ = true;
  std::map<UMockdevIoctlClient*, Client> clients_;
  std::array<const Client*, kMostInterfaces> claimedBy_{};
};

}  // namespace EvarixSim
