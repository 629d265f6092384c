#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/MidiOutput.h"

class RtMidiOut;

namespace CVFirmwareLoader {

class JackWatch;

// The Linux services a MIDI output can go through.
enum class MidiSystem {
  Alsa,  // the ALSA sequencer: the keyboard's USB MIDI ports appear here without anything else
  Jack,  // a running JACK server, for setups that route MIDI through JACK
};

// MIDI output through RtMidi. An error number is the value of RtMidi's error type for the failure;
// a failure RtMidi reports only as a warning (type 0) reads as its "unspecified" error, so that no
// failure looks like success. Nothing is thrown. Through JACK, opening returns once the server
// has put the connection into effect, and closing once what was sent has reached the other port.
// Only while connecting may RtMidi, ALSA or JACK complain on standard error, before there is anyone
// to hand the complaint to.
class RtMidiOutput final : public IMidiOutput {
 public:
  // Connects to the system at once. A system that cannot be reached (no sequencer device, no JACK
  // server, or not built into RtMidi here) leaves an output with no ports, whose Open fails with
  // the number of what went wrong.
  explicit RtMidiOutput(MidiSystem system = MidiSystem::Alsa,
                        const std::string& clientName = "Evarix Firmware Updater");
  ~RtMidiOutput() override;
  RtMidiOutput(const RtMidiOutput&) = delete;
  RtMidiOutput& operator=(const RtMidiOutput&) = delete;

  // Whether the RtMidi on this machine was built with the system.
  static bool Supports(MidiSystem system);
  // The system a keyboard's ports are to be found in here: the ALSA sequencer when the machine
  // has one, else JACK (a machine without sound hardware may still route MIDI through JACK).
  static MidiSystem SystemOfThisMachine();

  unsigned PortCount() override;
  std::optional<std::string> PortName(unsigned index) override;
  int Open(unsigned index) override;
  // RtMidi has no buffer to ready and keeps nothing queued: a message is readied by keeping a copy
  // of it, released by dropping the copy, and a reset has nothing to stop.
  int PrepareSystemExclusive(std::span<const uint8_t> message) override;
  int SendSystemExclusive() override;
  int UnprepareSystemExclusive() override;
  int Reset() override;
  int Close() override;

 private:
  int ClosePort();

  MidiSystem system_;
  std::string clientName_;
  std::unique_ptr<RtMidiOut> midi_;
  std::unique_ptr<JackWatch> jack_;  // while a port is open through JACK
  std::vector<uint8_t> prepared_;    // the readied message; empty when none is
  int unreachable_ = 0;              // why midi_ is missing
  int reported_ = 0;  // the failure RtMidi reported to us during the current call, or 0
  bool open_ = false;
};

}  // namespace CVFirmwareLoader
