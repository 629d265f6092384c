#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/UsbDevice.h"
#include "tools/simkeyboard/SimKeyboard.h"

namespace EvarixSim {

// One appearance of a keyboard on the bus, as device enumeration reports it.
struct PresentDevice {
  std::wstring path{};         // "/dev/bus/usb/001/NNN", a new number for every appearance
  std::wstring hardwareId{};   // "USB\VID_1209&PID_xxxx&REV_xxxx", REV the device release
  std::wstring serviceName{};  // the driver a Linux usb_device is bound to: "usb"

  bool operator==(const PresentDevice&) const = default;
};

struct BusChange {
  enum class Kind { Added, Removed };
  Kind kind = Kind::Added;
  PresentDevice device{};

  bool operator==(const BusChange&) const = default;
};

using BusListener = std::function<void(const BusChange&)>;

// The USB bus the simulated keyboards sit on. It owns every keyboard it made, present or not, and
// is safe to use from any thread. A keyboard that re-enumerates leaves and comes back only after
// it has answered the request that made it do so, still inside that call.
class SimBus {
 public:
  SimBus() = default;
  SimBus(const SimBus&) = delete;
  SimBus& operator=(const SimBus&) = delete;

  // Makes a keyboard and plugs it in.
  SimKeyboard& Plug(const KeyboardConfig& config = {});
  // Pulls its cable; nothing happens when it is not present.
  void Unplug(SimKeyboard& keyboard);
  // Plugs it in again: it starts in application mode when its firmware checks out, else in update
  // mode. Nothing happens when it is present.
  void Replug(SimKeyboard& keyboard);

  std::vector<PresentDevice> Present() const;
  // The keyboard's current appearance; nothing while it is off the bus.
  std::optional<PresentDevice> AppearanceOf(const SimKeyboard& keyboard) const;

  // Listeners hear of every change, on the thread that caused it and with no lock held. They must
  // neither block nor throw; one that is removed while another thread changes the bus may still be
  // called once.
  int AddListener(BusListener listener);
  void RemoveListener(int id);

  // The keyboard now at path, opened for control transfers; nothing when no keyboard is there.
  // Once that appearance has gone, every transfer and reset on it fails.
  std::unique_ptr<CVFirmwareLoader::IUsbDevice> Open(const std::wstring& path);
  // The configuration descriptor of the keyboard now at path, as a host's USB stack keeps it from
  // enumeration: reading it sends the keyboard nothing. Empty when no keyboard is there.
  std::vector<uint8_t> ActiveConfiguration(const std::wstring& path) const;

 private:
  class Connection;

  struct Appearance {
    SimKeyboard* keyboard;
    uint64_t serial;  // unlike device numbers, never used twice
    uint8_t deviceNumber;
    PresentDevice device;
  };

  // The device side of a Connection.
  int Transfer(uint64_t serial, uint8_t requestType, uint8_t request, uint16_t value,
               uint16_t index, std::span<uint8_t> data);
  bool Reset(uint64_t serial);
  // Runs a request on the appearance with this serial, then moves the keyboard as it answered.
  SimKeyboard::Answer Drive(uint64_t serial,
                            const std::function<SimKeyboard::Answer(SimKeyboard&)>& request);

  // With the lock held; each adds what it changed to changes.
  void Attach(SimKeyboard& keyboard, Mode mode, std::vector<BusChange>& changes);
  void Detach(const SimKeyboard& keyboard, std::vector<BusChange>& changes);
  void Move(SimKeyboard& keyboard, const SimKeyboard::BusMove& move,
            std::vector<BusChange>& changes);
  const Appearance* Find(const SimKeyboard& keyboard) const;
  uint8_t NextDeviceNumber();

  void Notify(const std::vector<BusChange>& changes) const;

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<SimKeyboard>> keyboards_;
  std::vector<Appearance> present_;
  std::map<int, BusListener> listeners_;
  int nextListener_ = 1;
  uint64_t nextSerial_ = 1;
  uint8_t lastDeviceNumber_ = 1;  // the root hub's
};

}  // namespace EvarixSim
