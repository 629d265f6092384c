#pragma once

#include <cstdint>

namespace CVFirmwareLoader {

// The USB DFU 1.1 device states, numbered as a get-status reply carries them. The device layer
// judges replies by them and the simulated keyboard moves through them.
enum class DfuState : uint8_t {
  appIDLE = 0,
  appDETACH = 1,
  dfuIDLE = 2,
  dfuDNLOAD_SYNC = 3,
  dfuDNBUSY = 4,
  dfuDNLOAD_IDLE = 5,
  dfuMANIFEST_SYNC = 6,
  dfuMANIFEST = 7,
  dfuMANIFEST_WAIT_RESET = 8,
  dfuUPLOAD_IDLE = 9,
  dfuERROR = 10,
};

}  // namespace CVFirmwareLoader
