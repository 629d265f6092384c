#include "app/SendUpdateDoneMessage.h"

#include <array>
#include <cstdint>
#include <cstdio>
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

// Each step's line is named after the Windows multimedia call the step stands for, so that logs
// read the same on every platform, whatever MIDI service sent the message.
constexpr std::string_view kOpenStep = "midiOutOpen";
constexpr std::string_view kSendStep = "midiOutLongMsg";
constexpr std::string_view kCloseStep = "midiOutClose";

int StepFailed(std::string_view step, int error) {
  CVFirmwareLoader::Diagnostics::TextLine(stdout,
                                          std::string(step) + ":: error=" + std::to_string(error));
  return -1;
}

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

}  // namespace

int SendUpdateDoneMessage(const char* portName) {
  IMidiOutput& output = CVFirmwareLoader::MidiOutput();
  // A missing name is taken as the empty one, which every port's name contains.
  const unsigned port = ChoosePort(output, portName != nullptr ? portName : "");

  // A step is taken only when the one before succeeded. After a failed send the port is left
  // open: the program ends right afterwards, and ending closes it.
  if (const int error = output.Open(port); error != 0) return StepFailed(kOpenStep, error);
  if (const int error = output.SendSystemExclusive(kUpdateDoneMessage); error != 0) {
    return StepFailed(kSendStep, error);
  }
  if (const int error = output.Close(); error != 0) return StepFailed(kCloseStep, error);
  return 0;
}
