#include "windows/support/WindowsKeyboardRig.h"

#include <iostream>
#include <stdexcept>

#include "platform/ProgramPath.h"
#include "windows/support/DeviceInterfaceRegistry.h"

namespace EvarixTest {

namespace Registry = EvarixWinTest::DeviceInterfaceRegistry;

namespace {

// The test programs are built with the driver beside them.
std::filesystem::path DriverFile() {
  const std::optional<std::filesystem::path> program = CVFirmwareLoader::RunningProgramPath();
  if (!program) throw std::runtime_error("relay driver: the test program's folder is unknown");
  return program->parent_path() / L"evarix-keyboard-relay.sys";
}

}  // namespace

WindowsKeyboardRig::WindowsKeyboardRig()
    : server_(
          bus_, inProcess_, [this](const EvarixRelay::SlotChange& change) { Follow(change); },
          [this] {
            if (notice_) notice_();
          }),
      service_(DriverFile()) {}

WindowsKeyboardRig::~WindowsKeyboardRig() {
  std::lock_guard lock(registryMutex_);
  for (const unsigned slot : inRegistry_) Registry::Unplug(slot);
}

std::wstring WindowsKeyboardRig::InterfacePathOf(const EvarixSim::SimKeyboard& keyboard) const {
  const std::optional<uint32_t> slot = server_.SlotOf(keyboard);
  return slot ? Registry::InterfacePath(*slot) : std::wstring();
}

// The keyboard's registry entry names the relay driver as its driver's service.
void WindowsKeyboardRig::Follow(const EvarixRelay::SlotChange& change) {
  std::lock_guard lock(registryMutex_);
  const bool added = change.kind == EvarixSim::BusChange::Kind::Added;
  const bool written = added ? Registry::Plug(change.slot, change.device.hardwareId,
                                              EvarixRelay::RelayDriverService::kName)
                             : Registry::Unplug(change.slot);
  if (added) inRegistry_.insert(change.slot);
  if (!added && written) inRegistry_.erase(change.slot);
  if (!written) {
    std::cerr << "keyboard rig: the registry refused slot " << change.slot << std::endl;
  }
}

}  // namespace EvarixTest
