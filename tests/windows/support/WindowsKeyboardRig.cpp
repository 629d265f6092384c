#include "support/WindowsKeyboardRig.h"

#include <stdexcept>

#include "platform/ProgramPath.h"

namespace EvarixTest {

namespace {

// The test programs are built with the driver beside them.
std::filesystem::path DriverFile() {
  const std::optional<std::filesystem::path> program = CVFirmwareLoader::RunningProgramPath();
  if (!program) throw std::runtime_error("relay driver: the test program's folder is unknown");
  return program->parent_path() / L"evarix-keyboard-relay.sys";
}

}  // namespace

WindowsKeyboardRig::ExclusiveUse::ExclusiveUse()
    : mutex_(CVFirmwareLoader::NamedMutex::Open("evarix-keyboard-relay")) {
  if (mutex_ == nullptr) throw std::runtime_error("relay driver: no lock for the rig");
  // An abandoned lock is taken all the same: the service its owner left is removed on start.
  mutex_->Wait();
}

WindowsKeyboardRig::ExclusiveUse::~ExclusiveUse() {
  mutex_->Release();
}

WindowsKeyboardRig::WindowsKeyboardRig() : server_(bus_, inProcess_), service_(DriverFile()) {}

WindowsKeyboardRig::~WindowsKeyboardRig() = default;

EvarixSim::SimKeyboard& WindowsKeyboardRig::Plug(const EvarixSim::KeyboardConfig& config) {
  return bus_.Plug(config);
}

std::wstring WindowsKeyboardRig::InterfacePathOf(const EvarixSim::SimKeyboard& keyboard) const {
  const std::optional<uint32_t> slot = server_.SlotOf(keyboard);
  return slot ? EvarixRelay::InterfacePathOf(*slot) : std::wstring();
}

}  // namespace EvarixTest
