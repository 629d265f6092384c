#include "MidiOutput.h"

namespace CVFirmwareLoader {

namespace {

// The number the Linux output reports when a system has no MIDI ports (its library's "no devices
// found"), so that a program with no output installed writes the same line as one on a machine
// without MIDI.
constexpr int kNoPorts = 3;

class NoMidiOutput final : public IMidiOutput {
 public:
  unsigned PortCount() override { return 0; }
  std::optional<std::string> PortName(unsigned) override { return std::nullopt; }
  int Open(unsigned) override { return kNoPorts; }
  int PrepareSystemExclusive(std::span<const uint8_t>) override { return kNoPorts; }
  int SendSystemExclusive() override { return kNoPorts; }
  int UnprepareSystemExclusive() override { return kNoPorts; }
  int Reset() override { return kNoPorts; }
  int Close() override { return kNoPorts; }
};

}  // namespace

template <>
IMidiOutput& SeamStandIn<IMidiOutput>() {
  static NoMidiOutput none;
  return none;
}

}  // namespace CVFirmwareLoader
