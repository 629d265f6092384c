// A hundred updates in a row through the real platform, with the simulated keyboard below libusb
// and libudev, and what the process holds after the first and after the last: resident memory,
// the heap in use, open descriptors and threads. Before every update the keyboard is given its old
// firmware again and plugged in again, so every update changes its version by writing the whole
// image.
//
//   soak_bench [--in-process] [updates]      (default 100)
//
// With --in-process the keyboard is reached through the in-process adapter instead of umockdev,
// which tells what the emulation of the kernel's interface holds from what the updater does.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "bench/InProcessManager.h"
#include "engine/ILoader.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/ManagerWin.h"
#include "tools/simkeyboard/SimBus.h"
#include "tools/simkeyboard/SimTransport.h"
#include "tools/umockdev-keyboard/Preload.h"
#include "tools/umockdev-keyboard/UmockdevBus.h"

using namespace CVFirmwareLoader;
using namespace std::chrono_literals;

namespace {

constexpr int kDefaultUpdates = 100;
constexpr uint16_t kOldFirmware = 0x1022;
constexpr uint16_t kNewFirmware = 0x1023;

struct Holdings {
  long residentKiB = 0;
  // What is allocated and not freed. Resident memory also counts what the allocator keeps of
  // freed memory, so this is what tells a leak from fragmentation.
  size_t heapKiB = 0;
  long descriptors = 0;
  long threads = 0;
};

long Entries(const char* folder) {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

Holdings Now() {
  const struct mallinfo2 heap = mallinfo2();
  Holdings holdings{.heapKiB = (heap.uordblks + heap.hblkhd) / 1024,
                    .descriptors = Entries("/proc/self/fd"),
                    .threads = Entries("/proc/self/task")};
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) holdings.residentKiB = std::stol(line.substr(6));
  }
  return holdings;
}

void Print(int update, const Holdings& holdings) {
  std::printf(
      "after update %3d: resident %6ld KiB, heap in use %6zu KiB, %3ld descriptors, %2ld threads\n",
      update, holdings.residentKiB, holdings.heapKiB, holdings.descriptors, holdings.threads);
}

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

size_t BlocksReceived(const EvarixSim::SimKeyboard& keyboard) {
  size_t blocks = 0;
  for (const EvarixSim::LoggedRequest& request : keyboard.Requests()) {
    if (request.kind == EvarixSim::RequestKind::Download && !request.data.empty()) ++blocks;
  }
  return blocks;
}

// One whole update: started, written, and the keyboard back up to date.
bool Update(ILoader& loader) {
  int percent = 0;
  int secondsLeft = 0;
  return loader.StartUpdate(L"0x1023") == 0 && WaitFor([&] {
           return loader.GetProgress(percent, secondsLeft) !=
                  static_cast<int>(UpdateStatus::Running);
         }) &&
         loader.GetProgress(percent, secondsLeft) == static_cast<int>(UpdateStatus::Succeeded) &&
         WaitFor(
             [&] { return loader.CheckFirmware() == static_cast<int>(FirmwareCheck::UpToDate); });
}

// Puts the old firmware back on the keyboard and plugs it in again, so that the next update has
// a version to change and is seen to write.
bool Downgrade(EvarixSim::SimBus& bus, EvarixSim::SimKeyboard& keyboard, ILoader& loader) {
  keyboard.ReplaceFirmware(kOldFirmware);
  bus.Unplug(keyboard);
  bus.Replug(keyboard);
  return WaitFor(
      [&] { return loader.CheckFirmware() == static_cast<int>(FirmwareCheck::UpdateAvailable); });
}

// Runs the updates and prints what the process holds after the first and the last.
int Soak(Manager& manager, EvarixSim::SimBus& bus, EvarixSim::SimKeyboard& keyboard, int updates) {
  ILoader* loader = manager.CreateLoader(0);
  const auto start = std::chrono::steady_clock::now();
  size_t blocks = 0;
  for (int update = 1; update <= updates; ++update) {
    keyboard.ClearRequests();  // the keyboard's log is the simulation's memory, not ours
    if (!Downgrade(bus, keyboard, *loader)) {
      std::fprintf(stderr, "soak_bench: the keyboard was not offered update %d\n", update);
      return 1;
    }
    if (!Update(*loader) || keyboard.FirmwareVersion() != kNewFirmware) {
      std::fprintf(stderr, "soak_bench: update %d failed\n", update);
      return 1;
    }
    blocks += BlocksReceived(keyboard);
    if (update == 1 || update == updates) Print(update, Now());
  }
  std::printf("%d updates from 0x%04X to 0x%04X in %.1f s, %zu blocks written in all\n", updates,
              kOldFirmware, kNewFirmware,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              blocks);
  manager.DestroyLoader(loader);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool inProcess = argc > 1 && std::strcmp(argv[1], "--in-process") == 0;
  const int first = inProcess ? 2 : 1;
  const int updates = argc > first ? std::max(1, std::atoi(argv[first])) : kDefaultUpdates;
  const EvarixSim::KeyboardConfig config{
      .firmwareVersion = kOldFirmware, .transferSize = 1024, .pollTimeoutMs = 0};
  EvarixSim::SimBus bus;
  if (inProcess) {
    EvarixSim::SimTransport transport(bus);
    LinuxSystemFacts systemFacts;
    ScopedPlatform platform({&transport, &systemFacts, nullptr});
    InProcessManager manager(bus);
    return Soak(manager, bus, bus.Plug(config), updates);
  }
  EvarixSim::Preload::ReexecUnderPreload();
  if (!EvarixSim::Preload::IsActive()) {
    std::fprintf(stderr, "soak_bench: %s\n", EvarixSim::Preload::WhyInactive().c_str());
    return 1;
  }
  EvarixSim::UmockdevBus umockdev(bus);
  ManagerWin manager;
  return Soak(manager, bus, bus.Plug(config), updates);
}
