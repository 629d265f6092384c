// Writes the shipped image into the simulated keyboard and prints where the time goes: the waits
// the protocol mandates (the keyboard's poll time-outs) against our own overhead per block.
#include <chrono>
#include <cstdio>
#include <memory>

#include "engine/DFUImageResource.h"
#include "engine/DeviceWin.h"
#include "engine/EResult.h"
#include "engine/Manager.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"

using namespace CVFirmwareLoader;

namespace {

// The real clock, adding up every wait asked of it.
class MeasuringClock final : public IClock {
 public:
  uint32_t TickCount() override { return SystemClock().TickCount(); }
  void Sleep(uint32_t ms, const WakeSignal* wake) override {
    mandatedMs += ms;
    SystemClock().Sleep(ms, wake);
  }
  uint64_t mandatedMs = 0;
};

class BenchManager final : public Manager {
 public:
  BenchManager() {
    moduleInstance = &ProgramResources();
    SetInstance(this);
  }
  ~BenchManager() override { SetInstance(nullptr); }
  void EnumerateDevices(std::set<std::wstring>&, std::set<Device*>&) override {}
  void RequestRefresh() override {}
};

class NoTracker final : public Device::ProgressTracker {
 public:
  int OnProgress(int, double) override { return 0; }
};

void Run(uint32_t pollTimeoutMs) {
  EvarixSim::SimBus bus;
  EvarixSim::SimTransport transport(bus);
  MeasuringClock clock;
  ScopedPlatform platform({&transport, nullptr, &clock});
  BenchManager manager;
  EvarixSim::SimKeyboard& keyboard =
      bus.Plug({.mode = EvarixSim::Mode::Update, .pollTimeoutMs = pollTimeoutMs});
  const auto appearance = bus.AppearanceOf(keyboard);
  std::unique_ptr<DeviceWin> device(
      DeviceWin::Create(appearance->path, appearance->hardwareId, appearance->serviceName));
  DFUImageResource image(L"EV3_25_1023-0780");
  NoTracker tracker;

  const auto start = std::chrono::steady_clock::now();
  const int result = device->Download(&image, &tracker);
  const double totalMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const unsigned blocks = image.GetBlockCount();
  std::printf(
      "poll time-out %2u ms: result %d, %u blocks, total %8.1f ms, mandated waits %6llu ms, "
      "overhead %.3f ms per block\n",
      pollTimeoutMs, result, blocks, totalMs, static_cast<unsigned long long>(clock.mandatedMs),
      (totalMs - static_cast<double>(clock.mandatedMs)) / blocks);
}

}  // namespace

int main() {
  Run(0);
  Run(5);
  return 0;
}
