#include "platform/windows/WinMmMidiOutput.h"

#include <algorithm>
#include <iterator>

namespace CVFirmwareLoader {

namespace {

int ErrorOf(MMRESULT result) {
  return static_cast<int>(result);
}

}  // namespace

WinMmMidiOutput::~WinMmMidiOutput() {
  if (device_ == nullptr) return;
  // The reset hands back a message the driver still holds, so that it can be released and the
  // device closed before the bytes go.
  midiOutReset(device_);
  if (prepared_) midiOutUnprepareHeader(device_, &header_, sizeof header_);
  midiOutClose(device_);
}

unsigned WinMmMidiOutput::PortCount() {
  return midiOutGetNumDevs();
}

std::optional<std::string> WinMmMidiOutput::PortName(unsigned index) {
  MIDIOUTCAPSW caps{};
  if (midiOutGetDevCapsW(index, &caps, sizeof caps) != MMSYSERR_NOERROR) return std::nullopt;
  // A name that fills the field has no zero after it.
  const WCHAR* units = caps.szPname;
  const WCHAR* end = std::find(units, units + MAXPNAMELEN, L'\0');
  std::string name;
  std::transform(units, end, std::back_inserter(name),
                 [](WCHAR unit) { return static_cast<char>(unit & 0xFF); });
  return name;
}

int WinMmMidiOutput::Open(unsigned index) {
  if (device_ != nullptr) return ErrorOf(MMSYSERR_ALLOCATED);
  HMIDIOUT device = nullptr;
  const MMRESULT result = midiOutOpen(&device, index, 0, 0, CALLBACK_NULL);
  if (result == MMSYSERR_NOERROR) device_ = device;
  return ErrorOf(result);
}

int WinMmMidiOutput::PrepareSystemExclusive(std::span<const uint8_t> message) {
  if (device_ == nullptr) return ErrorOf(MMSYSERR_INVALHANDLE);
  if (prepared_) return ErrorOf(MMSYSERR_ALLOCATED);
  if (message.size() > MAXDWORD) return ErrorOf(MMSYSERR_INVALPARAM);
  bytes_.assign(message.begin(), message.end());
  header_ = MIDIHDR{};
  header_.lpData = bytes_.data();
  header_.dwBufferLength = static_cast<DWORD>(bytes_.size());
  header_.dwBytesRecorded = header_.dwBufferLength;
  const MMRESULT result = midiOutPrepareHeader(device_, &header_, sizeof header_);
  prepared_ = result == MMSYSERR_NOERROR;
  return ErrorOf(result);
}

int WinMmMidiOutput::SendSystemExclusive() {
  if (!prepared_) return ErrorOf(MIDIERR_UNPREPARED);
  return ErrorOf(midiOutLongMsg(device_, &header_, sizeof header_));
}

int WinMmMidiOutput::UnprepareSystemExclusive() {
  if (!prepared_) return ErrorOf(MIDIERR_UNPREPARED);
  const MMRESULT result = midiOutUnprepareHeader(device_, &header_, sizeof header_);
  prepared_ = result != MMSYSERR_NOERROR;
  return ErrorOf(result);
}

int WinMmMidiOutput::Reset() {
  if (device_ == nullptr) return ErrorOf(MMSYSERR_INVALHANDLE);
  return ErrorOf(midiOutReset(device_));
}

int WinMmMidiOutput::Close() {
  if (device_ == nullptr) return ErrorOf(MMSYSERR_INVALHANDLE);
  const MMRESULT result = midiOutClose(device_);
  if (result != MMSYSERR_NOERROR) return ErrorOf(result);
  // A message still readied went with the device.
  device_ = nullptr;
  prepared_ = false;
  return 0;
}

}  // namespace CVFirmwareLoader
