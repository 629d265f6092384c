#include "Platform.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace CVFirmwareLoader {

void WakeSignal::Raise() {
  {
    std::lock_guard lock(mutex_);
    raised_.store(true, std::memory_order_release);
  }
  changed_.notify_all();
}

bool WakeSignal::WaitFor(uint32_t ms) const {
  // Some threading libraries (mingw's winpthreads) give even a zero wait a whole timer tick.
  if (ms == 0) return IsRaised();
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return IsRaised(); });
}

namespace {

class NoTransport final : public IDriverTransport {
 public:
  std::unique_ptr<IDriverHandle> Open(const std::wstring&) override { return nullptr; }
};

class NoSystemFacts final : public ISystemFacts {
 public:
  std::optional<std::wstring> ProgramFilesFolder() override { return std::nullopt; }
  FileOpenOutcome TryOpenForReading(const std::wstring&) override {
    return FileOpenOutcome::OtherFailure;
  }
  std::optional<ServiceImagePath> QueryServiceImagePath(const std::wstring&) override {
    return std::nullopt;
  }
  std::optional<std::wstring> SystemFolder() override { return std::nullopt; }
  wchar_t PathSeparator() const override { return L'/'; }
  std::optional<DriverVersion> FileVersion(const std::wstring&) override { return std::nullopt; }
};

class SteadyClock final : public IClock {
 public:
  uint32_t TickCount() override {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }

  void Sleep(uint32_t ms, const WakeSignal* wake) override {
    if (wake != nullptr) {
      wake->WaitFor(ms);
    } else if (ms > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
  }
};

}  // namespace

template <>
IDriverTransport& SeamStandIn<IDriverTransport>() {
  static NoTransport none;
  return none;
}

template <>
ISystemFacts& SeamStandIn<ISystemFacts>() {
  static NoSystemFacts none;
  return none;
}

template <>
IClock& SeamStandIn<IClock>() {
  return SystemClock();
}

IClock& SystemClock() {
  static SteadyClock steady;
  return steady;
}

}  // namespace CVFirmwareLoader
