#include "platform/windows/WinMmMidiOutput.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "app/SendUpdateDoneMessage.h"

namespace CVFirmwareLoader {
namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// What this machine's winmm offers: under Wine without a sound server, no MIDI output at all.
TEST(WinMmMidiOutput, WithNoOutputDeviceTheOpenFailsWithItsLineAndNothingElseIsTried) {
  WinMmMidiOutput output;
  if (output.PortCount() != 0) GTEST_SKIP() << "this system has MIDI outputs";
  EXPECT_EQ(output.PortName(0), std::nullopt);

  // Every step out of order is refused without reaching the driver with a null device.
  const std::array<uint8_t, 3> message{0xF0, 0x7D, 0xF7};
  EXPECT_EQ(output.PrepareSystemExclusive(message), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(output.SendSystemExclusive(), MIDIERR_UNPREPARED);
  EXPECT_EQ(output.UnprepareSystemExclusive(), MIDIERR_UNPREPARED);
  EXPECT_EQ(output.Reset(), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(output.Close(), MMSYSERR_INVALHANDLE);

  ScopedMidiOutput installed(&output);
  CaptureStdout();
  const int result = SendUpdateDoneMessage("Evarix 25 Quorvel");
  EXPECT_EQ(GetCapturedStdout(),
            "midiOutOpen:: error=" + std::to_string(MMSYSERR_BADDEVICEID) + "\n");
  EXPECT_EQ(result, -1);
}

}  // namespace
}  // namespace CVFirmwareLoader
