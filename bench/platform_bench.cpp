// Figures for the Linux platform, with the simulated keyboard below the real libusb and libudev:
// how soon the manager takes hold of a keyboard that appears, what the kernel's interface costs a
// whole update against the in-process adapter, how our update compares with dfu-util's on the
// same keyboard (time, and control transfers on the bus for each DFU request), and how soon a
// request to a keyboard that has gone fails.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/InProcessManager.h"
#include "engine/DeviceWin.h"
#include "engine/ILoader.h"
#include "engine/Manager.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "platform/linux/LibusbTransport.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/ManagerWin.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"
#include "tools/umockdev-keyboard/Preload.h"
#include "tools/umockdev-keyboard/UmockdevBus.h"

using namespace CVFirmwareLoader;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kAppearances = 50;
constexpr auto kPatience = std::chrono::seconds(120);

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + kPatience;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

bool CheckIs(ILoader& loader, FirmwareCheck expected) {
  return WaitFor([&] { return loader.CheckFirmware() == static_cast<int>(expected); });
}

// Runs an update and waits for the keyboard's return; the milliseconds it took, or a negative
// figure.
double TimedUpdate(ILoader& loader) {
  const auto start = Clock::now();
  if (loader.StartUpdate(L"0x1023") != 0) return -1;
  int percent = 0;
  int secondsLeft = 0;
  const auto ended = [&] {
    return loader.GetProgress(percent, secondsLeft) != static_cast<int>(UpdateStatus::Running);
  };
  if (!WaitFor(ended)) return -1;
  if (loader.GetProgress(percent, secondsLeft) != static_cast<int>(UpdateStatus::Succeeded)) {
    return -1;
  }
  // The update is whole once the keyboard is back, running what it received.
  return CheckIs(loader, FirmwareCheck::UpToDate) ? MillisecondsSince(start) : -1;
}

// The moment the loader last told of a change of state.
std::atomic<Clock::rep> lastStateChange{0};

int RecordStateChange(ILoader*) {
  lastStateChange = Clock::now().time_since_epoch().count();
  return 0;
}

void PrintAppearanceLatency(const EvarixSim::KeyboardConfig& config) {
  EvarixSim::SimBus bus;
  EvarixSim::UmockdevBus umockdev(bus);
  ManagerWin manager;
  EvarixSim::SimKeyboard& keyboard = bus.Plug(config);
  ILoader* loader = manager.CreateLoader(0);
  loader->SetStateCallback(RecordStateChange);
  std::vector<double> latencies;
  const bool found = CheckIs(*loader, FirmwareCheck::UpdateAvailable);
  for (int i = 0; found && i < kAppearances; ++i) {
    bus.Unplug(keyboard);
    if (!CheckIs(*loader, FirmwareCheck::NoKeyboard)) break;
    const auto plugged = Clock::now();
    bus.Replug(keyboard);  // announces the new appearance with its "add" uevent
    if (!CheckIs(*loader, FirmwareCheck::UpdateAvailable)) break;
    const Clock::time_point held{Clock::duration(lastStateChange.load())};
    latencies.push_back(std::chrono::duration<double, std::milli>(held - plugged).count());
  }
  loader->ClearStateCallback();
  manager.DestroyLoader(loader);
  if (latencies.size() != kAppearances) {
    std::printf("appearance to loader: failed after %zu appearances\n", latencies.size());
    return;
  }
  std::sort(latencies.begin(), latencies.end());

  std::printf(
      "appearance (\"add\" uevent) to loader holding the keyboard, %d appearances: "
      "median %.2f ms, worst %.2f ms\n",
      kAppearances, latencies[latencies.size() / 2], latencies.back());
}

// A whole update: how long it took (negative when it failed) and what reached the keyboard.
struct Update {
  double ms = -1;
  size_t controlTransfers = 0;
  size_t dfuRequests = 0;
};

Update Counted(const EvarixSim::SimKeyboard& keyboard, double ms) {
  const auto requests = keyboard.Requests();
  const auto dfuRequests = std::ranges::count_if(requests, [](const EvarixSim::LoggedRequest& r) {
    return r.kind != EvarixSim::RequestKind::PortReset;
  });
  return {ms, keyboard.ControlTransfers(), static_cast<size_t>(dfuRequests)};
}

// One timed update by the loader of a manager that watches the bus the keyboard is plugged into.
Update UpdateThrough(Manager& manager, EvarixSim::SimBus& bus,
                     const EvarixSim::KeyboardConfig& config) {
  const EvarixSim::SimKeyboard& keyboard = bus.Plug(config);
  ILoader* loader = manager.CreateLoader(0);
  const double ms = CheckIs(*loader, FirmwareCheck::UpdateAvailable) ? TimedUpdate(*loader) : -1;
  manager.DestroyLoader(loader);
  return Counted(keyboard, ms);
}

Update UpdateThroughUmockdev(const EvarixSim::KeyboardConfig& config) {
  EvarixSim::SimBus bus;
  EvarixSim::UmockdevBus umockdev(bus);
  ManagerWin manager;
  return UpdateThrough(manager, bus, config);
}

Update UpdateInProcess(const EvarixSim::KeyboardConfig& config) {
  EvarixSim::SimBus bus;
  EvarixSim::SimTransport transport(bus);
  LinuxSystemFacts systemFacts;
  ScopedPlatform platform({&transport, &systemFacts, nullptr});
  InProcessManager manager(bus);
  return UpdateThrough(manager, bus, config);
}

Update UpdateByDfuUtil(const EvarixSim::KeyboardConfig& config) {
  EvarixSim::SimBus bus;
  EvarixSim::UmockdevBus umockdev(bus);
  EvarixSim::SimKeyboard& keyboard = bus.Plug(config);
  const auto start = Clock::now();
  const auto result =
      EvarixSim::Preload::RunChild({"dfu-util", "-D", EVARIX_IMAGE_PATH, "-R"}, kPatience, true);
  const double ms = MillisecondsSince(start);
  // dfu-util calls the re-enumerating reset an error: the keyboard tells whether it worked.
  const bool updated = result && keyboard.FirmwareVersion() == 0x1023 &&
                       keyboard.CurrentMode() == EvarixSim::Mode::Application;
  return Counted(keyboard, updated ? ms : -1);
}

// A keyboard that was built and then unplugged: how soon a request to it fails.
void PrintRequestToAGoneKeyboard(const EvarixSim::KeyboardConfig& config) {
  EvarixSim::SimBus bus;
  EvarixSim::UmockdevBus umockdev(bus);
  const auto transport = LibusbTransport::Create();
  LinuxSystemFacts systemFacts;
  ScopedPlatform platform({transport.get(), &systemFacts, nullptr});
  EvarixSim::SimKeyboard& keyboard = bus.Plug(config);
  const auto appearance = bus.AppearanceOf(keyboard);
  const std::unique_ptr<DeviceWin> device(
      DeviceWin::Create(appearance->path, appearance->hardwareId, appearance->serviceName));
  if (!device) {
    std::printf("request to a keyboard that has gone: the keyboard was not built\n");
    return;
  }
  bus.Unplug(keyboard);
  const auto start = Clock::now();
  const int result = device->EnterUpdateMode();
  std::printf("request to a keyboard that has gone: %d after %.2f ms\n", result,
              MillisecondsSince(start));
}

void PrintUpdate(const char* what, const EvarixSim::KeyboardConfig& config, const Update& update) {
  std::printf(
      "whole update, %u-byte blocks, poll time-out %u ms, %s: %.0f ms%s; %zu control transfers "
      "for %zu DFU requests, %.3f a request\n",
      unsigned{config.transferSize}, config.pollTimeoutMs, what, update.ms,
      update.ms < 0 ? " (failed)" : "", update.controlTransfers, update.dfuRequests,
      update.dfuRequests > 0
          ? static_cast<double>(update.controlTransfers) / static_cast<double>(update.dfuRequests)
          : 0.0);
}

}  // namespace

int main() {
  EvarixSim::Preload::ReexecUnderPreload();
  if (!EvarixSim::Preload::IsActive()) {
    std::fprintf(stderr, "platform_bench: %s\n", EvarixSim::Preload::WhyInactive().c_str());
    return 1;
  }
  const EvarixSim::KeyboardConfig quick{.firmwareVersion = 0x1022, .pollTimeoutMs = 0};
  PrintAppearanceLatency(quick);
  PrintUpdate("through umockdev", quick, UpdateThroughUmockdev(quick));
  PrintUpdate("in-process adapter", quick, UpdateInProcess(quick));

  const EvarixSim::KeyboardConfig paced{.firmwareVersion = 0x1022, .pollTimeoutMs = 5};
  PrintUpdate("our updater through umockdev", paced, UpdateThroughUmockdev(paced));
  PrintUpdate("dfu-util through umockdev", paced, UpdateByDfuUtil(paced));
  PrintRequestToAGoneKeyboard(quick);
  return 0;
}
