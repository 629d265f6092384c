#pragma once

#include <windows.h>
// After windows.h, which it needs and which leaves it out when lean.
#include <mmsystem.h>

#include <vector>

#include "platform/MidiOutput.h"

namespace CVFirmwareLoader {

// MIDI output through the Windows multimedia library: a device is opened without a callback, and
// each step is its one winmm call, whose MMRESULT is the error number. A step asked for out of
// order is refused before it reaches winmm: MMSYSERR_INVALHANDLE when no device is open,
// MIDIERR_UNPREPARED when no message is readied, MMSYSERR_ALLOCATED for a second device or message.
class WinMmMidiOutput final : public IMidiOutput {
 public:
  WinMmMidiOutput() = default;
  ~WinMmMidiOutput() override;
  // The driver holds on to the header and the bytes while a message is readied.
  WinMmMidiOutput(const WinMmMidiOutput&) = delete;
  WinMmMidiOutput& operator=(const WinMmMidiOutput&) = delete;

  unsigned PortCount() override;
  std::optional<std::string> PortName(unsigned index) override;
  int Open(unsigned index) override;
  int PrepareSystemExclusive(std::span<const uint8_t> message) override;
  int SendSystemExclusive() override;
  int UnprepareSystemExclusive() override;
  int Reset() override;
  int Close() override;

 private:
  HMIDIOUT device_ = nullptr;
  MIDIHDR header_{};
  std::vector<char> bytes_;  // what header_ points at
  bool prepared_ = false;
};

}  // namespace CVFirmwareLoader
