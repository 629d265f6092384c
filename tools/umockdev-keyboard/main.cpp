// Runs a program against one simulated keyboard that it reaches through the real libusb and
// libudev, then reports what became of the keyboard:
//
//   evarix-sim-keyboard [--firmware 0x1022] [--poll-timeout 10] [--transfer-size 64]
//                       [--update-mode] [--timeout 600]
//                       [--unplug-at-block N [--replug-after-ms 2000]] -- program [argument...]
//
// With --unplug-at-block the cable comes out while download block N arrives, and goes back in a
// while later: the keyboard powers up as what it then holds allows, with no fault left.
//
// The exit code is the program's (128 + the signal when a signal ended it, 127 when it cannot be
// started, 124 when it ran out of time, 2 for a usage error).
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/simkeyboard/SimBus.h"
#include "tools/umockdev-keyboard/Preload.h"
#include "tools/umockdev-keyboard/UmockdevBus.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kTimedOut = 124;

struct Options {
  EvarixSim::KeyboardConfig keyboard{};
  std::optional<uint16_t> unplugAtBlock{};
  std::chrono::milliseconds replugAfter{2000};
  std::chrono::seconds timeout{600};
  std::vector<std::string> command{};
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: evarix-sim-keyboard [--firmware 0xVVVV] [--poll-timeout MS]"
               " [--transfer-size BYTES] [--update-mode] [--timeout SECONDS]"
               " [--unplug-at-block N [--replug-after-ms MS]]"
               " -- program [argument...]\n");
}

std::optional<unsigned long> Number(const char* text, unsigned long most) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text, &end, 0);
  if (errno != 0 || *end != '\0' || value > most) return std::nullopt;
  return value;
}

bool ParseOption(int& i, int argc, char** argv, Options& options) {
  const std::string option = argv[i];
  if (option == "--update-mode") {
    options.keyboard.mode = EvarixSim::Mode::Update;
    return true;
  }
  const char* value = i + 1 < argc ? argv[++i] : nullptr;
  if (option == "--firmware") {
    const auto version = Number(value, 0xFFFF);
    if (version) options.keyboard.firmwareVersion = static_cast<uint16_t>(*version);
    return version.has_value();
  }
  if (option == "--poll-timeout") {
    const auto milliseconds = Number(value, 0xFFFFFF);
    if (milliseconds) options.keyboard.pollTimeoutMs = static_cast<uint32_t>(*milliseconds);
    return milliseconds.has_value();
  }
  if (option == "--transfer-size") {
    const auto bytes = Number(value, 0xFFFF);
    if (bytes) options.keyboard.transferSize = static_cast<uint16_t>(*bytes);
    return bytes.has_value();
  }
  if (option == "--unplug-at-block") {
    const auto block = Number(value, 0xFFFF);
    if (block) options.unplugAtBlock = static_cast<uint16_t>(*block);
    return block.has_value();
  }
  if (option == "--replug-after-ms") {
    const auto milliseconds = Number(value, 3600 * 1000);
    if (milliseconds) options.replugAfter = std::chrono::milliseconds(*milliseconds);
    return milliseconds.has_value();
  }
  if (option == "--timeout") {
    const auto seconds = Number(value, 24 * 3600);
    if (seconds) options.timeout = std::chrono::seconds(*seconds);
    return seconds.has_value();
  }
  return false;
}

std::optional<Options> Parse(int argc, char** argv) {
  Options options;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (!ParseOption(i, argc, argv, options)) return std::nullopt;
  }
  for (++i; i < argc; ++i) options.command.emplace_back(argv[i]);
  if (options.command.empty()) return std::nullopt;
  return options;
}

// Puts the keyboard back in a while after its cable came out, as a person who pulled it would
// once the program had told them the update failed. It has lost power, so the fault that pulled it
// is gone and it starts as what it holds allows: in update mode when a download had begun.
class Replugger {
 public:
  Replugger(EvarixSim::SimBus& bus, EvarixSim::SimKeyboard& keyboard,
            std::chrono::milliseconds pause)
      : bus_(bus), keyboard_(keyboard), pause_(pause), signals_(std::make_shared<Signals>()) {
    // The bus may call a listener once more after its removal: it keeps what it touches alive.
    listener_ = bus_.AddListener([signals = signals_](const EvarixSim::BusChange& change) {
      if (change.kind == EvarixSim::BusChange::Kind::Removed) signals->Raise(signals->removal);
    });
    thread_ = std::thread([this] { Run(); });
  }

  ~Replugger() {
    bus_.RemoveListener(listener_);
    signals_->Raise(signals_->stopping);
    thread_.join();
  }

  Replugger(const Replugger&) = delete;
  Replugger& operator=(const Replugger&) = delete;

 private:
  struct Signals {
    std::mutex mutex;
    std::condition_variable raised;
    bool removal = false;
    bool stopping = false;

    void Raise(bool& flag) {
      {
        std::lock_guard lock(mutex);
        flag = true;
      }
      raised.notify_all();
    }
  };

  // False when it is time to stop.
  bool AwaitRemoval() {
    std::unique_lock lock(signals_->mutex);
    signals_->raised.wait(lock, [this] { return signals_->removal || signals_->stopping; });
    signals_->removal = false;
    return !signals_->stopping;
  }

  void Run() {
    // A keyboard going into update mode leaves too, but it is back before anyone hears of it.
    do {
      if (!AwaitRemoval()) return;
    } while (bus_.AppearanceOf(keyboard_));
    {
      std::unique_lock lock(signals_->mutex);
      if (signals_->raised.wait_for(lock, pause_, [this] { return signals_->stopping; })) return;
    }
    keyboard_.SetFaults({});
    bus_.Replug(keyboard_);
  }

  EvarixSim::SimBus& bus_;
  EvarixSim::SimKeyboard& keyboard_;
  const std::chrono::milliseconds pause_;
  const std::shared_ptr<Signals> signals_;
  int listener_ = 0;
  std::thread thread_;
};

void Report(const EvarixSim::SimKeyboard& keyboard) {
  const bool update = keyboard.CurrentMode() == EvarixSim::Mode::Update;
  std::printf("keyboard: mode=%s firmware=0x%04X image=%s\n", update ? "update" : "application",
              unsigned{keyboard.FirmwareVersion()}, keyboard.FirmwareValid() ? "valid" : "invalid");
  std::fflush(stdout);
}

int Run(const Options& options) {
  EvarixSim::SimBus bus;
  EvarixSim::SimKeyboard& keyboard = bus.Plug(options.keyboard);
  std::optional<EvarixSim::Preload::ChildResult> result;
  {
    EvarixSim::UmockdevBus umockdev(bus);
    // Gone before the testbed, which a late replug would otherwise reach after it has gone.
    std::optional<Replugger> replugger;
    if (options.unplugAtBlock) {
      keyboard.SetFaults({.unplugAtBlock = options.unplugAtBlock});
      replugger.emplace(bus, keyboard, options.replugAfter);
    }
    result = EvarixSim::Preload::RunChild(options.command, options.timeout, false);
  }
  if (!result)
    std::fprintf(stderr, "evarix-sim-keyboard: %s did not finish\n",
                 options.command.front().c_str());
  Report(keyboard);
  return result ? result->exitCode : kTimedOut;
}

}  // namespace

int main(int argc, char** argv) {
  // The testbed's own uevents need the preload library in this process too.
  EvarixSim::Preload::ReexecUnderPreload();
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) {
    PrintUsage();
    return kUsageError;
  }
  try {
    return Run(*options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "evarix-sim-keyboard: %s\n", error.what());
    return kUsageError;
  }
}
