#include "tools/umockdev-keyboard/UsbfsNode.h"

#include "platform/UsbDfuWire.h"

#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

namespace EvarixSim {

namespace {

namespace UsbDfu = CVFirmwareLoader::UsbDfu;

constexpr size_t kSetupSize = 8;
constexpr uint8_t kEndpointNumberMask = 0x7F;
constexpr const char kUsbfsDriver[] = "usbfs";

// What a file learns from GET_CAPABILITIES: URBs without size limits that stay reapable after the
// device has gone. Bulk and streams are not offered: the keyboard is only reached by control
// transfers here.
constexpr uint32_t kCapabilities =
    USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

struct Named {
  unsigned long request;
  const char* name;
};

constexpr Named kRequestNames[] = {
    {USBDEVFS_CONTROL, "CONTROL"},
    {USBDEVFS_BULK, "BULK"},
    {USBDEVFS_RESETEP, "RESETEP"},
    {USBDEVFS_SETINTERFACE, "SETINTERFACE"},
    {USBDEVFS_SETCONFIGURATION, "SETCONFIGURATION"},
    {USBDEVFS_GETDRIVER, "GETDRIVER"},
    {USBDEVFS_SUBMITURB, "SUBMITURB"},
    {USBDEVFS_DISCARDURB, "DISCARDURB"},
    {USBDEVFS_REAPURB, "REAPURB"},
    {USBDEVFS_REAPURBNDELAY, "REAPURBNDELAY"},
    {USBDEVFS_DISCSIGNAL, "DISCSIGNAL"},
    {USBDEVFS_CLAIMINTERFACE, "CLAIMINTERFACE"},
    {USBDEVFS_RELEASEINTERFACE, "RELEASEINTERFACE"},
    {USBDEVFS_CONNECTINFO, "CONNECTINFO"},
    {USBDEVFS_IOCTL, "IOCTL"},
    {USBDEVFS_RESET, "RESET"},
    {USBDEVFS_CLEAR_HALT, "CLEAR_HALT"},
    {USBDEVFS_GET_CAPABILITIES, "GET_CAPABILITIES"},
    {USBDEVFS_DISCONNECT_CLAIM, "DISCONNECT_CLAIM"},
    {USBDEVFS_DROP_PRIVILEGES, "DROP_PRIVILEGES"},
    {USBDEVFS_GET_SPEED, "GET_SPEED"},
};

std::string NameOf(unsigned long request) {
  for (const Named& named : kRequestNames) {
    if (named.request == request) return named.name;
  }
  char text[32];
  std::snprintf(text, sizeof text, "0x%08lx", request);
  return text;
}

bool Tracing() {
  static const bool tracing = std::getenv("EVARIX_USBFS_TRACE") != nullptr;
  return tracing;
}

// The memory an ioctl argument points to, copied over from the client.
EvarixGlib::Object<UMockdevIoctlData> Resolve(UMockdevIoctlData* parent, size_t offset,
                                              size_t size) {
  EvarixGlib::Error error;
  UMockdevIoctlData* data =
      umockdev_ioctl_data_resolve(parent, offset, size, EvarixGlib::ErrorOut(error));
  return EvarixGlib::Object<UMockdevIoctlData>(data);
}

template <typename T>
bool Load(const EvarixGlib::Object<UMockdevIoctlData>& data, T& value) {
  if (!data || static_cast<size_t>(data->data_len) < sizeof(T)) return false;
  std::memcpy(&value, data->data, sizeof(T));
  return true;
}

template <typename T>
void Store(const EvarixGlib::Object<UMockdevIoctlData>& data, const T& value) {
  std::memcpy(data->data, &value, sizeof(T));
}

// Most usbfs ioctls take a pointer to one unsigned number.
std::optional<unsigned> LoadNumber(UMockdevIoctlData* arg) {
  unsigned number = 0;
  if (!Load(Resolve(arg, 0, sizeof number), number)) return std::nullopt;
  return number;
}

uint16_t Le16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

}  // namespace

UsbfsNode::Outcome UsbfsNode::Success(long result) {
  return {result, 0};
}

UsbfsNode::Outcome UsbfsNode::Failure(int error) {
  return {-1, error};
}

UsbfsNode::UsbfsNode(const Usb::EnumeratedDevice& device,
                     std::unique_ptr<CVFirmwareLoader::IUsbDevice> connection)
    : location_(device.location),
      configurationValue_(Usb::ConfigurationValue(device.configurations.front())),
      settings_(Usb::InterfacesOf(device.configurations.front())),
      connection_(std::move(connection)) {}

void UsbfsNode::Handle(UMockdevIoctlClient* client) {
  // umockdev announces no closed file: its client's "connected" follows a stream that never
  // notifies. So closed files are looked for at every ioctl, before their claims could turn
  // another file away; otherwise each would be kept, with its client and socket, as long as the
  // node.
  ForgetClosed();
  Client& state = Adopt(client);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  Trace(request);
  const Outcome outcome = Dispatch(request, umockdev_ioctl_client_get_arg(client), state);
  umockdev_ioctl_client_complete(client, outcome.result, outcome.error);
}

void UsbfsNode::Forget(UMockdevIoctlClient* client) {
  const auto found = clients_.find(client);
  if (found == clients_.end()) return;
  for (const Client*& owner : claimedBy_) {
    if (owner == &found->second) owner = nullptr;
  }
  clients_.erase(found);
}

void UsbfsNode::ForgetClosed() {
  std::vector<UMockdevIoctlClient*> closed;
  for (const auto& [client, state] : clients_) {
    if (!umockdev_ioctl_client_get_connected(client)) closed.push_back(client);
  }
  for (UMockdevIoctlClient* client : closed) Forget(client);
}

void UsbfsNode::Disconnect() {
  connected_ = false;
}

UsbfsNode::Outcome UsbfsNode::Dispatch(unsigned long request, UMockdevIoctlData* arg,
                                       Client& client) {
  // Like the kernel, a file whose device has gone may still reap what was completed.
  if (!connected_ && request != USBDEVFS_REAPURB && request != USBDEVFS_REAPURBNDELAY) {
    return Failure(ENODEV);
  }
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES:
      return Capabilities(arg);
    case USBDEVFS_CLAIMINTERFACE:
      return ClaimInterface(arg, client);
    case USBDEVFS_RELEASEINTERFACE:
      return ReleaseInterface(arg, client);
    case USBDEVFS_DISCONNECT_CLAIM:
      return DisconnectClaim(arg, client);
    case USBDEVFS_GETDRIVER:
      return GetDriver(arg);
    case USBDEVFS_IOCTL:
      return DriverIoctl(arg, client);
    case USBDEVFS_SETINTERFACE:
      return SetInterface(arg, client);
    case USBDEVFS_SETCONFIGURATION:
      return SetConfiguration(arg);
    case USBDEVFS_SUBMITURB:
      return SubmitUrb(arg, client);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      return ReapUrb(arg, client);
    case USBDEVFS_DISCARDURB:
      // Nothing is ever in flight: whatever the file means is already complete.
      return Failure(EINVAL);
    case USBDEVFS_CONNECTINFO:
      return ConnectInfo(arg);
    case USBDEVFS_GET_SPEED:
      return Success(USB_SPEED_FULL);
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
      return ClearHalt(arg);
    case USBDEVFS_RESET:
      return Reset();
    default:
      std::fprintf(stderr, "umockdev keyboard: usbfs ioctl %s is not emulated\n",
                   NameOf(request).c_str());
      return Failure(ENOTTY);
  }
}

UsbfsNode::Outcome UsbfsNode::Capabilities(UMockdevIoctlData* arg) {
  const auto data = Resolve(arg, 0, sizeof(uint32_t));
  if (!data) return Failure(EFAULT);
  Store(data, kCapabilities);
  return Success();
}

UsbfsNode::Outcome UsbfsNode::ClaimInterface(UMockdevIoctlData* arg, Client& client) {
  const std::optional<unsigned> number = LoadNumber(arg);
  if (!number) return Failure(EFAULT);
  return Claim(*number, client);
}

UsbfsNode::Outcome UsbfsNode::ReleaseInterface(UMockdevIoctlData* arg, Client& client) {
  const std::optional<unsigned> number = LoadNumber(arg);
  if (!number) return Failure(EFAULT);
  if (*number >= kMostInterfaces || claimedBy_[*number] != &client) return Failure(EINVAL);
  claimedBy_[*number] = nullptr;
  return Success();
}

// No kernel driver binds the keyboard's interfaces here, so there is nothing to disconnect.
UsbfsNode::Outcome UsbfsNode::DisconnectClaim(UMockdevIoctlData* arg, Client& client) {
  usbdevfs_disconnect_claim request{};
  if (!Load(Resolve(arg, 0, sizeof request), request)) return Failure(EFAULT);
  return Claim(request.interface, client);
}

// An interface a file has claimed is bound to usbfs; the others to nothing.
UsbfsNode::Outcome UsbfsNode::GetDriver(UMockdevIoctlData* arg) {
  const auto data = Resolve(arg, 0, sizeof(usbdevfs_getdriver));
  usbdevfs_getdriver request{};
  if (!Load(data, request)) return Failure(EFAULT);
  if (!HasInterface(request.interface)) return Failure(EINVAL);
  if (request.interface >= kMostInterfaces || claimedBy_[request.interface] == nullptr) {
    return Failure(ENODATA);
  }
  std::strncpy(request.driver, kUsbfsDriver, sizeof request.driver - 1);
  Store(data, request);
  return Success();
}

UsbfsNode::Outcome UsbfsNode::DriverIoctl(UMockdevIoctlData* arg, Client& client) {
  usbdevfs_ioctl request{};
  if (!Load(Resolve(arg, 0, sizeof request), request)) return Failure(EFAULT);
  if (request.ifno < 0 || !HasInterface(static_cast<unsigned>(request.ifno))) {
    return Failure(EINVAL);
  }
  const auto number = static_cast<unsigned>(request.ifno);
  if (static_cast<unsigned long>(request.ioctl_code) == USBDEVFS_CONNECT) return Success();
  if (static_cast<unsigned long>(request.ioctl_code) != USBDEVFS_DISCONNECT) {
    return Failure(ENOTTY);
  }
  // Disconnecting the driver of an interface this file holds lets go of the claim.
  if (number >= kMostInterfaces || claimedBy_[number] == nullptr) return Failure(ENODATA);
  if (claimedBy_[number] == &client) claimedBy_[number] = nullptr;
  return Success();
}

UsbfsNode::Outcome UsbfsNode::SetInterface(UMockdevIoctlData* arg, Client& client) {
  usbdevfs_setinterface request{};
  if (!Load(Resolve(arg, 0, sizeof request), request)) return Failure(EFAULT);
  const Outcome claimed = Claim(request.interface, client);
  if (claimed.error != 0) return claimed;
  if (!HasSetting(request.interface, request.altsetting)) return Failure(EINVAL);
  const Outcome sent = StandardRequest(UsbDfu::kRequestTypeInterfaceOut, UsbDfu::kSetInterface,
                                       static_cast<uint16_t>(request.altsetting),
                                       static_cast<uint16_t>(request.interface));
  // The kernel forgives a stall from an interface that has no other setting to choose.
  if (sent.error == EPIPE && request.altsetting == 0) return Success();
  return sent;
}

UsbfsNode::Outcome UsbfsNode::SetConfiguration(UMockdevIoctlData* arg) {
  const std::optional<unsigned> value = LoadNumber(arg);
  if (!value) return Failure(EFAULT);
  if (*value != configurationValue_) return Failure(EINVAL);
  return StandardRequest(UsbDfu::kRequestTypeStandardOut, UsbDfu::kSetConfiguration,
                         static_cast<uint16_t>(*value), 0);
}

UsbfsNode::Outcome UsbfsNode::SubmitUrb(UMockdevIoctlData* arg, Client& client) {
  auto urbData = Resolve(arg, 0, sizeof(usbdevfs_urb));
  usbdevfs_urb urb{};
  if (!Load(urbData, urb)) return Failure(EFAULT);
  if (urb.type != USBDEVFS_URB_TYPE_CONTROL) return Failure(EINVAL);
  if ((urb.endpoint & kEndpointNumberMask) != 0) return Failure(ENOENT);
  if (urb.buffer_length < static_cast<int>(kSetupSize)) return Failure(EINVAL);
  auto buffer = Resolve(urbData.get(), offsetof(usbdevfs_urb, buffer),
                        static_cast<size_t>(urb.buffer_length));
  if (!buffer) return Failure(EFAULT);

  const std::span<const uint8_t> bytes(buffer->data, static_cast<size_t>(buffer->data_len));
  const uint8_t requestType = bytes[0];
  const uint16_t index = Le16(bytes, 4);
  const uint16_t length = Le16(bytes, 6);
  if (length > bytes.size() - kSetupSize) return Failure(EINVAL);
  // A request to an interface needs the interface; like the kernel, claim it for a file that
  // forgot to.
  if ((requestType & UsbDfu::kRecipientMask) == UsbDfu::kRecipientInterface) {
    const Outcome claimed = Claim(index & 0xFF, client);
    if (claimed.error != 0) return claimed;
  }

  const bool in = (requestType & UsbDfu::kDirectionIn) != 0;
  std::vector<uint8_t> data(length);
  if (!in) std::copy_n(bytes.begin() + kSetupSize, length, data.begin());
  const int result =
      connection_->ControlTransfer(requestType, bytes[1], Le16(bytes, 2), index, data);

  CompletedUrb completed{.urb = std::move(urbData), .buffer = std::move(buffer)};
  if (result >= 0) {
    completed.actualLength = result;
    if (in) data.resize(static_cast<size_t>(result));
    if (in) completed.received = std::move(data);
  } else {
    // A keyboard that left while it answered cut the transfer short; one still here stalled it.
    completed.status = connected_ ? -EPIPE : -ESHUTDOWN;
  }
  client.completed.push_back(std::move(completed));
  return Success();
}

UsbfsNode::Outcome UsbfsNode::ReapUrb(UMockdevIoctlData* arg, Client& client) {
  if (client.completed.empty()) return Failure(connected_ ? EAGAIN : ENODEV);
  const auto pointer = Resolve(arg, 0, sizeof(void*));
  if (!pointer) return Failure(EFAULT);
  CompletedUrb completed = std::move(client.completed.front());
  client.completed.pop_front();

  usbdevfs_urb urb{};
  Load(completed.urb, urb);
  urb.status = completed.status;
  urb.actual_length = completed.actualLength;
  // The buffer field holds umockdev's local copy: write the fields around it, not over it.
  std::memcpy(completed.urb->data + offsetof(usbdevfs_urb, status), &urb.status, sizeof urb.status);
  std::memcpy(completed.urb->data + offsetof(usbdevfs_urb, actual_length), &urb.actual_length,
              sizeof urb.actual_length);
  std::copy(completed.received.begin(), completed.received.end(),
            completed.buffer->data + kSetupSize);
  umockdev_ioctl_data_set_ptr(pointer.get(), 0, completed.urb.get());
  return Success();
}

UsbfsNode::Outcome UsbfsNode::ConnectInfo(UMockdevIoctlData* arg) {
  const auto data = Resolve(arg, 0, sizeof(usbdevfs_connectinfo));
  if (!data) return Failure(EFAULT);
  usbdevfs_connectinfo info{};
  info.devnum = location_.address;
  info.slow = 0;
  Store(data, info);
  return Success();
}

// Endpoint zero never halts for good; the keyboard has no other endpoint here.
UsbfsNode::Outcome UsbfsNode::ClearHalt(UMockdevIoctlData* arg) {
  const std::optional<unsigned> endpoint = LoadNumber(arg);
  if (!endpoint) return Failure(EFAULT);
  return (*endpoint & kEndpointNumberMask) == 0 ? Success() : Failure(ENOENT);
}

// A keyboard that re-enumerates during the reset leaves this node behind: the kernel answers
// ENODEV, as it does for a device that has gone.
UsbfsNode::Outcome UsbfsNode::Reset() {
  const bool reset = connection_->ResetPort();
  if (!connected_) return Failure(ENODEV);
  return reset ? Success() : Failure(EIO);
}

UsbfsNode::Client& UsbfsNode::Adopt(UMockdevIoctlClient* client) {
  const auto found = clients_.find(client);
  if (found != clients_.end()) return found->second;
  Client& state = clients_[client];
  state.ref = EvarixGlib::Ref(client);
  return state;
}

UsbfsNode::Outcome UsbfsNode::Claim(unsigned number, const Client& client) {
  if (number >= kMostInterfaces) return Failure(EINVAL);
  if (!HasInterface(number)) return Failure(ENOENT);
  if (claimedBy_[number] == &client) return Success();
  if (claimedBy_[number] != nullptr) return Failure(EBUSY);
  claimedBy_[number] = &client;
  return Success();
}

bool UsbfsNode::HasInterface(unsigned number) const {
  return std::ranges::any_of(
      settings_, [&](const Usb::InterfaceSetting& setting) { return setting.number == number; });
}

bool UsbfsNode::HasSetting(unsigned number, unsigned alternate) const {
  return std::ranges::any_of(settings_, [&](const Usb::InterfaceSetting& setting) {
    return setting.number == number && setting.alternate == alternate;
  });
}

UsbfsNode::Outcome UsbfsNode::StandardRequest(uint8_t requestType, uint8_t request, uint16_t value,
                                              uint16_t index) {
  const int result = connection_->ControlTransfer(requestType, request, value, index, {});
  if (result >= 0) return Success();
  return Failure(connected_ ? EPIPE : ENODEV);
}

void UsbfsNode::Trace(unsigned long request) const {
  if (!Tracing()) return;
  std::fprintf(stderr, "umockdev keyboard: %03u/%03u %s\n", unsigned{location_.bus},
               unsigned{location_.address}, NameOf(request).c_str());
}

}  // namespace EvarixSim
