// The keyboard's info text and firmware version, and the loader's verdict on them. The input is a
// mode byte (bit 0: the keyboard is in update mode; bit 1: the version is free text), the 96-byte
// info-text reply, then the version: two bytes as the device reads it from its descriptor, or free
// text of one character per byte.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "engine/DriverRequests.h"
#include "engine/HexText.h"
#include "engine/ILoader.h"
#include "engine/Loader.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "support/FakeDevice.h"
#include "support/FakeSystemFacts.h"
#include "support/TestManager.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;

namespace {

EvarixTest::FakeSystemFacts SystemWithAccessRule() {
  EvarixTest::FakeSystemFacts system;
  system.InstallDriverRule(SupportedModelTable[0].driverFilePath);
  return system;
}

// A loader of the shipped image, made where the keyboard's access rule is in place.
struct Judge {
  EvarixTest::FakeSystemFacts system = SystemWithAccessRule();
  ScopedPlatform platform{{nullptr, &system, nullptr}};
  EvarixTest::TestManager manager{&ProgramResources()};
  Loader loader{0, "EvarixFirmwareComparisonFuzzer"};
};

FirmwareCheck Check(Loader& loader, bool updateMode, std::wstring version, std::wstring infoText) {
  auto* keyboard = new EvarixTest::FakeDevice({.updateMode = updateMode,
                                               .firmwareVersion = std::move(version),
                                               .infoText = std::move(infoText)});
  Require(loader.AttachDevice(keyboard), "the loader takes a keyboard");
  const auto check = static_cast<FirmwareCheck>(loader.CheckFirmware());
  loader.DetachDevice(keyboard);
  return check;
}

// A version the device read from its descriptor is always understood.
FirmwareCheck ByVersion(uint16_t version) {
  if (version < Loader::kTargetVersion) return FirmwareCheck::UpdateAvailable;
  if (version > Loader::kTargetVersion) return FirmwareCheck::DeviceNewer;
  return FirmwareCheck::UpToDate;
}

bool IsSurrogate(wchar_t ch) {
  return ch >= 0xD800 && ch <= 0xDFFF;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Judge judge;
  EvarixFuzz::InputReader input({data, size});
  const uint8_t mode = input.Byte();
  const bool updateMode = (mode & 1) != 0;
  const bool freeVersionText = (mode & 2) != 0;
  std::array<uint8_t, kInfoTextReplySize> reply{};
  input.Fill(reply);

  const std::wstring infoText = DriverRequests::DecodeInfoTextReply(reply);
  Require(infoText.size() <= (reply.size() - 2) / 2, "the text fits the reply");
  Require(infoText.find(L'\0') == std::wstring::npos, "the text ends at its first zero");
  Require(std::none_of(infoText.begin(), infoText.end(), IsSurrogate),
          "the text holds characters, not halves of them");

  const uint16_t versionNumber = freeVersionText ? 0 : input.Word();
  const std::wstring version = freeVersionText
                                   ? std::wstring(input.Rest().begin(), input.Rest().end())
                                   : HexText::Version(versionNumber);
  const FirmwareCheck check = Check(judge.loader, updateMode, version, infoText);
  if (updateMode) {
    Require(check == FirmwareCheck::UpdateRequired, "a keyboard in update mode needs the update");
  } else if (!freeVersionText && check != FirmwareCheck::UpdateRequired) {
    Require(check == ByVersion(versionNumber), "the versions decide");
  } else {
    Require(check == FirmwareCheck::NotReady || check == FirmwareCheck::UpdateRequired ||
                check == FirmwareCheck::UpToDate || check == FirmwareCheck::UpdateAvailable ||
                check == FirmwareCheck::DeviceNewer,
            "an attached keyboard gets a verdict on its firmware");
  }
  return 0;
}
