// The umockdev keyboard as udev sees it: the sysfs device of each appearance, read with libudev.
#include "tools/umockdev-keyboard/UmockdevBus.h"

#include <gtest/gtest.h>
#include <libudev.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/UmockdevKeyboard.h"
#include "tools/simkeyboard/KeyboardDescriptors.h"

namespace EvarixSim {
namespace {

struct UdevUnref {
  void operator()(udev* context) const { udev_unref(context); }
};
struct EnumerateUnref {
  void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};
struct DeviceUnref {
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
using Device = std::unique_ptr<udev_device, DeviceUnref>;

std::string Text(const char* text) {
  return text != nullptr ? text : "";
}

class UmockdevBusTest : public UmockdevKeyboardTest {
 protected:
  void SetUp() override {
    UmockdevKeyboardTest::SetUp();
    udev_.reset(udev_new());
  }

  void TearDown() override {
    udev_.reset();
    UmockdevKeyboardTest::TearDown();
  }

  // Every USB device in sysfs, as a program enumerating them finds it.
  std::vector<Device> UsbDevices() {
    const std::unique_ptr<udev_enumerate, EnumerateUnref> enumerate(
        udev_enumerate_new(udev_.get()));
    udev_enumerate_add_match_subsystem(enumerate.get(), "usb");
    udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", "usb_device");
    udev_enumerate_scan_devices(enumerate.get());
    std::vector<Device> devices;
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get()); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
      devices.emplace_back(
          udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
    }
    return devices;
  }

  std::optional<Device> DeviceAt(const std::wstring& node) {
    for (Device& device : UsbDevices()) {
      const std::string devnode = Text(udev_device_get_devnode(device.get()));
      if (devnode == std::string(node.begin(), node.end())) return std::move(device);
    }
    return std::nullopt;
  }

  static std::string Attribute(const Device& device, const char* name) {
    return Text(udev_device_get_sysattr_value(device.get(), name));
  }

  std::unique_ptr<udev, UdevUnref> udev_;
};

TEST_F(UmockdevBusTest, ShowsTheKeyboardInSysfsAsTheKernelDoes) {
  const SimKeyboard& keyboard = bus_.Plug({.firmwareVersion = 0x1022});
  const std::optional<Device> device = DeviceAt(PathOf(keyboard));
  ASSERT_TRUE(device);

  EXPECT_EQ(Attribute(*device, "idVendor"), "1209");
  EXPECT_EQ(Attribute(*device, "idProduct"), "0005");
  EXPECT_EQ(Attribute(*device, "bcdDevice"), "1022");
  EXPECT_EQ(Attribute(*device, "busnum"), "1");
  EXPECT_EQ(Attribute(*device, "devnum"), "2");
  EXPECT_EQ(Attribute(*device, "bConfigurationValue"), "1");
  EXPECT_EQ(Attribute(*device, "manufacturer"), "Corvane");
  EXPECT_EQ(Attribute(*device, "product"), "Evarix 25");
  EXPECT_EQ(Text(udev_device_get_property_value(device->get(), "PRODUCT")), "1209/5/1022");
  EXPECT_EQ(Text(udev_device_get_driver(device->get())), "usb");

  // The kernel serves the device descriptor and then each configuration whole.
  std::vector<uint8_t> expected = Descriptors::DeviceDescriptor(0x0005, 0x1022);
  const std::vector<uint8_t> configuration = Descriptors::ApplicationConfiguration(
      {.manifestationTolerant = false, .detachTimeoutMs = 1000, .transferSize = 64});
  expected.insert(expected.end(), configuration.begin(), configuration.end());
  const std::string path = Text(udev_device_get_syspath(device->get())) + "/descriptors";
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> descriptors((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
  EXPECT_EQ(descriptors, expected);

  udev_device* parent =
      udev_device_get_parent_with_subsystem_devtype(device->get(), "usb", "usb_device");
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(Text(udev_device_get_sysname(parent)), "usb1");
}

TEST_F(UmockdevBusTest, AKeyboardThatHidesItsDescriptorsGetsNoDevice) {
  SimKeyboard& keyboard = bus_.Plug();
  keyboard.SetFaults({.failDescriptorReads = true});
  bus_.Unplug(keyboard);
  bus_.Replug(keyboard);

  ASSERT_TRUE(bus_.AppearanceOf(keyboard));
  EXPECT_FALSE(DeviceAt(PathOf(keyboard)).has_value());
  EXPECT_EQ(UsbDevices().size(), 1u);  // the root hub alone
}

}  // namespace
}  // namespace EvarixSim
