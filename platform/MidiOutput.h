#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/Seam.h"

namespace CVFirmwareLoader {

// The system's MIDI output ports: listed by name, one opened at a time. Error values are the
// system's own numbers, carried into diagnostic lines as they are. Implementations never throw.
class IMidiOutput {
 public:
  virtual ~IMidiOutput() = default;

  // How many output ports the system offers now; indexes run from 0 to one below this.
  virtual unsigned PortCount() = 0;
  // The port's name as the system spells it (UTF-8 on Linux); nothing when its capabilities
  // cannot be read, which includes an index that names no port.
  virtual std::optional<std::string> PortName(unsigned index) = 0;
  // Each returns 0 on success, else a non-zero error number. Open fails when the index names no
  // port (with no ports at all, every index fails) or a port is already open; sending and closing
  // fail when no port is open. A port still open when the object is destroyed is closed then.
  virtual int Open(unsigned index) = 0;
  // One complete System Exclusive message, from its 0xF0 up to and including its 0xF7.
  virtual int SendSystemExclusive(std::span<const uint8_t> message) = 0;
  virtual int Close() = 0;
};

// Its stand-in has no ports.
template <>
IMidiOutput& SeamStandIn<IMidiOutput>();

// The MIDI output the program uses.
inline IMidiOutput& MidiOutput() {
  return Seam<IMidiOutput>::Get();
}

using ScopedMidiOutput = ScopedSeam<IMidiOutput>;

}  // namespace CVFirmwareLoader
