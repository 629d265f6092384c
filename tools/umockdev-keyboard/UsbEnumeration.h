#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/UsbDevice.h"

// What the kernel learns about a USB device when it enumerates it, and how it shows that in sysfs
// and in its uevents.
namespace EvarixSim::Usb {

struct Location {
  uint8_t bus = 1;
  uint8_t address = 0;  // the device number
  uint8_t port = 1;     // on the root hub
};

struct EnumeratedDevice {
  Location location{};
  std::vector<uint8_t> device{};                       // the 18-byte device descriptor
  std::vector<std::vector<uint8_t>> configurations{};  // each whole, as wTotalLength gives it
  std::string manufacturer{};
  std::string product{};
  std::string serial{};
  unsigned speedMbps = 12;  // full speed, as a MIDI keyboard runs
};

struct InterfaceSetting {
  uint8_t number = 0;
  uint8_t alternate = 0;

  bool operator==(const InterfaceSetting&) const = default;
};

// Reads the descriptors and strings the way the kernel does when a device arrives. Nothing when
// the device does not answer with well-formed descriptors: the kernel would give up on it too.
std::optional<EnumeratedDevice> Enumerate(CVFirmwareLoader::IUsbDevice& device,
                                          const Location& location);

// The interfaces and alternate settings a configuration descriptor declares.
std::vector<InterfaceSetting> InterfacesOf(std::span<const uint8_t> configuration);

// bConfigurationValue of a configuration descriptor.
uint8_t ConfigurationValue(std::span<const uint8_t> configuration);

// "/dev/bus/usb/BBB/DDD" and "/devices/usbB/B-P": the device node and the sysfs path.
std::string DeviceNode(const Location& location);
std::string SysfsPath(const Location& location);
std::string RootHubSysfsPath(uint8_t bus);

// The device in umockdev's record format: sysfs attributes, uevent properties and device node.
std::string DeviceRecord(const EnumeratedDevice& device);

// The bus's root hub, which holds the devices' ports and has no node of its own here.
std::string RootHubRecord(uint8_t bus);

}  // namespace EvarixSim::Usb
