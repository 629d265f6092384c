#pragma once

#include <memory>
#include <string>

#include "platform/DriverTransport.h"
#include "tools/simkeyboard/SimBus.h"

namespace EvarixSim {

// The driver transport for keyboards on a SimBus: every handle carries the driver requests through
// the same USB mapping that the transport for real keyboards uses.
class SimTransport final : public CVFirmwareLoader::IDriverTransport {
 public:
  explicit SimTransport(SimBus& bus) : bus_(bus) {}

  // Nothing when no keyboard is at path (any more).
  std::unique_ptr<CVFirmwareLoader::IDriverHandle> Open(const std::wstring& path) override;

 private:
  SimBus& bus_;
};

}  // namespace EvarixSim
