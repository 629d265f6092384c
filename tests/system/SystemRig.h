#pragma once

// What the tests of the whole system share: one simulated keyboard below the real libusb and
// libudev, the platform's manager and a loader above them, as the program has them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "engine/ILoader.h"
#include "platform/linux/ManagerWin.h"
#include "support/TestLockName.h"
#include "tests/platform/UmockdevKeyboard.h"

namespace EvarixSystemTest {

using namespace std::chrono_literals;

constexpr uint16_t kOldFirmware = 0x1022;
constexpr uint16_t kNewFirmware = 0x1023;
constexpr auto kPatience = 60s;  // for anything the program bounds; far beyond what each takes

// Large blocks keep each update to a second or two through the emulated usbfs.
constexpr EvarixSim::KeyboardConfig kKeyboard{
    .firmwareVersion = kOldFirmware, .transferSize = 1024, .pollTimeoutMs = 0};

inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds patience = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

template <typename Enum>
int AsInt(Enum value) {
  return static_cast<int>(value);
}

// The blocks of the shipped image at the keyboard's transfer size (the suffix's 18 bytes, sent or
// not, never make a block of their own at this size).
struct Blocks {
  uint16_t first = 0;
  uint16_t middle = 0;
  uint16_t last = 0;
};

inline const Blocks kBlocks = [] {
  const auto size = static_cast<uint32_t>(std::filesystem::file_size(EVARIX_IMAGE_PATH));
  const auto last =
      static_cast<uint16_t>((size - 18 + kKeyboard.transferSize - 1) / kKeyboard.transferSize - 1);
  return Blocks{.first = 0, .middle = static_cast<uint16_t>(last / 2), .last = last};
}();

inline std::optional<uint16_t> HighestBlockReceived(const EvarixSim::SimKeyboard& keyboard) {
  std::optional<uint16_t> highest;
  for (const EvarixSim::LoggedRequest& request : keyboard.Requests()) {
    if (request.kind == EvarixSim::RequestKind::Download && !request.data.empty() &&
        !request.failed) {
      highest = std::max<uint16_t>(highest.value_or(0), request.value);
    }
  }
  return highest;
}

inline std::string KeyboardState(const EvarixSim::SimBus& bus,
                                 const EvarixSim::SimKeyboard& keyboard) {
  if (!bus.AppearanceOf(keyboard)) return "unplugged";
  char text[64];
  if (keyboard.CurrentMode() == EvarixSim::Mode::Update) {
    std::snprintf(text, sizeof text, "update mode, %s",
                  keyboard.FirmwareValid() ? "valid" : "no firmware");
  } else {
    std::snprintf(text, sizeof text, "runs 0x%04X", unsigned{keyboard.FirmwareVersion()});
  }
  return text;
}

inline bool IsUpdated(const EvarixSim::SimBus& bus, const EvarixSim::SimKeyboard& keyboard) {
  return bus.AppearanceOf(keyboard) && keyboard.CurrentMode() == EvarixSim::Mode::Application &&
         keyboard.FirmwareValid() && keyboard.FirmwareVersion() == kNewFirmware;
}

class Rig {
 public:
  explicit Rig(const EvarixSim::KeyboardConfig& config,
               const std::string& lockName = EvarixTest::TestLockName())
      : umockdev_(bus_),
        keyboard_(bus_.Plug(config)),
        loader_(manager_.CreateLoader(0, lockName)) {}
  ~Rig() { manager_.DestroyLoader(loader_); }

  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  // Whether the loader comes to offer the keyboard an update.
  bool Offers() {
    return WaitFor([&] {
      const int check = loader_->CheckFirmware();
      return check == AsInt(CVFirmwareLoader::FirmwareCheck::UpdateAvailable) ||
             check == AsInt(CVFirmwareLoader::FirmwareCheck::UpdateRequired);
    });
  }

  bool Ended() {
    int percent = 0;
    int secondsLeft = 0;
    return loader_->GetProgress(percent, secondsLeft) !=
           AsInt(CVFirmwareLoader::UpdateStatus::Running);
  }

  // Starts the update and waits for its end, as the progress page does.
  CVFirmwareLoader::UpdateStatus UpdateOnce() {
    if (loader_->StartUpdate(loader_->GetImageVersions().front()) != 0) {
      return CVFirmwareLoader::UpdateStatus::Failed;
    }
    EXPECT_TRUE(WaitFor([&] { return Ended(); })) << "the update never ended";
    int percent = 0;
    int secondsLeft = 0;
    return static_cast<CVFirmwareLoader::UpdateStatus>(loader_->GetProgress(percent, secondsLeft));
  }

  // The keyboard turned off and on again. It comes back once the loader has let it go: a check
  // made at once would otherwise still answer for the keyboard that left.
  void PowerCycle() {
    bus_.Unplug(keyboard_);
    EXPECT_TRUE(WaitFor([&] {
      return loader_->CheckFirmware() == AsInt(CVFirmwareLoader::FirmwareCheck::NoKeyboard);
    }));
    bus_.Replug(keyboard_);
  }

  EvarixSim::SimBus& Bus() { return bus_; }
  EvarixSim::SimKeyboard& Keyboard() { return keyboard_; }
  CVFirmwareLoader::ILoader& Loader() { return *loader_; }

 protected:
  EvarixSim::SimBus bus_;
  EvarixSim::UmockdevBus umockdev_;  // before the manager's libusb and udev, gone after them
  CVFirmwareLoader::ManagerWin manager_;
  EvarixSim::SimKeyboard& keyboard_;
  CVFirmwareLoader::ILoader* loader_;
};

}  // namespace EvarixSystemTest
