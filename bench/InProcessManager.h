#pragma once

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "engine/Manager.h"
#include "platform/ProgramResources.h"
#include "tools/simkeyboard/SimBus.h"

namespace CVFirmwareLoader {

// The manager the platform would be, enumerating the simulated bus directly. Bus changes are
// heard on the thread that made them, often the download's own, so refreshes run on a thread of
// their own as the notification thread's do.
class InProcessManager final : public Manager {
 public:
  explicit InProcessManager(EvarixSim::SimBus& bus) : bus_(bus) {
    moduleInstance = &ProgramResources();
    SetInstance(this);
    listener_ = bus_.AddListener([this](const EvarixSim::BusChange&) { RequestRefresh(); });
    refresher_ = std::thread([this] { RefreshUntilStopped(); });
  }
  ~InProcessManager() override {
    bus_.RemoveListener(listener_);
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    refresher_.join();
    SetInstance(nullptr);
  }

  void EnumerateDevices(std::set<std::wstring>& presentPaths,
                        std::set<Device*>& newDevices) override {
    for (const EvarixSim::PresentDevice& device : bus_.Present()) {
      ProcessPresentDevice(
          device.path, device.hardwareId, [&] { return device.serviceName; }, presentPaths,
          newDevices);
    }
  }
  void RequestRefresh() override {
    {
      std::lock_guard lock(mutex_);
      pending_ = true;
    }
    wake_.notify_one();
  }

 private:
  void RefreshUntilStopped() {
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait(lock, [this] { return pending_ || stopping_; });
      if (stopping_) return;
      pending_ = false;
      lock.unlock();
      Refresh();
      lock.lock();
    }
  }

  EvarixSim::SimBus& bus_;
  int listener_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool pending_ = false;
  bool stopping_ = false;
  std::thread refresher_;
};

}  // namespace CVFirmwareLoader
