#pragma once

#include "Clock.h"
#include "DriverTransport.h"
#include "Seam.h"
#include "SystemFacts.h"

namespace CVFirmwareLoader {

// The seams the engine reaches the operating system through. Their stand-ins: the transport opens
// nothing, the system knows nothing, and the clock is the real one.
template <>
IDriverTransport& SeamStandIn<IDriverTransport>();
template <>
ISystemFacts& SeamStandIn<ISystemFacts>();
template <>
IClock& SeamStandIn<IClock>();

struct PlatformServices {
  IDriverTransport* transport;
  ISystemFacts* system;
  IClock* clock;
};

// The services now installed.
inline PlatformServices Platform() {
  return {&Seam<IDriverTransport>::Get(), &Seam<ISystemFacts>::Get(), &Seam<IClock>::Get()};
}

// The real clock (a steady monotonic clock).
IClock& SystemClock();

// Installs the engine's three seams together for a scope; a null member puts that seam's
// stand-in in place.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(const PlatformServices& services)
      : transport_(services.transport), system_(services.system), clock_(services.clock) {}

 private:
  ScopedSeam<IDriverTransport> transport_;
  ScopedSeam<ISystemFacts> system_;
  ScopedSeam<IClock> clock_;
};

}  // namespace CVFirmwareLoader
