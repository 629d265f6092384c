#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace CVFirmwareLoader {

// The 18-byte trailer at the very end of every firmware image, all fields little-endian. Bytes 2
// to 17 are the USB DFU 1.1 file suffix (device release, product, vendor, DFU release, signature,
// length, CRC); the update-mode product ID in front extends it, because the keyboard shows up
// under another product ID once it runs its boot firmware.
struct FirmwareSuffix {
  static constexpr size_t kSize = 18;

  static constexpr size_t kUpdateModeProductIdOffset = 0;  // u16
  static constexpr size_t kVersionOffset = 2;              // u16, the firmware version
  static constexpr size_t kProductIdOffset = 4;            // u16, application mode
  static constexpr size_t kVendorIdOffset = 6;             // u16
  static constexpr size_t kFormatVersionOffset = 8;        // u16
  static constexpr size_t kSignatureOffset = 10;           // 3 bytes
  static constexpr size_t kLengthOffset = 13;              // u8
  static constexpr size_t kCrcOffset = 14;                 // u32

  // The DFU file suffix stores its signature reversed ("DFU" read backwards).
  static constexpr std::array<uint8_t, 3> kSignature = {'U', 'F', 'D'};
  static constexpr uint16_t kFormatVersion = 0x0100;
};

static_assert(FirmwareSuffix::kCrcOffset + 4 == FirmwareSuffix::kSize);

}  // namespace CVFirmwareLoader
