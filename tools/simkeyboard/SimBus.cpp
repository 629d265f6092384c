#include "tools/simkeyboard/SimBus.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <new>
#include <stdexcept>

#include "tools/simkeyboard/KeyboardDescriptors.h"

namespace EvarixSim {

namespace {

constexpr uint8_t kFirstDeviceNumber = 2;  // 1 is the root hub
constexpr uint8_t kLastDeviceNumber = 127;
constexpr size_t kMostDevices = kLastDeviceNumber - kFirstDeviceNumber + 1;
constexpr const wchar_t* kServiceName = L"usb";

std::wstring PathFor(uint8_t deviceNumber) {
  wchar_t path[32];
  std::swprintf(path, std::size(path), L"/dev/bus/usb/001/%03u", unsigned{deviceNumber});
  return path;
}

std::wstring HardwareIdFor(uint16_t productId, uint16_t release) {
  wchar_t id[48];
  std::swprintf(id, std::size(id), L"USB\\VID_%04X&PID_%04X&REV_%04X",
                unsigned{Descriptors::kVendorId}, unsigned{productId}, unsigned{release});
  return id;
}

}  // namespace

// One opened appearance. It stays bound to that appearance: once the keyboard has left, even if it
// has come back, the connection reaches nothing.
class SimBus::Connection final : public CVFirmwareLoader::IUsbDevice {
 public:
  Connection(SimBus& bus, uint64_t serial) : bus_(bus), serial_(serial) {}

  int ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                      std::span<uint8_t> data) override {
    try {
      return bus_.Transfer(serial_, requestType, request, value, index, data);
    } catch (const std::bad_alloc&) {
      return -1;
    }
  }

  bool ResetPort() override {
    try {
      return bus_.Reset(serial_);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

 private:
  SimBus& bus_;
  const uint64_t serial_;
};

SimKeyboard& SimBus::Plug(const KeyboardConfig& config) {
  std::vector<BusChange> changes;
  SimKeyboard* keyboard = nullptr;
  {
    std::lock_guard lock(mutex_);
    keyboards_.push_back(std::unique_ptr<SimKeyboard>(new SimKeyboard(config)));
    keyboard = keyboards_.back().get();
    Attach(*keyboard, config.mode, changes);
  }
  Notify(changes);
  return *keyboard;
}

void SimBus::Unplug(SimKeyboard& keyboard) {
  std::vector<BusChange> changes;
  {
    std::lock_guard lock(mutex_);
    Detach(keyboard, changes);
  }
  Notify(changes);
}

void SimBus::Replug(SimKeyboard& keyboard) {
  std::vector<BusChange> changes;
  {
    std::lock_guard lock(mutex_);
    if (Find(keyboard) == nullptr) Attach(keyboard, keyboard.PowerUpMode(), changes);
  }
  Notify(changes);
}

std::vector<PresentDevice> SimBus::Present() const {
  std::lock_guard lock(mutex_);
  std::vector<PresentDevice> devices;
  for (const Appearance& appearance : present_) devices.push_back(appearance.device);
  return devices;
}

std::optional<PresentDevice> SimBus::AppearanceOf(const SimKeyboard& keyboard) const {
  std::lock_guard lock(mutex_);
  const Appearance* appearance = Find(keyboard);
  if (appearance == nullptr) return std::nullopt;
  return appearance->device;
}

int SimBus::AddListener(BusListener listener) {
  std::lock_guard lock(mutex_);
  listeners_.emplace(nextListener_, std::move(listener));
  return nextListener_++;
}

void SimBus::RemoveListener(int id) {
  std::lock_guard lock(mutex_);
  listeners_.erase(id);
}

std::unique_ptr<CVFirmwareLoader::IUsbDevice> SimBus::Open(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto found = std::ranges::find_if(
      present_, [&](const Appearance& appearance) { return appearance.device.path == path; });
  if (found == present_.end()) return nullptr;
  return std::make_unique<Connection>(*this, found->serial);
}

std::vector<uint8_t> SimBus::ActiveConfiguration(const std::wstring& path) const {
  std::lock_guard lock(mutex_);
  const auto found = std::ranges::find_if(
      present_, [&](const Appearance& appearance) { return appearance.device.path == path; });
  if (found == present_.end()) return {};
  return found->keyboard->ActiveConfiguration();
}

int SimBus::Transfer(uint64_t serial, uint8_t requestType, uint8_t request, uint16_t value,
                     uint16_t index, std::span<uint8_t> data) {
  const SimKeyboard::SetupPacket setup{requestType, request, value, index};
  return Drive(serial, [&](SimKeyboard& keyboard) { return keyboard.Control(setup, data); }).result;
}

bool SimBus::Reset(uint64_t serial) {
  return Drive(serial, [](SimKeyboard& keyboard) { return keyboard.ResetPort(); }).result == 0;
}

SimKeyboard::Answer SimBus::Drive(uint64_t serial,
                                  const std::function<SimKeyboard::Answer(SimKeyboard&)>& request) {
  std::vector<BusChange> changes;
  SimKeyboard::Answer answer{-1};
  {
    std::lock_guard lock(mutex_);
    const auto found = std::ranges::find(present_, serial, &Appearance::serial);
    if (found == present_.end()) return answer;
    SimKeyboard& keyboard = *found->keyboard;
    answer = request(keyboard);
    Move(keyboard, answer.move, changes);
  }
  Notify(changes);
  return answer;
}

void SimBus::Attach(SimKeyboard& keyboard, Mode mode, std::vector<BusChange>& changes) {
  keyboard.Enumerate(mode);
  const SimKeyboard::Identity identity = keyboard.CurrentIdentity();
  const uint8_t number = NextDeviceNumber();
  present_.push_back(
      {&keyboard,
       nextSerial_++,
       number,
       {PathFor(number), HardwareIdFor(identity.productId, identity.release), kServiceName}});
  changes.push_back({BusChange::Kind::Added, present_.back().device});
}

void SimBus::Detach(const SimKeyboard& keyboard, std::vector<BusChange>& changes) {
  const auto found = std::ranges::find(present_, &keyboard, &Appearance::keyboard);
  if (found == present_.end()) return;
  changes.push_back({BusChange::Kind::Removed, found->device});
  present_.erase(found);
}

void SimBus::Move(SimKeyboard& keyboard, const SimKeyboard::BusMove& move,
                  std::vector<BusChange>& changes) {
  if (move.leaves) Detach(keyboard, changes);
  if (move.returnsIn) Attach(keyboard, *move.returnsIn, changes);
}

const SimBus::Appearance* SimBus::Find(const SimKeyboard& keyboard) const {
  const auto found = std::ranges::find(present_, &keyboard, &Appearance::keyboard);
  return found == present_.end() ? nullptr : &*found;
}

// Like Linux, device numbers count up to 127 and then start again, skipping those in use.
uint8_t SimBus::NextDeviceNumber() {
  if (present_.size() >= kMostDevices) throw std::length_error("no free USB device number");
  const auto inUse = [this](uint8_t number) {
    return std::ranges::find(present_, number, &Appearance::deviceNumber) != present_.end();
  };
  do {
    lastDeviceNumber_ = lastDeviceNumber_ >= kLastDeviceNumber
                            ? kFirstDeviceNumber
                            : static_cast<uint8_t>(lastDeviceNumber_ + 1);
  } while (inUse(lastDeviceNumber_));
  return lastDeviceNumber_;
}

void SimBus::Notify(const std::vector<BusChange>& changes) const {
  if (changes.empty()) return;
  std::vector<BusListener> listeners;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, listener] : listeners_) listeners.push_back(listener);
  }
  for (const BusChange& change : changes) {
    for (const BusListener& listener : listeners) listener(change);
  }
}

}  // namespace EvarixSim
