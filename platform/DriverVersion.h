#pragma once

#include <cstdint>

namespace CVFirmwareLoader {

// A driver file's version: major and minor from its most significant 32 bits, build and revision
// from its least significant 32 bits.
struct DriverVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
  uint16_t revision = 0;

  friend bool operator==(const DriverVersion&, const DriverVersion&) = default;
};

}  // namespace CVFirmwareLoader
