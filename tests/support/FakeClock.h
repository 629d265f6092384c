#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

namespace EvarixTest {

// Virtual time: sleeping advances the tick counter at once, so waits cost nothing and are exact.
class FakeClock final : public CVFirmwareLoader::IClock {
 public:
  uint32_t TickCount() override { return now_.load(); }

  void Sleep(uint32_t ms, const CVFirmwareLoader::WakeSignal* wake) override {
    {
      std::lock_guard guard(mutex_);
      sleeps_.push_back(ms);
    }
    if (beforeSleep) beforeSleep(ms);
    if (wake != nullptr && wake->IsRaised()) return;
    now_ += ms;
  }

  // Runs at the start of every sleep, on the sleeping thread: the place to cancel mid-wait.
  std::function<void(uint32_t ms)> beforeSleep;

  void Advance(uint32_t ms) { now_ += ms; }
  void Set(uint32_t tick) { now_ = tick; }

  std::vector<uint32_t> Sleeps() const {
    std::lock_guard guard(mutex_);
    return sleeps_;
  }

 private:
  std::atomic<uint32_t> now_{1000};
  mutable std::mutex mutex_;
  std::vector<uint32_t> sleeps_;
};

}  // namespace EvarixTest
