// A hardware ID as the system reports it for a device, one character per input byte.
#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/DeviceWin.h"
#include "engine/SupportedModel.h"
#include "fuzz/FuzzSupport.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;

namespace {

wchar_t SwapAsciiCase(wchar_t ch) {
  if (ch >= L'a' && ch <= L'z') return static_cast<wchar_t>(ch - L'a' + L'A');
  if (ch >= L'A' && ch <= L'Z') return static_cast<wchar_t>(ch - L'A' + L'a');
  return ch;
}

bool HasLowerCaseAscii(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t ch) { return ch >= L'a' && ch <= L'z'; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring hardwareId(data, data + size);
  std::wstring swapped = hardwareId;
  std::transform(swapped.begin(), swapped.end(), swapped.begin(), SwapAsciiCase);

  std::wstring vendor;
  std::wstring product;
  const bool parsed = DeviceWin::ParseHardwareId(hardwareId, vendor, product);
  std::wstring swappedVendor;
  std::wstring swappedProduct;
  Require(DeviceWin::ParseHardwareId(swapped, swappedVendor, swappedProduct) == parsed &&
              swappedVendor == vendor && swappedProduct == product,
          "hardware IDs are read without regard to ASCII case");
  if (parsed) {
    Require(vendor.size() <= 4 && product.size() <= 4, "IDs are at most four digits");
    Require(!HasLowerCaseAscii(vendor) && !HasLowerCaseAscii(product), "IDs come upper-case");
  }

  const bool supported = DeviceWin::IsSupported(hardwareId);
  Require(DeviceWin::IsSupported(swapped) == supported, "support does not depend on case");
  Require(!supported || (parsed && vendor == VendorIdText), "only our vendor's keyboards count");
  return 0;
}
