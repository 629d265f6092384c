#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/Seam.h"

namespace CVFirmwareLoader {

// The system's MIDI output ports: listed by name, one opened at a time, and one System Exclusive
// message at a time readied, sent and released on it. Error values are the system's own numbers,
// carried into diagnostic lines as they are. Implementations never throw.
//
// The steps are those of the Windows multimedia library, so that every platform reports the same
// failures; a step the system has no counterpart for succeeds whenever its order is kept.
class IMidiOutput {
 public:
  virtual ~IMidiOutput() = default;

  // How many output ports the system offers now; indexes run from 0 to one below this.
  virtual unsigned PortCount() = 0;
  // The port's name as narrow text, compared byte by byte: UTF-8 on Linux; on Windows the low byte
  // of each UTF-16 unit of the device's product name, up to its first zero. Nothing when its
  // capabilities cannot be read, which includes an index that names no port.
  virtual std::optional<std::string> PortName(unsigned index) = 0;

  // Each step returns 0 on success, else a non-zero error number.
  //
  // Open fails when the index names no port (with no ports at all, every index fails) or a port is
  // already open.
  virtual int Open(unsigned index) = 0;
  // Readies a copy of one complete System Exclusive message, from its 0xF0 up to and including its
  // 0xF7, for the open port. Fails when no port is open or a message is already readied.
  virtual int PrepareSystemExclusive(std::span<const uint8_t> message) = 0;
  // Hands the readied message to the system, which may still be sending it on return. Fails when
  // none is readied.
  virtual int SendSystemExclusive() = 0;
  // Releases the readied message. Fails when none is readied, or while the system is still sending
  // it; then it stays readied.
  virtual int UnprepareSystemExclusive() = 0;
  // Stops whatever the open port is still sending. Fails when no port is open.
  virtual int Reset() = 0;
  // Fails when no port is open, or while the system is still sending a message.
  virtual int Close() = 0;
  // A port still open when the object is destroyed is closed then, and a message still readied is
  // released, whatever of it was not sent yet being dropped.
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
