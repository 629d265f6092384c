#include "tools/umockdev-keyboard/UmockdevBus.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "tools/umockdev-keyboard/Preload.h"
#include "tools/umockdev-keyboard/TsanSuppressions.h"
#include "tools/umockdev-keyboard/UsbfsNode.h"

namespace EvarixSim {

namespace {

constexpr uint8_t kBus = 1;  // the SimBus has one
constexpr uint8_t kPorts = 15;
constexpr auto kJobTimeout = std::chrono::seconds(5);
// A Unix socket's path, terminator included, must fit 108 bytes; umockdev puts one per node
// below the root.
constexpr size_t kLongestSocketPath = 107;
constexpr std::string_view kLongestNodeSocket = "/ioctl/dev/bus/usb/001/001";

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

// The SimBus names appearances by their usbfs node, "/dev/bus/usb/BBB/DDD".
std::optional<Usb::Location> LocationOf(const std::wstring& path) {
  unsigned bus = 0;
  unsigned address = 0;
  char end = 0;
  const std::string narrow = Narrow(path);
  if (std::sscanf(narrow.c_str(), "/dev/bus/usb/%3u/%3u%c", &bus, &address, &end) != 2) {
    return std::nullopt;
  }
  if (bus != kBus || address == 0 || address > 127) return std::nullopt;
  return Usb::Location{.bus = static_cast<uint8_t>(bus), .address = static_cast<uint8_t>(address)};
}

void Warn(const char* what, const std::string& subject, const EvarixGlib::Error& error) {
  std::fprintf(stderr, "umockdev keyboard: %s %s: %s\n", what, subject.c_str(),
               error ? error->message : "failed");
}

}  // namespace

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return EvarixSim::kUnbuiltForTsan;
}
#endif

// Checked by umockdev's thread and by bus listeners before they hand work to the job thread.
struct UmockdevBus::Gate {
  std::mutex mutex;
  UmockdevBus* bus = nullptr;  // null once the UmockdevBus is going
};

UmockdevBus::UmockdevBus(SimBus& bus) : bus_(bus), gate_(std::make_shared<Gate>()) {
  if (!Preload::IsActive()) {
    throw std::runtime_error("the umockdev keyboard needs " + std::string(Preload::kLibrary) +
                             " in LD_PRELOAD: " + Preload::WhyInactive());
  }
  testbed_.reset(umockdev_testbed_new());
  rootDir_ = EvarixGlib::Copy(EvarixGlib::Text(umockdev_testbed_get_root_dir(testbed_.get())));
  if (rootDir_.size() + kLongestNodeSocket.size() > kLongestSocketPath) {
    throw std::runtime_error("the umockdev testbed " + rootDir_ +
                             " is too deep for its sockets; set TMPDIR=/tmp");
  }
  EvarixGlib::Error error;
  if (!umockdev_testbed_add_from_string(testbed_.get(), Usb::RootHubRecord(kBus).c_str(),
                                        EvarixGlib::ErrorOut(error))) {
    throw std::runtime_error("cannot add the root hub to the umockdev testbed");
  }
  gate_->bus = this;
  listener_ = bus_.AddListener([gate = gate_](const BusChange& change) {
    std::shared_ptr<JobThread::Completion> completion;
    {
      std::lock_guard lock(gate->mutex);
      if (gate->bus == nullptr) return;
      completion = gate->bus->jobs_.Start([bus = gate->bus, change] { bus->OnBusChange(change); });
    }
    // The keyboard moves on as soon as this returns, so the testbed must have followed by then.
    if (!JobThread::Wait(completion, kJobTimeout)) {
      std::fprintf(stderr, "umockdev keyboard: the testbed did not follow a bus change\n");
    }
  });
  jobs_.Run(
      [this] {
        for (const PresentDevice& device : bus_.Present()) Show(device);
      },
      kJobTimeout);
}

UmockdevBus::~UmockdevBus() {
  bus_.RemoveListener(listener_);
  {
    std::lock_guard lock(gate_->mutex);
    gate_->bus = nullptr;
  }
  jobs_.Run(
      [this] {
        for (const auto& [path, shown] : shown_) Detach(shown.devnode);
      },
      kJobTimeout);
  jobs_.Stop();
  // The nodes let go of the files they know before the testbed, and with it umockdev's thread,
  // goes; the handlers themselves stay until no file can reach them any more.
  for (const auto& node : nodes_) node->usbfs.reset();
  testbed_.reset();
}

void UmockdevBus::OnBusChange(const BusChange& change) {
  if (change.kind == BusChange::Kind::Added) {
    Show(change.device);
  } else {
    Hide(change.device);
  }
}

// Like the kernel, reads the keyboard's descriptors first; a keyboard that does not give them
// gets no device.
void UmockdevBus::Show(const PresentDevice& device) {
  if (shown_.contains(device.path)) return;
  for (const auto& node : nodes_) node->usbfs->ForgetClosed();
  std::optional<Usb::Location> location = LocationOf(device.path);
  const std::optional<uint8_t> port = FreePort();
  if (!location || !port) return;
  location->port = *port;
  std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection = bus_.Open(device.path);
  if (connection == nullptr) return;  // gone again already
  const std::optional<Usb::EnumeratedDevice> enumerated = Usb::Enumerate(*connection, *location);
  if (!enumerated) {
    std::fprintf(stderr, "umockdev keyboard: %s: device descriptor read error\n",
                 Narrow(device.path).c_str());
    return;
  }
  Node& node = MakeNode(*enumerated, std::move(connection));
  const std::string devnode = Usb::DeviceNode(*location);
  const std::string sysfsPath = "/sys" + Usb::SysfsPath(*location);
  EvarixGlib::Error error;
  // The handler comes before the device, so that the first program to open the node after the
  // "add" already reaches it.
  if (!umockdev_testbed_attach_ioctl(testbed_.get(), devnode.c_str(), node.handler.get(),
                                     EvarixGlib::ErrorOut(error))) {
    Warn("cannot emulate", devnode, error);
    return;
  }
  if (!umockdev_testbed_add_from_string(testbed_.get(), Usb::DeviceRecord(*enumerated).c_str(),
                                        EvarixGlib::ErrorOut(error))) {
    Warn("cannot add", sysfsPath, error);
    Detach(devnode);
    return;
  }
  // Adding a record announces the device with "add" once it is complete, node and descriptors
  // included.
  shown_[device.path] = {sysfsPath, devnode, *port, &node};
}

void UmockdevBus::Hide(const PresentDevice& device) {
  const auto found = shown_.find(device.path);
  if (found == shown_.end()) return;
  const Shown& shown = found->second;
  shown.node->usbfs->Disconnect();
  // Removing a device from the testbed announces nothing, and the announcement needs the device
  // still in sysfs: "remove" goes out first.
  umockdev_testbed_uevent(testbed_.get(), shown.sysfsPath.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_.get(), shown.sysfsPath.c_str());
  Detach(shown.devnode);
  shown_.erase(found);
}

UmockdevBus::Node& UmockdevBus::MakeNode(const Usb::EnumeratedDevice& device,
                                         std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection) {
  auto node = std::make_unique<Node>();
  Node* raw = node.get();
  node->usbfs = std::make_unique<UsbfsNode>(device, std::move(connection));
  node->handler.reset(umockdev_ioctl_base_new());
  g_signal_connect(node->handler.get(), "handle-ioctl", G_CALLBACK(&UmockdevBus::OnIoctl), raw);
  node->owner.store(this, std::memory_order_release);
  nodes_.push_back(std::move(node));
  return *raw;
}

// A later appearance gets the same node once device numbers come round again, and a socket
// left behind would stand in the way of its handler.
void UmockdevBus::Detach(const std::string& devnode) {
  EvarixGlib::Error error;
  umockdev_testbed_detach_ioctl(testbed_.get(), devnode.c_str(), EvarixGlib::ErrorOut(error));
  const std::string socket = rootDir_ + "/ioctl" + devnode;
  if (unlink(socket.c_str()) != 0 && errno != ENOENT) {
    std::fprintf(stderr, "umockdev keyboard: cannot remove %s\n", socket.c_str());
  }
}

std::optional<uint8_t> UmockdevBus::FreePort() const {
  for (uint8_t port = 1; port <= kPorts; ++port) {
    const bool used = std::ranges::any_of(
        shown_, [port](const auto& entry) { return entry.second.port == port; });
    if (!used) return port;
  }
  return std::nullopt;
}

gboolean UmockdevBus::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node) {
  Node& target = *static_cast<Node*>(node);
  target.owner.load(std::memory_order_acquire)->Dispatch(target, client);
  return TRUE;
}

void UmockdevBus::Dispatch(Node& node, UMockdevIoctlClient* client) {
  std::shared_ptr<UMockdevIoctlClient> ref(static_cast<UMockdevIoctlClient*>(g_object_ref(client)),
                                           g_object_unref);
  std::lock_guard lock(gate_->mutex);
  const bool queued = gate_->bus != nullptr && jobs_.Post([&node, ref] {
    if (node.usbfs) node.usbfs->Handle(ref.get());
  });
  if (!queued) umockdev_ioctl_client_complete(client, -1, ENODEV);
}

size_t UmockdevBus::FilesKept() {
  size_t files = 0;
  jobs_.Run(
      [&] {
        for (const auto& node : nodes_) files += node->usbfs ? node->usbfs->Clients() : 0;
      },
      kJobTimeout);
  return files;
}

}  // namespace EvarixSim
