#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// USB, DFU and the firmware image all store their numbers least significant byte first.
namespace CVFirmwareLoader::LittleEndian {

inline uint16_t Read16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline uint32_t Read32(std::span<const uint8_t> bytes, size_t offset) {
  return uint32_t{Read16(bytes, offset)} | uint32_t{Read16(bytes, offset + 2)} << 16;
}

inline void Write16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void Write32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
  Write16(bytes, offset, static_cast<uint16_t>(value & 0xFFFF));
  Write16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace CVFirmwareLoader::LittleEndian
