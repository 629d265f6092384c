#pragma once

#include "Clock.h"
#include "DriverTransport.h"
#include "SystemFacts.h"

namespace CVFirmwareLoader {

// The seams the engine reaches the operating system through. The program's start-up installs the
// real implementations; tests install fakes. Reading is safe from any thread; installing is done
// while no other thread uses the engine.
struct PlatformServices {
  IDriverTransport* transport;
  ISystemFacts* system;
  IClock* clock;
};

// The services now installed. Until something is installed, the transport opens nothing, the
// system knows nothing and the clock is the real one.
PlatformServices Platform();

// Installs services; a null member keeps the default for that seam. Returns what was installed
// before, so that a caller can put it back.
PlatformServices InstallPlatform(const PlatformServices& services);

// The real clock (a steady monotonic clock).
IClock& SystemClock();

// Installs services for a scope and puts the previous ones back when the scope ends.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(const PlatformServices& services)
      : previous_(InstallPlatform(services)) {}
  ~ScopedPlatform() { InstallPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  PlatformServices previous_;
};

}  // namespace CVFirmwareLoader
