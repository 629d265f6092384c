// A keyboard's answers while the device for it is built: a mode byte (bit 0: the keyboard shows up
// in update mode), then whatever the driver answers the identity requests and a detach with (see
// ScriptedTransport).
#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <memory>
#include <string>

#include "engine/DeviceWin.h"
#include "engine/EResult.h"
#include "engine/SupportedModel.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Platform.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;

namespace {

std::wstring HardwareId(bool updateMode) {
  const SupportedModel& model = SupportedModelTable[0];
  return std::wstring(L"USB\\VID_") + VendorIdText + L"&PID_" +
         (updateMode ? model.updateModeProductId : model.applicationProductId);
}

bool IsVersionText(const std::wstring& text) {
  return text.size() == 6 && text.starts_with(L"0x") &&
         std::all_of(text.begin() + 2, text.end(),
                     [](wchar_t ch) { return std::iswxdigit(ch) && !std::iswlower(ch); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EvarixFuzz::InputReader input({data, size});
  const bool updateMode = (input.Byte() & 1) != 0;
  EvarixFuzz::ScriptedTransport transport(input);
  const ScopedPlatform platform({&transport, nullptr, nullptr});

  const std::unique_ptr<DeviceWin> device(
      DeviceWin::Create(L"/dev/bus/usb/001/002", HardwareId(updateMode), L"usb"));
  const size_t identityRequests = updateMode ? 2 : 3;
  const bool allAnswered = transport.exchanges.size() == identityRequests &&
                           std::all_of(transport.exchanges.begin(), transport.exchanges.end(),
                                       [](const auto& exchange) { return exchange.accepted; });
  Require((device != nullptr) == allAnswered, "a device is built when the keyboard answers all");
  if (device == nullptr) return 0;

  Require(device->IsInUpdateMode() == updateMode, "the mode is the one the keyboard shows");
  Require(IsVersionText(device->GetFirmwareVersion()), "the version is 0x and four digits");
  Require(device->GetInfoText().size() <= (kInfoTextReplySize - 2) / 2, "the text fits the reply");
  const int detached = device->EnterUpdateMode();
  // The detach, and the reset that a keyboard without bitWillDetach waits for.
  const auto detach = transport.exchanges.begin() + static_cast<std::ptrdiff_t>(identityRequests);
  const bool taken = transport.exchanges.size() > identityRequests &&
                     std::all_of(detach, transport.exchanges.end(),
                                 [](const auto& exchange) { return exchange.accepted; });
  Require(detached == eSuccess || detached == eDeviceError, "a detach succeeds or fails with -70");
  Require(detached != eSuccess || taken, "a detach succeeds only when the driver takes all of it");
  Require(taken || detached == eDeviceError, "a detach the driver refuses fails");
  return 0;
}
