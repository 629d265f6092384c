#include "tools/umockdev-keyboard/UsbEnumeration.h"

#include "platform/UsbDfuWire.h"

#include <cstdarg>
#include <cstdio>

namespace EvarixSim::Usb {

namespace {

namespace UsbDfu = CVFirmwareLoader::UsbDfu;
using namespace UsbDfu::DeviceField;
using namespace UsbDfu::ConfigurationField;
using UsbDfu::kConfigurationHeaderSize;
using UsbDfu::kGetDescriptor;
using UsbDfu::kRequestTypeStandardIn;
constexpr uint8_t kDeviceType = UsbDfu::DescriptorType::kDevice;
constexpr uint8_t kConfigurationType = UsbDfu::DescriptorType::kConfiguration;
constexpr uint8_t kStringType = UsbDfu::DescriptorType::kString;
constexpr uint8_t kInterfaceType = UsbDfu::DescriptorType::kInterface;
constexpr size_t kDeviceSize = UsbDfu::kDeviceDescriptorSize;
constexpr size_t kStringReadSize = 255;  // what the kernel asks for
constexpr unsigned kUsbDeviceMajor = 189;
constexpr unsigned kDevicesPerBus = 128;

// The usual root hub of a USB 2.0 host controller: one port, a status endpoint.
// clang-format off
const std::vector<uint8_t> kRootHubDevice = {
    18, kDeviceType, 0x00, 0x02, 0x09, 0x00, 0x01, 64,
    0x6B, 0x1D, 0x02, 0x00, 0x06, 0x06, 3, 2, 1, 1};
const std::vector<uint8_t> kRootHubConfiguration = {
    9, kConfigurationType, 25, 0, 1, 1, 0, 0xE0, 0,
    9, kInterfaceType, 0, 0, 1, 0x09, 0, 0, 0,
    7, 5, 0x81, 0x03, 4, 0, 12};
// clang-format on

uint16_t Le16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
  char text[128];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

std::optional<std::vector<uint8_t>> Read(CVFirmwareLoader::IUsbDevice& device, uint8_t type,
                                         uint8_t index, uint16_t language, size_t size) {
  std::vector<uint8_t> bytes(size);
  const int result =
      device.ControlTransfer(kRequestTypeStandardIn, kGetDescriptor,
                             static_cast<uint16_t>(type << 8 | index), language, bytes);
  if (result < 2 || bytes[1] != type) return std::nullopt;
  bytes.resize(static_cast<size_t>(result));
  return bytes;
}

std::optional<std::vector<uint8_t>> ReadConfiguration(CVFirmwareLoader::IUsbDevice& device,
                                                      uint8_t index) {
  const auto header = Read(device, kConfigurationType, index, 0, kConfigurationHeaderSize);
  if (!header || header->size() != kConfigurationHeaderSize) return std::nullopt;
  const uint16_t total = Le16(*header, kTotalLength);
  if (total < kConfigurationHeaderSize) return std::nullopt;
  auto whole = Read(device, kConfigurationType, index, 0, total);
  if (!whole || whole->size() != total) return std::nullopt;
  return whole;
}

// The kernel shows strings in UTF-8.
void AppendUtf8(std::string& text, uint16_t unit) {
  if (unit < 0x80) {
    text += static_cast<char>(unit);
  } else if (unit < 0x800) {
    text += static_cast<char>(0xC0 | unit >> 6);
    text += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | unit >> 12);
    text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

std::string ReadString(CVFirmwareLoader::IUsbDevice& device, uint8_t index, uint16_t language) {
  if (index == 0) return {};
  const auto descriptor = Read(device, kStringType, index, language, kStringReadSize);
  if (!descriptor) return {};
  std::string text;
  for (size_t offset = 2; offset + 1 < descriptor->size(); offset += 2) {
    AppendUtf8(text, Le16(*descriptor, offset));
  }
  return text;
}

// The first language of string descriptor zero; none when the device has no strings.
std::optional<uint16_t> FirstLanguage(CVFirmwareLoader::IUsbDevice& device) {
  const auto languages = Read(device, kStringType, 0, 0, kStringReadSize);
  if (!languages || languages->size() < 4) return std::nullopt;
  return Le16(*languages, 2);
}

void ReadStrings(CVFirmwareLoader::IUsbDevice& device, EnumeratedDevice& enumerated) {
  const std::vector<uint8_t>& descriptor = enumerated.device;
  const std::optional<uint16_t> language = FirstLanguage(device);
  if (!language) return;
  enumerated.manufacturer = ReadString(device, descriptor[kManufacturerIndex], *language);
  enumerated.product = ReadString(device, descriptor[kProductIndex], *language);
  enumerated.serial = ReadString(device, descriptor[kSerialIndex], *language);
}

// Attribute values in the record escape backslashes and newlines.
std::string Escaped(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string Hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

class RecordWriter {
 public:
  explicit RecordWriter(const std::string& sysfsPath) : text_("P: " + sysfsPath + "\n") {}

  void Node(const std::string& devnode) { text_ += "N: " + devnode.substr(5) + "\n"; }
  void Property(const std::string& name, const std::string& value) {
    text_ += "E: " + name + "=" + value + "\n";
  }
  // Like every sysfs attribute, the value ends with a newline.
  void Attribute(const std::string& name, const std::string& value) {
    text_ += "A: " + name + "=" + Escaped(value + "\n") + "\n";
  }
  // A link relative to the device's own directory, as sysfs has them.
  void Link(const std::string& name, const std::string& sysfsPath, const std::string& target) {
    std::string up;
    for (const char c : sysfsPath) {
      if (c == '/') up += "../";
    }
    text_ += "L: " + name + "=" + up + target + "\n";
  }
  void Binary(const std::string& name, std::span<const uint8_t> value) {
    text_ += "H: " + name + "=" + Hex(value) + "\n";
  }
  std::string Text() const { return text_ + "\n"; }

 private:
  std::string text_;
};

void WriteProperties(RecordWriter& record, const EnumeratedDevice& device) {
  const Location& at = device.location;
  const std::vector<uint8_t>& d = device.device;
  record.Property("SUBSYSTEM", "usb");
  record.Property("DEVTYPE", "usb_device");
  record.Property("DRIVER", "usb");
  record.Property("DEVNAME", DeviceNode(at));
  record.Property("BUSNUM", Format("%03u", unsigned{at.bus}));
  record.Property("DEVNUM", Format("%03u", unsigned{at.address}));
  record.Property("MAJOR", Format("%u", kUsbDeviceMajor));
  record.Property("MINOR", Format("%u", (at.bus - 1u) * kDevicesPerBus + at.address - 1u));
  record.Property("PRODUCT", Format("%x/%x/%x", unsigned{Le16(d, kVendor)},
                                    unsigned{Le16(d, kProduct)}, unsigned{Le16(d, kRelease)}));
  record.Property("TYPE", Format("%u/%u/%u", unsigned{d[kClass]}, unsigned{d[kClass + 1]},
                                 unsigned{d[kClass + 2]}));
}

void WriteDeviceAttributes(RecordWriter& record, const EnumeratedDevice& device) {
  const Location& at = device.location;
  const std::vector<uint8_t>& d = device.device;
  const uint16_t usb = Le16(d, kUsbVersion);
  record.Attribute("busnum", Format("%u", unsigned{at.bus}));
  record.Attribute("devnum", Format("%u", unsigned{at.address}));
  record.Attribute(
      "dev", Format("%u:%u", kUsbDeviceMajor, (at.bus - 1u) * kDevicesPerBus + at.address - 1u));
  record.Attribute("speed", Format("%u", device.speedMbps));
  record.Attribute("version", Format("%2x.%02x", unsigned{usb} >> 8, unsigned{usb} & 0xFF));
  record.Attribute("idVendor", Format("%04x", unsigned{Le16(d, kVendor)}));
  record.Attribute("idProduct", Format("%04x", unsigned{Le16(d, kProduct)}));
  record.Attribute("bcdDevice", Format("%04x", unsigned{Le16(d, kRelease)}));
  record.Attribute("bDeviceClass", Format("%02x", unsigned{d[kClass]}));
  record.Attribute("bDeviceSubClass", Format("%02x", unsigned{d[kClass + 1]}));
  record.Attribute("bDeviceProtocol", Format("%02x", unsigned{d[kClass + 2]}));
  record.Attribute("bMaxPacketSize0", Format("%u", unsigned{d[kMaxPacketSize0]}));
  record.Attribute("bNumConfigurations", Format("%u", unsigned{d[kConfigurationCount]}));
  if (!device.manufacturer.empty()) record.Attribute("manufacturer", device.manufacturer);
  if (!device.product.empty()) record.Attribute("product", device.product);
  if (!device.serial.empty()) record.Attribute("serial", device.serial);
}

// The kernel selects the first configuration; its attributes describe that one.
void WriteConfigurationAttributes(RecordWriter& record, const EnumeratedDevice& device) {
  if (device.configurations.empty()) return;
  const std::vector<uint8_t>& c = device.configurations.front();
  record.Attribute("bConfigurationValue", Format("%u", unsigned{c[kValue]}));
  record.Attribute("bNumInterfaces", Format("%2u", unsigned{c[kInterfaceCount]}));
  record.Attribute("bmAttributes", Format("%2x", unsigned{c[kAttributes]}));
  record.Attribute("bMaxPower", Format("%umA", c[kMaxPower] * 2u));
}

// The "descriptors" attribute: the device descriptor, then every configuration whole.
void WriteDescriptors(RecordWriter& record, const EnumeratedDevice& device) {
  std::vector<uint8_t> all = device.device;
  for (const auto& configuration : device.configurations) {
    all.insert(all.end(), configuration.begin(), configuration.end());
  }
  record.Binary("descriptors", all);
}

std::string Record(const EnumeratedDevice& device, const std::string& sysfsPath,
                   const std::string& devpath, bool withNode) {
  RecordWriter record(sysfsPath);
  if (withNode) record.Node(DeviceNode(device.location));
  WriteProperties(record, device);
  record.Link("driver", sysfsPath, "bus/usb/drivers/usb");
  record.Attribute("devpath", devpath);
  WriteDeviceAttributes(record, device);
  WriteConfigurationAttributes(record, device);
  WriteDescriptors(record, device);
  return record.Text();
}

}  // namespace

std::optional<EnumeratedDevice> Enumerate(CVFirmwareLoader::IUsbDevice& device,
                                          const Location& location) {
  EnumeratedDevice enumerated{.location = location};
  const auto descriptor = Read(device, kDeviceType, 0, 0, kDeviceSize);
  if (!descriptor || descriptor->size() != kDeviceSize) return std::nullopt;
  enumerated.device = *descriptor;
  for (uint8_t index = 0; index < enumerated.device[kConfigurationCount]; ++index) {
    auto configuration = ReadConfiguration(device, index);
    if (!configuration) return std::nullopt;
    enumerated.configurations.push_back(std::move(*configuration));
  }
  if (enumerated.configurations.empty()) return std::nullopt;
  ReadStrings(device, enumerated);
  return enumerated;
}

std::vector<InterfaceSetting> InterfacesOf(std::span<const uint8_t> configuration) {
  std::vector<InterfaceSetting> settings;
  size_t offset = 0;
  while (offset + 2 <= configuration.size()) {
    const size_t length = configuration[offset];
    if (length < 2 || length > configuration.size() - offset) break;
    if (configuration[offset + 1] == kInterfaceType && length >= 4) {
      settings.push_back({configuration[offset + 2], configuration[offset + 3]});
    }
    offset += length;
  }
  return settings;
}

uint8_t ConfigurationValue(std::span<const uint8_t> configuration) {
  return configuration.size() > kValue ? configuration[kValue] : 0;
}

std::string DeviceNode(const Location& location) {
  return Format("/dev/bus/usb/%03u/%03u", unsigned{location.bus}, unsigned{location.address});
}

std::string SysfsPath(const Location& location) {
  return RootHubSysfsPath(location.bus) +
         Format("/%u-%u", unsigned{location.bus}, unsigned{location.port});
}

std::string RootHubSysfsPath(uint8_t bus) {
  return Format("/devices/usb%u", unsigned{bus});
}

std::string DeviceRecord(const EnumeratedDevice& device) {
  return Record(device, SysfsPath(device.location), Format("%u", unsigned{device.location.port}),
                true);
}

std::string RootHubRecord(uint8_t bus) {
  const EnumeratedDevice hub{.location = {.bus = bus, .address = 1, .port = 0},
                             .device = kRootHubDevice,
                             .configurations = {kRootHubConfiguration},
                             .speedMbps = 480};
  return Record(hub, RootHubSysfsPath(bus), "0", false);
}

}  // namespace EvarixSim::Usb
