#pragma once

#include <cstdint>

namespace CVFirmwareLoader {

// The engine's result codes. Inside the engine a failure is thrown as the bare value and caught at
// the boundary of each public operation, which returns it as an int.
enum EResult : int32_t {
  eSuccess = 0,
  eFailed = -10,
  eAlreadyDone = -20,
  eNoResource = -30,
  eLockAbandoned = -40,
  eNotReady = -50,
  eInvalidImage = -60,
  eDeviceError = -70,
  eInvalidArgument = -80,
  eCancelled = -90,
};

}  // namespace CVFirmwareLoader
