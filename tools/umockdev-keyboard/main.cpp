// Runs a program against one simulated keyboard that it reaches through the real libusb and
// libudev, then reports what became of the keyboard:
//
//   evarix-sim-keyboard [--firmware 0x1022] [--poll-timeout 10] [--update-mode] [--timeout 600]
//                       -- program [argument...]
//
// The exit code is the program's (128 + the signal when a signal ended it, 127 when it cannot be
// started, 124 when it ran out of time, 2 for a usage error).
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "tools/simkeyboard/SimBus.h"
#include "tools/umockdev-keyboard/Preload.h"
#include "tools/umockdev-keyboard/UmockdevBus.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kTimedOut = 124;

struct Options {
  EvarixSim::KeyboardConfig keyboard{};
  std::chrono::seconds timeout{600};
  std::vector<std::string> command{};
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: evarix-sim-keyboard [--firmware 0xVVVV] [--poll-timeout MS] [--update-mode]"
               " [--timeout SECONDS] -- program [argument...]\n");
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
