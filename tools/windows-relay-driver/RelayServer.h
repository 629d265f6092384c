#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>

#include "platform/DriverTransport.h"
#include "tools/simkeyboard/SimBus.h"

namespace EvarixRelay {

// An appearance of a keyboard that took a slot, or left it.
struct SlotChange {
  EvarixSim::BusChange::Kind kind = EvarixSim::BusChange::Kind::Added;
  uint32_t slot = 0;
  EvarixSim::PresentDevice device{};  // as the bus shows it
};

// Called on the thread that changed the bus, with no lock held, before the driver follows the
// change; it must not throw.
using SlotListener = std::function<void(const SlotChange&)>;
// Called once the driver has followed a change, as Windows tells of a change once the device
// interface is there; it must neither block nor throw.
using FollowedListener = std::function<void()>;

// An owned kernel handle; null or INVALID_HANDLE_VALUE own nothing.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle = nullptr);

 private:
  HANDLE handle_;
};

// The test's side of the relay driver: owns the named pipe the driver relays through, always with
// an instance waiting for the driver, and a thread that answers each relayed request with the
// transport, so that the driver reaches exactly the keyboards of the bus. Gives every appearance
// of a keyboard on the bus a slot of its own as it comes, and frees it as it goes; the driver
// follows before the change is over. A change that a relayed request made is followed with that
// request's answer; any other waits for the driver, through this server's thread, on the thread
// that made it.
class RelayServer {
 public:
  // Throws std::runtime_error when the pipe cannot be made (another server holds it).
  RelayServer(EvarixSim::SimBus& bus, CVFirmwareLoader::IDriverTransport& transport,
              SlotListener listener = {}, FollowedListener followed = {});
  ~RelayServer();
  RelayServer(const RelayServer&) = delete;
  RelayServer& operator=(const RelayServer&) = delete;

  // The slot of the keyboard's current appearance; nothing while it is off the bus.
  std::optional<uint32_t> SlotOf(const EvarixSim::SimKeyboard& keyboard) const;
  // Control requests answered or refused so far; opens are not counted.
  uint64_t Requests() const { return requests_; }

 private:
  void OnBusChange(const EvarixSim::BusChange& change);
  uint32_t TakeSlot(const std::wstring& path);
  void HaveDriverFollow();
  std::optional<std::wstring> PathIn(uint32_t slot) const;
  uint64_t SlotsInUse() const;

  UniqueHandle NewInstance(bool first);
  void Serve();
  void ServeConnection(HANDLE pipe);
  bool Answer(uint32_t slot, uint32_t code, std::span<const uint8_t> request,
              std::span<uint8_t> reply);

  EvarixSim::SimBus& bus_;
  CVFirmwareLoader::IDriverTransport& transport_;
  const SlotListener listener_;
  const FollowedListener followed_;

  mutable std::mutex slotsMutex_;
  std::map<uint32_t, std::wstring> slots_;  // slot -> the bus's path of the appearance in it
  uint32_t nextSlot_ = 0;

  UniqueHandle stop_;       // manual reset: set once, by the destructor
  UniqueHandle ioDone_;     // the serving thread's overlapped transfers
  UniqueHandle listening_;  // the instance waiting for the driver; the serving thread's
  std::atomic<uint64_t> requests_ = 0;
  bool movedInFrame_ = false;  // the serving thread's: a keyboard moved while it answered
  int busListener_ = 0;
  std::thread thread_;
};

}  // namespace EvarixRelay
