#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace CVFirmwareLoader {

// A one-way flag that also wakes anyone sleeping on it: raised once, never lowered.
class WakeSignal {
 public:
  void Raise();
  bool IsRaised() const { return raised_.load(std::memory_order_acquire); }

  // Waits up to ms milliseconds; returns early, with true, once the signal is raised.
  bool WaitFor(uint32_t ms) const;

 private:
  std::atomic<bool> raised_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
};

// The tick counter and sleeping.
class IClock {
 public:
  virtual ~IClock() = default;

  // Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;

  // Sleeps ms milliseconds, or until wake is raised if one is given (returning at once when it is
  // raised already).
  virtual void Sleep(uint32_t ms, const WakeSignal* wake = nullptr) = 0;
};

}  // namespace CVFirmwareLoader
