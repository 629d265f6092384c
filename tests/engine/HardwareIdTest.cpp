#include <gtest/gtest.h>

#include "engine/DeviceWin.h"

using namespace CVFirmwareLoader;

namespace {

struct HardwareIdCase {
  const wchar_t* hardwareId;
  bool parses;
  const wchar_t* vendor;
  const wchar_t* product;
};

class HardwareIdTest : public testing::TestWithParam<HardwareIdCase> {};

TEST_P(HardwareIdTest, Parses) {
  const HardwareIdCase& c = GetParam();
  std::wstring vendor;
  std::wstring product;
  ASSERT_EQ(DeviceWin::ParseHardwareId(c.hardwareId, vendor, product), c.parses);
  if (c.parses) {
    EXPECT_EQ(vendor, c.vendor);
    EXPECT_EQ(product, c.product);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HardwareIdTest,
    testing::Values(HardwareIdCase{L"usb\\vid_1a2b&pid_3c4d&rev_0100", true, L"1A2B", L"3C4D"},
                    HardwareIdCase{L"USB\\VID_1A2B&PID_3C4D", true, L"1A2B", L"3C4D"},
                    HardwareIdCase{L"USB\\PID_3C4D&VID_1A2B", true, L"1A2B", L"3C4D"},
                    HardwareIdCase{L"USB\\VID_1A2B&PID_3C", true, L"1A2B", L"3C"},
                    HardwareIdCase{L"HID\\VID_1A2B&PID_3C4D", false, nullptr, nullptr},
                    HardwareIdCase{L"XUSB\\VID_1A2B&PID_3C4D", false, nullptr, nullptr},
                    HardwareIdCase{L"USB\\VID_1A2B", false, nullptr, nullptr},
                    HardwareIdCase{L"", false, nullptr, nullptr}));

TEST(SupportedModelTest, EitherModeOfTheKeyboardIsSupported) {
  const std::wstring vendor = VendorIdText;
  const std::wstring application = SupportedModelTable[0].applicationProductId;
  const std::wstring update = SupportedModelTable[0].updateModeProductId;
  EXPECT_TRUE(
      DeviceWin::IsSupported(L"USB\\VID_" + vendor + L"&PID_" + application + L"&REV_1022"));
  EXPECT_TRUE(DeviceWin::IsSupported(L"usb\\vid_" + vendor + L"&pid_" + update));
  EXPECT_FALSE(DeviceWin::IsSupported(L"USB\\VID_" + vendor + L"&PID_7777"));
  EXPECT_FALSE(DeviceWin::IsSupported(L"USB\\VID_FFFF&PID_" + application));
  EXPECT_FALSE(DeviceWin::IsSupported(L"USB\\VID_" + vendor + L"&PID_" + application.substr(0, 2)));
  // Nothing is built, and nothing sent, for a keyboard that is not supported.
  EXPECT_EQ(DeviceWin::Create(L"/dev/bus/usb/001/002", L"USB\\VID_FFFF&PID_" + application, L"usb"),
            nullptr);
}

}  // namespace
