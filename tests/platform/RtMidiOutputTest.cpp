#include "platform/linux/RtMidiOutput.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

// Under the leak checker: libjack, failing to reach a server on a machine where none has ever run,
// leaves Berkeley DB's environment half opened, and that counts as lost at exit.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdb-5.3.so\n";
}

namespace CVFirmwareLoader {
namespace {

// What a user without MIDI meets: RtMidi throws, or finds nothing, while connecting. The output
// must still answer every call, with no ports and a failure for every step.
void ExpectNoPortsAndEveryStepFails(RtMidiOutput& output) {
  const std::array<uint8_t, 3> message{0xF0, 0x7D, 0xF7};
  EXPECT_EQ(output.PortCount(), 0u);
  EXPECT_EQ(output.PortName(0), std::nullopt);
  EXPECT_NE(output.Open(0), 0);
  EXPECT_NE(output.PrepareSystemExclusive(message), 0);
  EXPECT_NE(output.SendSystemExclusive(), 0);
  EXPECT_NE(output.UnprepareSystemExclusive(), 0);
  EXPECT_NE(output.Reset(), 0);
  EXPECT_NE(output.Close(), 0);
}

TEST(RtMidiOutputUnreachable, WithoutAnAlsaSequencer) {
  if (std::filesystem::exists("/dev/snd/seq")) GTEST_SKIP() << "this machine has a sequencer";
  RtMidiOutput output(MidiSystem::Alsa);
  ExpectNoPortsAndEveryStepFails(output);
}

TEST(RtMidiOutputUnreachable, WithoutAJackServer) {
  if (!RtMidiOutput::Supports(MidiSystem::Jack)) GTEST_SKIP() << "RtMidi here has no JACK";
  // A server name nobody runs; RtMidi never starts a server itself.
  const std::string name = "evarix-no-server-" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  {
    RtMidiOutput output(MidiSystem::Jack);
    ExpectNoPortsAndEveryStepFails(output);
  }
  unsetenv("JACK_DEFAULT_SERVER");
}

}  // namespace
}  // namespace CVFirmwareLoader
