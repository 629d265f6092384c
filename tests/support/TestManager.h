#pragma once

#include <atomic>
#include <functional>
#include <set>
#include <string>

#include "engine/Manager.h"

namespace EvarixTest {

// A manager whose refreshes the test runs itself, standing in for the notification thread.
class TestManager : public CVFirmwareLoader::Manager {
 public:
  using Enumerator = std::function<void(TestManager&, std::set<std::wstring>&,
                                        std::set<CVFirmwareLoader::Device*>&)>;

  explicit TestManager(const CVFirmwareLoader::IModuleResources* resources,
                       Enumerator enumerator = {})
      : enumerator_(std::move(enumerator)) {
    moduleInstance = resources;
    SetInstance(this);
  }
  ~TestManager() override { SetInstance(nullptr); }

  void EnumerateDevices(std::set<std::wstring>& presentPaths,
                        std::set<CVFirmwareLoader::Device*>& newDevices) override {
    if (enumerator_) enumerator_(*this, presentPaths, newDevices);
  }
  void RequestRefresh() override { ++refreshRequests; }

  using Manager::ProcessPresentDevice;

  std::atomic<int> refreshRequests{0};

 private:
  Enumerator enumerator_;
};

}  // namespace EvarixTest
