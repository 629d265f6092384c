#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "tools/simkeyboard/SimBus.h"
#include "tools/umockdev-keyboard/Preload.h"
#include "tools/umockdev-keyboard/UmockdevBus.h"

namespace EvarixSim {

// The test program runs under umockdev's preload library from its first instruction on, so that
// its tests can put keyboards below the real libusb and libudev.
inline const bool kTestsUnderPreload = (Preload::ReexecUnderPreload(), true);

// Simulated keyboards behind a umockdev testbed. The testbed exists before anything a test makes
// in SetUp and goes after it, as libusb and libudev need.
class UmockdevKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Preload::IsActive()) GTEST_SKIP() << Preload::WhyInactive();
    umockdev_ = std::make_unique<UmockdevBus>(bus_);
  }

  void TearDown() override { umockdev_.reset(); }

  std::wstring PathOf(const SimKeyboard& keyboard) const {
    const std::optional<PresentDevice> appearance = bus_.AppearanceOf(keyboard);
    return appearance ? appearance->path : std::wstring();
  }

  SimBus bus_;
  std::unique_ptr<UmockdevBus> umockdev_;
};

}  // namespace EvarixSim
