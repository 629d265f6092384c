#include "app/SendUpdateDoneMessage.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/Diagnostics.h"
#include "platform/MidiOutput.h"

namespace {

using CVFirmwareLoader::IMidiOutput;

// Our System Exclusive manufacturer ID. The three-byte form 00 00 00 is held by no maker (the
// registry's three-byte IDs start at 00 00 01), so no other maker's device takes the message for
// one of its own; the keyboard's firmware, which is ours too, listens for exactly these bytes.
constexpr std::array<uint8_t, 3> kManufacturerId{0x00, 0x00, 0x00};

// The keyboard takes this as "your firmware has just been replaced".
constexpr std::array<uint8_t, 11> kUpdateDoneMessage{
    0xF0,  // System Exclusive start
    kManufacturerId[0],
    kManufacturerId[1],
    kManufacturerId[2],
    0x22,
    0x7F,
    0x06,
    0x04,
    0x00,
    0x01,
    0xF7,  // End of Exclusive
};

// The last port whose name contains the wanted text; port 0 when none does, whatever port 0 is.
// A name is compared up to its first zero, as the system's fixed-size name fields are.
unsigned ChoosePort(IMidiOutput& output, std::string_view wanted) {
  unsigned chosen = 0;
  const unsigned count = output.PortCount();
  for (unsigned index = 0; index < count; ++index) {
    const std::optional<std::string> name = output.PortName(index);
    if (name && std::string_view(name->c_str()).find(wanted) != std::string_view::npos) {
      chosen = index;
    }
  }
  return chosen;
}

// One step of the sending, named after the Windows multimedia call it stands for, so that logs
// read the same on every platform, whatever MIDI service sent the message.
struct Step {
  std::string_view call;
  std::function<int()> take;
};

}  // namespace

int SendUpdateDoneMessage(const char* portName) {
  IMidiOutput& output = CVFirmwareLoader::MidiOutput();
  // A missing name is taken as the empty one, which every port's name contains.
  const unsigned port = ChoosePort(output, portName != nullptr ? portName : "");

  const Step steps[] = {
      {"midiOutOpen", [&] { return output.Open(port); }},
      {"midiOutPrepareHeader", [&] { return output.PrepareSystemExclusive(kUpdateDoneMessage); }},
      {"midiOutLongMsg", [&] { return output.SendSystemExclusive(); }},
      {"midiOutUnprepareHeader", [&] { return output.UnprepareSystemExclusive(); }},
      {"midiOutReset", [&] { return output.Reset(); }},
      {"midiOutClose", [&] { return output.Close(); }},
  };
  // A step is taken only when the one before succeeded. After a failure the port is left as it
  // is: the program ends right afterwards, and the output closes it then.
  for (const Step& step : steps) {
    if (const int error = step.take(); error != 0) {
      CVFirmwareLoader::Diagnostics::TextLine(
          stdout, std::string(step.call) + ":: error=" + std::to_string(error));
      return -1;
    }
  }
  return 0;
}
