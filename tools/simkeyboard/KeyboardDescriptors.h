#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The keyboard's USB descriptors, as bytes on the wire.
namespace EvarixSim::Descriptors {

constexpr uint16_t kVendorId = 0x1209;
constexpr uint16_t kUpdateProductId = 0x0006;

constexpr uint8_t kManufacturerIndex = 1;
constexpr uint8_t kProductIndex = 2;
constexpr uint8_t kInfoTextIndex = 3;  // iInterface of the DFU interface

// The DFU interface follows audio control and MIDI streaming in application mode and stands alone
// in update mode.
constexpr uint8_t kApplicationDfuInterface = 2;
constexpr uint8_t kUpdateDfuInterface = 0;

struct DfuSettings {
  bool manifestationTolerant = false;
  bool willDetach = true;
  uint16_t detachTimeoutMs = 0;
  uint16_t transferSize = 0;
};

std::vector<uint8_t> DeviceDescriptor(uint16_t productId, uint16_t release);

// Audio control, MIDI streaming and the DFU runtime interface.
std::vector<uint8_t> ApplicationConfiguration(const DfuSettings& dfu);

// The DFU interface alone, in DFU mode.
std::vector<uint8_t> UpdateConfiguration(const DfuSettings& dfu);

// String descriptor zero: the one language the keyboard speaks, US English.
std::vector<uint8_t> LanguageDescriptor();

// ASCII text of at most 126 characters as a UTF-16LE string descriptor.
std::vector<uint8_t> StringDescriptor(std::string_view text);

}  // namespace EvarixSim::Descriptors
