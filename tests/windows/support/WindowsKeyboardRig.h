#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"
#include "tools/windows-relay-driver/RelayDriverService.h"
#include "tools/windows-relay-driver/RelayServer.h"

namespace EvarixTest {

// Simulated keyboards that a Windows test reaches as the program does: SetupAPI lists each
// appearance from the registry, and its interface path, opened with CreateFileW, leads to the
// relay driver, which stands in for the keyboard's driver and hands every request to the keyboard
// on this rig's bus. A keyboard that changes its appearance moves to another slot, path and
// registry entry, as on Windows, before the change is over.
//
// The registry, the driver's paths and its service are the Wine prefix's: tests that use a rig
// hold the registry's CTest resource lock (tests/windows/CMakeLists.txt).
class WindowsKeyboardRig {
 public:
  // Throws std::runtime_error when the driver cannot be installed or started.
  WindowsKeyboardRig();
  // Takes out of the registry every keyboard still in it.
  ~WindowsKeyboardRig();
  WindowsKeyboardRig(const WindowsKeyboardRig&) = delete;
  WindowsKeyboardRig& operator=(const WindowsKeyboardRig&) = delete;

  EvarixSim::SimKeyboard& Plug(const EvarixSim::KeyboardConfig& config = {}) {
    return bus_.Plug(config);
  }
  // The interface path SetupAPI lists for the keyboard's current appearance; empty while it is off
  // the bus.
  std::wstring InterfacePathOf(const EvarixSim::SimKeyboard& keyboard) const;

  // What a test does once a keyboard's change is complete, where Windows would tell of it (the
  // device-change notice); set before the first keyboard is plugged. It must neither block nor
  // throw.
  void OnDeviceChange(std::function<void()> notice) { notice_ = std::move(notice); }

  EvarixSim::SimBus& Bus() { return bus_; }
  // The same keyboards without the driver, for comparison.
  EvarixSim::SimTransport& InProcessTransport() { return inProcess_; }
  const EvarixRelay::RelayServer& Server() const { return server_; }

 private:
  void Follow(const EvarixRelay::SlotChange& change);

  std::function<void()> notice_;
  std::mutex registryMutex_;
  std::set<unsigned> inRegistry_;  // the slots this rig wrote into the registry
  EvarixSim::SimBus bus_;
  EvarixSim::SimTransport inProcess_{bus_};
  EvarixRelay::RelayServer server_;
  EvarixRelay::RelayDriverService service_;
};

}  // namespace EvarixTest
