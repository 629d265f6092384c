#pragma once

#include <memory>
#include <string>

#include "platform/NamedMutex.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"
#include "tools/windows-relay-driver/RelayDriverService.h"
#include "tools/windows-relay-driver/RelayServer.h"

namespace EvarixTest {

// Simulated keyboards that a Windows test reaches as the program does: through the interface path
// of the keyboard's driver, opened with CreateFileW, each request one DeviceIoControl. The relay
// driver stands in for the keyboard's driver and hands every request to the keyboard on this
// rig's bus. A keyboard that changes its appearance moves to another path, as on Windows.
//
// The driver's paths and its service are the Wine prefix's, so one rig at a time: a second, in
// another test program, waits until the first has gone.
class WindowsKeyboardRig {
 public:
  // Throws std::runtime_error when the driver cannot be installed or started.
  WindowsKeyboardRig();
  ~WindowsKeyboardRig();
  WindowsKeyboardRig(const WindowsKeyboardRig&) = delete;
  WindowsKeyboardRig& operator=(const WindowsKeyboardRig&) = delete;

  EvarixSim::SimKeyboard& Plug(const EvarixSim::KeyboardConfig& config = {});
  // The interface path of the keyboard's current appearance; empty while it is off the bus.
  std::wstring InterfacePathOf(const EvarixSim::SimKeyboard& keyboard) const;

  EvarixSim::SimBus& Bus() { return bus_; }
  // The same keyboards without the driver, for comparison.
  EvarixSim::SimTransport& InProcessTransport() { return inProcess_; }
  const EvarixRelay::RelayServer& Server() const { return server_; }

 private:
  // Held for the rig's life.
  class ExclusiveUse {
   public:
    ExclusiveUse();
    ~ExclusiveUse();
    ExclusiveUse(const ExclusiveUse&) = delete;
    ExclusiveUse& operator=(const ExclusiveUse&) = delete;

   private:
    std::unique_ptr<CVFirmwareLoader::NamedMutex> mutex_;
  };

  ExclusiveUse exclusive_;
  EvarixSim::SimBus bus_;
  EvarixSim::SimTransport inProcess_{bus_};
  EvarixRelay::RelayServer server_;
  EvarixRelay::RelayDriverService service_;
};

}  // namespace EvarixTest
