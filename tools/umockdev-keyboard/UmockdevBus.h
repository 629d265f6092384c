#pragma once

#include <umockdev.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/GlibHandles.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/umockdev-keyboard/JobThread.h"
#include "tools/umockdev-keyboard/UsbEnumeration.h"

namespace EvarixSim {

class UsbfsNode;

// Puts the keyboards of a SimBus below libusb and libudev. A umockdev testbed shows every
// appearance of a keyboard as a USB device in sysfs, below the bus's root hub, with a device node
// whose usbfs ioctls reach that appearance; every change on the bus is announced with uevents, a
// "remove" for an appearance that left and then an "add" for the one that came.
//
// Programs see the testbed only when they run with libumockdev-preload.so.0 (see Preload.h) and
// find UMOCKDEV_DIR in their environment, which the testbed sets in this process's environment.
// So: make the UmockdevBus before any libusb context or udev object of this process, start other
// programs after it exists, and destroy it after the last of those objects. It must not outlive
// its SimBus.
//
// Everything it does to the testbed and to the keyboards runs on a thread of its own; umockdev's
// thread only hands the ioctls over.
class UmockdevBus {
 public:
  // Throws std::runtime_error when this process runs without the preload library or the testbed
  // cannot be made.
  explicit UmockdevBus(SimBus& bus);
  ~UmockdevBus();
  UmockdevBus(const UmockdevBus&) = delete;
  UmockdevBus& operator=(const UmockdevBus&) = delete;

  // The testbed's root, what UMOCKDEV_DIR names.
  const std::string& RootDir() const { return rootDir_; }

  // The files of programs that the device nodes keep state for. A node notices that a file was
  // closed at its next ioctl, so this is those open, and those closed since.
  size_t FilesKept();

 private:
  // One device node and its ioctl handler. Kept, once made, until the UmockdevBus goes: programs
  // may hold the node's file open long after the keyboard left it.
  struct Node {
    // Read on umockdev's thread, which GLib hands the node to; published once the node is whole.
    std::atomic<UmockdevBus*> owner{nullptr};
    std::unique_ptr<UsbfsNode> usbfs{};
    EvarixGlib::Object<UMockdevIoctlBase> handler{};
  };

  struct Shown {
    std::string sysfsPath;  // with the "/sys" prefix
    std::string devnode;
    uint8_t port;
    Node* node;
  };

  // On the job thread.
  void Show(const PresentDevice& device);
  void Hide(const PresentDevice& device);
  void OnBusChange(const BusChange& change);
  Node& MakeNode(const Usb::EnumeratedDevice& device,
                 std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection);
  void Detach(const std::string& devnode);
  std::optional<uint8_t> FreePort() const;

  // On umockdev's thread: hands an ioctl over to the job thread.
  static gboolean OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer node);
  void Dispatch(Node& node, UMockdevIoctlClient* client);

  struct Gate;

  SimBus& bus_;
  // Closed before the job thread stops: from then on ioctls fail at once instead of waiting for
  // a thread that will never answer, and bus changes are no longer followed.
  std::shared_ptr<Gate> gate_;
  EvarixGlib::Object<UMockdevTestbed> testbed_;
  std::string rootDir_;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::map<std::wstring, Shown> shown_;
  int listener_ = 0;
  JobThread jobs_;
};

}  // namespace EvarixSim
