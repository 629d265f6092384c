#include "engine/DriverCheck.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "support/FakeSystemFacts.h"

using namespace CVFirmwareLoader;

namespace {

class DriverCheckTest : public testing::Test {
 protected:
  void RegisterService(std::wstring imagePath, ServiceValueType type = ServiceValueType::String) {
    system.services[L"evarix"] = {std::move(imagePath), type};
  }
  std::optional<DriverVersion> Query() {
    DriverVersion version;
    if (!DriverCheck::QueryDriverVersion(L"evarix", version)) return std::nullopt;
    return version;
  }

  EvarixTest::FakeSystemFacts system;
  ScopedPlatform platform{{nullptr, &system, nullptr}};
};

TEST_F(DriverCheckTest, OnlyACertainlyAbsentFileCountsAsNotInstalled) {
  const std::wstring path = L"/opt/programs/rule";
  system.files[path] = FileOpenOutcome::Opened;
  EXPECT_TRUE(DriverCheck::IsDriverInstalled(L"/rule"));
  system.files[path] = FileOpenOutcome::OtherFailure;
  EXPECT_TRUE(DriverCheck::IsDriverInstalled(L"/rule"));
  system.files[path] = FileOpenOutcome::NotFound;
  EXPECT_FALSE(DriverCheck::IsDriverInstalled(L"/rule"));
}

TEST_F(DriverCheckTest, VersionComesFromTheFileTheServiceNames) {
  system.separator = L'\\';
  system.systemFolder = L"C:\\Windows";
  system.versions[L"C:\\Windows\\system32\\drivers\\file.sys"] = {1, 0, 0, 2};
  RegisterService(L"system32\\drivers\\file.sys");
  EXPECT_EQ(Query(), (DriverVersion{1, 0, 0, 2}));
  // Stored as it is: a terminator inside the value ends it, variables are not expanded.
  RegisterService(std::wstring(L"system32\\drivers\\file.sys\0junk", 30),
                  ServiceValueType::ExpandableString);
  EXPECT_EQ(Query(), (DriverVersion{1, 0, 0, 2}));
  RegisterService(L"\\SystemRoot\\system32\\drivers\\file.sys");
  EXPECT_EQ(Query(), std::nullopt);
  RegisterService(L"system32\\drivers\\file.sys", ServiceValueType::Other);
  EXPECT_EQ(Query(), std::nullopt);
  RegisterService(L"system32\\drivers\\file.sys");
  system.systemFolder = std::nullopt;
  EXPECT_EQ(Query(), std::nullopt);
  system.services.clear();
  EXPECT_EQ(Query(), std::nullopt);
}

TEST_F(DriverCheckTest, CurrentDriverNeedsMajorOneAndRevisionTwo) {
  const std::pair<DriverVersion, bool> cases[] = {
      {{1, 0, 0, 2}, true},  {{7, 9, 9, 5}, true},  {{0, 9, 9, 9}, false},
      {{1, 5, 0, 1}, false}, {{2, 0, 0, 0}, false},
  };
  for (const auto& [version, current] : cases) {
    EXPECT_EQ(DriverCheck::IsDriverCurrent(version), current)
        << version.major << "." << version.revision;
  }
}

}  // namespace
