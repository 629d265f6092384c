#include <gtest/gtest.h>

#include "engine/DFUImageResource.h"
#include "platform/ProgramResources.h"
#include "support/TestManager.h"

namespace CVFirmwareLoader {
namespace {

TEST(ModuleResourcesTest, TheFirmwareImageIsAResourceOfTheProgramFoundInAnyCase) {
  const IModuleResources& resources = ProgramResources();
  const EmbeddedResource* image = resources.Find(L"dfu", L"ev3_25_1023-0780");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->bytes.size(), 135594u);
  EXPECT_NE(image->bytes.data(), nullptr);
  EXPECT_EQ(resources.Find(L"DFU", L"EV3_25_1023-0780"), image);  // one description, kept
  EXPECT_EQ(resources.Find(L"DFU", L"EV3_25_1023-078"), nullptr);
  EXPECT_EQ(resources.Find(L"DFU", std::wstring_view(L"EV3_25_1023-0780\0", 17)), nullptr);

  EvarixTest::TestManager manager(&resources);
  EXPECT_EQ(DFUImageResource(L"EV3_25_1023-0780").GetVersion(), L"0x1023");
}

}  // namespace
}  // namespace CVFirmwareLoader
