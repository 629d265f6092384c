#include "platform/linux/LinuxSystemFacts.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "engine/DriverCheck.h"
#include "engine/SupportedModel.h"
#include "platform/Platform.h"

using namespace CVFirmwareLoader;

namespace {

constexpr const char* kRuleFile = "70-corvane-evarix.rules";

// The rule check as the loader makes it, over rules folders of the test's own in udev's order:
// the local one, a runtime one that does not exist, and the system one a package installs into.
class LinuxSystemFactsTest : public testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/evarix-rules-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    root_ = folder;
    std::filesystem::create_directory(root_ / "etc");
    std::filesystem::create_directory(root_ / "usr-lib");
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  bool RuleInstalled() {
    LinuxSystemFacts facts(
        {(root_ / "etc").wstring(), (root_ / "run").wstring(), (root_ / "usr-lib").wstring()});
    const ScopedPlatform platform({nullptr, &facts, nullptr});
    return DriverCheck::IsDriverInstalled(SupportedModelTable[0].driverFilePath);
  }

  std::filesystem::path root_;
};

TEST_F(LinuxSystemFactsTest, RuleCountsAsInstalledInWhicheverFolderUdevReadsItFrom) {
  EXPECT_FALSE(RuleInstalled());
  std::ofstream(root_ / "usr-lib" / kRuleFile) << "# packaged\n";
  EXPECT_TRUE(RuleInstalled());
  std::filesystem::rename(root_ / "usr-lib" / kRuleFile, root_ / "etc" / kRuleFile);
  EXPECT_TRUE(RuleInstalled());
}

}  // namespace
