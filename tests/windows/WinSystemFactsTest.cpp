#include "platform/windows/WinSystemFacts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "engine/DriverCheck.h"
#include "engine/SupportedModel.h"
#include "platform/Platform.h"
#include "platform/ProgramPath.h"
#include "support/ProcessId.h"

namespace CVFirmwareLoader {
namespace {

namespace fs = std::filesystem;

const std::wstring kTestName = L"evarix-test-" + std::to_wstring(EvarixTest::ThisProcessId());

// A driver service of the test's own, whose "ImagePath" is to name a file with a version resource
// that the test puts below the Windows folder; both are gone after the test.
class WinServiceVersionTest : public testing::Test {
 protected:
  WinServiceVersionTest() {
    fs::copy_file(RunningProgramPath()->parent_path() / EVARIX_VERSIONED_DRIVER, driverFile_,
                  fs::copy_options::overwrite_existing);
  }
  ~WinServiceVersionTest() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_.c_str());
    std::error_code ignored;
    fs::remove(driverFile_, ignored);
  }

  // Stored exactly as given, terminator or not.
  void WriteImagePath(DWORD type, const std::wstring& text) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), L"ImagePath", type, text.data(),
                              static_cast<DWORD>(text.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  std::optional<DriverVersion> Query() {
    const ScopedPlatform platform({nullptr, &facts_, nullptr});
    DriverVersion version;
    if (!DriverCheck::QueryDriverVersion(kTestName, version)) return std::nullopt;
    return version;
  }

  WinSystemFacts facts_;
  const std::wstring key_ = L"SYSTEM\\CurrentControlSet\\Services\\" + kTestName;
  const fs::path driverFile_ =
      fs::path(facts_.SystemFolder().value()) / L"system32\\drivers" / (kTestName + L".sys");
};

TEST_F(WinServiceVersionTest, OnlyAStringImagePathRelativeToTheWindowsFolderNamesTheFile) {
  EXPECT_EQ(Query(), std::nullopt);  // no such service
  const std::wstring relative = L"system32\\drivers\\" + kTestName + L".sys";
  WriteImagePath(REG_EXPAND_SZ, relative);
  EXPECT_EQ(Query(), (DriverVersion{1, 2, 3, 4}));
  // What follows a terminator inside the stored value is not part of the path.
  WriteImagePath(REG_SZ, relative + std::wstring(L"\0.old", 5));
  EXPECT_EQ(Query(), (DriverVersion{1, 2, 3, 4}));

  WriteImagePath(REG_EXPAND_SZ, L"\\SystemRoot\\" + relative);
  EXPECT_EQ(Query(), std::nullopt);
  WriteImagePath(REG_BINARY, relative);
  EXPECT_EQ(Query(), std::nullopt);
}

// Only a file missing from a folder that exists counts as not installed.
TEST(WinDriverFileTest, TheDriverFileCountsAsMissingOnlyWhenItsFolderExists) {
  WinSystemFacts facts;
  ASSERT_NE(_wgetenv(L"ProgramFiles"), nullptr);
  EXPECT_EQ(facts.ProgramFilesFolder(), _wgetenv(L"ProgramFiles"));
  const fs::path root = fs::temp_directory_path() / kTestName;
  const std::wstring driver = root.wstring() + SupportedModelTable[0].driverFilePath;
  fs::create_directory(root);
  EXPECT_EQ(facts.TryOpenForReading(driver), FileOpenOutcome::OtherFailure);
  fs::create_directories(fs::path(driver).parent_path());
  EXPECT_EQ(facts.TryOpenForReading(driver), FileOpenOutcome::NotFound);
  std::ofstream(fs::path(driver)) << "driver";
  EXPECT_EQ(facts.TryOpenForReading(driver), FileOpenOutcome::Opened);
  fs::remove_all(root);
}

}  // namespace
}  // namespace CVFirmwareLoader
