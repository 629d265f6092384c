#include "platform/linux/LibusbTransport.h"

#include <libusb.h>

#include <bitset>
#include <limits>
#include <new>
#include <string_view>
#include <thread>
#include <vector>

namespace CVFirmwareLoader {

namespace {

constexpr std::wstring_view kUsbfsRoot = L"/dev/bus/usb/";
constexpr size_t kNumberDigits = 3;
constexpr unsigned kLastBus = 255;
constexpr unsigned kLastDeviceAddress = 127;
constexpr size_t kMostInterfaces = 32;  // what usbfs lets one file claim

struct DeviceListFree {
  void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
using DeviceList = std::unique_ptr<libusb_device*, DeviceListFree>;

struct ConfigFree {
  void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};

struct HandleClose {
  void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using DeviceHandle = std::unique_ptr<libusb_device_handle, HandleClose>;

// Three decimal digits from 001 to last; nothing for anything else.
std::optional<uint8_t> ParseNumber(std::wstring_view digits, unsigned last) {
  if (digits.size() != kNumberDigits) return std::nullopt;
  unsigned value = 0;
  for (const wchar_t digit : digits) {
    if (digit < L'0' || digit > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(digit - L'0');
  }
  if (value == 0 || value > last) return std::nullopt;
  return static_cast<uint8_t>(value);
}

// One opened keyboard. Class requests go to an interface, which usbfs wants claimed by the file
// that talks to it; the interface is claimed on its first request and released on destruction.
class LibusbUsbDevice final : public IUsbDevice {
 public:
  LibusbUsbDevice(DeviceHandle handle, unsigned timeoutMs)
      : handle_(std::move(handle)), timeoutMs_(timeoutMs) {}

  ~LibusbUsbDevice() override {
    for (size_t number = 0; number < claimed_.size(); ++number) {
      if (claimed_[number]) libusb_release_interface(handle_.get(), static_cast<int>(number));
    }
  }

  LibusbUsbDevice(const LibusbUsbDevice&) = delete;
  LibusbUsbDevice& operator=(const LibusbUsbDevice&) = delete;

  int ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                      std::span<uint8_t> data) override {
    if (data.size() > std::numeric_limits<uint16_t>::max()) return -1;
    if ((requestType & UsbDfu::kRecipientMask) == UsbDfu::kRecipientInterface &&
        !Claim(static_cast<uint8_t>(index & 0xFF))) {
      return -1;
    }
    const int result =
        libusb_control_transfer(handle_.get(), requestType, request, value, index, data.data(),
                                static_cast<uint16_t>(data.size()), timeoutMs_);
    return result < 0 ? -1 : result;
  }

  // A keyboard that re-enumerates during the reset is gone from this handle: libusb reports that
  // as NOT_FOUND, and for us it is the reset having worked.
  bool ResetPort() override {
    const int result = libusb_reset_device(handle_.get());
    if (result == LIBUSB_ERROR_NOT_FOUND) {
      claimed_.reset();
      return true;
    }
    return result == LIBUSB_SUCCESS;
  }

 private:
  bool Claim(uint8_t number) {
    if (number >= claimed_.size()) return false;
    if (claimed_[number]) return true;
    if (libusb_claim_interface(handle_.get(), number) != LIBUSB_SUCCESS) return false;
    claimed_[number] = true;
    return true;
  }

  DeviceHandle handle_;
  const unsigned timeoutMs_;
  std::bitset<kMostInterfaces> claimed_;
};

void Append(std::vector<uint8_t>& bytes, const unsigned char* extra, int length) {
  if (length > 0) bytes.insert(bytes.end(), extra, extra + length);
}

// libusb hands out the configuration descriptor it read when the device appeared only as parsed
// fields; laid out again, it goes through the same parser as any other. Endpoints say nothing of
// the DFU interface and are left out.
std::vector<uint8_t> ConfigurationBytes(const libusb_config_descriptor& config) {
  std::vector<uint8_t> bytes = {LIBUSB_DT_CONFIG_SIZE,
                                LIBUSB_DT_CONFIG,
                                0,
                                0,
                                config.bNumInterfaces,
                                config.bConfigurationValue,
                                config.iConfiguration,
                                config.bmAttributes,
                                config.MaxPower};
  Append(bytes, config.extra, config.extra_length);
  for (const libusb_interface& interface : std::span(config.interface, config.bNumInterfaces)) {
    for (const libusb_interface_descriptor& setting :
         std::span(interface.altsetting, static_cast<size_t>(interface.num_altsetting))) {
      bytes.insert(bytes.end(),
                   {LIBUSB_DT_INTERFACE_SIZE, LIBUSB_DT_INTERFACE, setting.bInterfaceNumber,
                    setting.bAlternateSetting, 0, setting.bInterfaceClass,
                    setting.bInterfaceSubClass, setting.bInterfaceProtocol, setting.iInterface});
      Append(bytes, setting.extra, setting.extra_length);
    }
  }
  // A total beyond 16 bits no longer matches the size, which the parser refuses.
  bytes[2] = static_cast<uint8_t>(bytes.size() & 0xFF);
  bytes[3] = static_cast<uint8_t>(bytes.size() >> 8 & 0xFF);
  return bytes;
}

std::optional<DfuInterface> ReadDfuInterface(libusb_device* device) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) return std::nullopt;
  const std::unique_ptr<libusb_config_descriptor, ConfigFree> owned(config);
  return UsbDriverHandle::FindDfuInterface(ConfigurationBytes(*config));
}

}  // namespace

void LibusbTransport::ContextExit::operator()(libusb_context* context) const {
  libusb_exit(context);
}

std::unique_ptr<LibusbTransport> LibusbTransport::Create(const Timing& timing) {
  libusb_context* context = nullptr;
  if (libusb_init(&context) != LIBUSB_SUCCESS) return nullptr;
  return std::unique_ptr<LibusbTransport>(new LibusbTransport(context, timing));
}

LibusbTransport::LibusbTransport(libusb_context* context, const Timing& timing)
    : context_(context), timing_(timing) {}

LibusbTransport::~LibusbTransport() = default;

void LibusbTransport::DeviceUnref::operator()(libusb_device* device) const {
  libusb_unref_device(device);
}

std::unique_ptr<IDriverHandle> LibusbTransport::Open(const std::wstring& path) {
  const std::optional<UsbAddress> address = ParsePath(path);
  if (!address) return nullptr;
  try {
    const auto deadline = std::chrono::steady_clock::now() + timing_.openWindow;
    DeviceRef device = FindDevice(*address);
    const bool mayWait = IsNewAppearance(path, device.get());
    while (true) {
      if (device) {
        if (auto handle = OpenDevice(path, std::move(device))) return handle;
      }
      if (!mayWait || std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(timing_.openRetry);
      device = FindDevice(*address);
    }
    NoteLooked(path);
  } catch (const std::bad_alloc&) {
  }
  return nullptr;
}

LibusbTransport::DeviceRef LibusbTransport::FindDevice(UsbAddress address) const {
  libusb_device** raw = nullptr;
  const ssize_t count = libusb_get_device_list(context_.get(), &raw);
  if (count < 0) return nullptr;
  const DeviceList list(raw);
  for (libusb_device* device : std::span(list.get(), static_cast<size_t>(count))) {
    if (libusb_get_bus_number(device) == address.bus &&
        libusb_get_device_address(device) == address.device) {
      return DeviceRef(libusb_ref_device(device));
    }
  }
  return nullptr;
}

bool LibusbTransport::IsNewAppearance(const std::wstring& path, const libusb_device* device) {
  std::lock_guard lock(appearancesMutex_);
  const auto known = appearances_.find(path);
  return known == appearances_.end() || (device != nullptr && known->second.device.get() != device);
}

std::unique_ptr<IDriverHandle> LibusbTransport::OpenDevice(const std::wstring& path,
                                                           DeviceRef device) {
  libusb_device_handle* raw = nullptr;
  DeviceHandle handle(libusb_open(device.get(), &raw) == LIBUSB_SUCCESS ? raw : nullptr);
  std::optional<DfuInterface> dfu;
  {
    std::lock_guard lock(appearancesMutex_);
    Appearance& appearance = appearances_[path];
    if (appearance.device != device) appearance = {std::move(device), std::nullopt};
    if (!handle) return nullptr;
    if (!appearance.dfu) appearance.dfu = ReadDfuInterface(appearance.device.get());
    dfu = appearance.dfu;
  }
  const auto timeout = static_cast<unsigned>(timing_.transferTimeout.count());
  return std::make_unique<UsbDriverHandle>(
      std::make_unique<LibusbUsbDevice>(std::move(handle), timeout), dfu);
}

// A node where nothing could be opened is known from now on, so that later requests to it fail at
// once; a keyboard that has gone leaves what was known of it for the same reason.
void LibusbTransport::NoteLooked(const std::wstring& path) {
  std::lock_guard lock(appearancesMutex_);
  appearances_.try_emplace(path);
}

std::optional<UsbAddress> LibusbTransport::ParsePath(const std::wstring& path) {
  const std::wstring_view text(path);
  constexpr size_t kLength = kUsbfsRoot.size() + 2 * kNumberDigits + 1;
  if (text.size() != kLength || !text.starts_with(kUsbfsRoot)) return std::nullopt;
  const std::wstring_view numbers = text.substr(kUsbfsRoot.size());
  if (numbers[kNumberDigits] != L'/') return std::nullopt;
  const auto bus = ParseNumber(numbers.substr(0, kNumberDigits), kLastBus);
  const auto device = ParseNumber(numbers.substr(kNumberDigits + 1), kLastDeviceAddress);
  if (!bus || !device) return std::nullopt;
  return UsbAddress{*bus, *device};
}

}  // namespace CVFirmwareLoader
