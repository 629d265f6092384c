#include "platform/windows/WinSystemFacts.h"

#include <windows.h>

#include <gtest/gtest.h>

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

// A driver service of the test's own, whose "ImagePath" names a file with a version resource that
// the test puts below the Windows folder; both are gone after the test.
class WinServiceVersionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_);
    driverFile_ = fs::path(*folder_) / L"system32" / L"drivers" / (service_ + L".sys");
    ASSERT_TRUE(fs::copy_file(RunningProgramPath()->parent_path() / EVARIX_VERSIONED_DRIVER,
                              driverFile_, fs::copy_options::overwrite_existing));
  }

  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
    std::error_code ignored;
    fs::remove(driverFile_, ignored);
  }

  std::wstring KeyPath() const { return L"SYSTEM\\CurrentControlSet\\Services\\" + service_; }

  void WriteImagePath(DWORD type, const void* data, size_t size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, L"ImagePath", 0, type, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // Stored exactly as given, terminator or not.
  void WriteImagePath(DWORD type, const std::wstring& text) {
    WriteImagePath(type, text.data(), text.size() * sizeof(wchar_t));
  }

  std::optional<DriverVersion> Query() {
    const ScopedPlatform platform({nullptr, &facts_, nullptr});
    DriverVersion version;
    if (!DriverCheck::QueryDriverVersion(service_, version)) return std::nullopt;
    return version;
  }

  std::wstring DriverFileName() const { return driverFile_.filename().wstring(); }

  WinSystemFacts facts_;
  const std::optional<std::wstring> folder_ = facts_.SystemFolder();
  const std::wstring service_ = L"evarix-test-" + std::to_wstring(EvarixTest::ThisProcessId());
  fs::path driverFile_;
};

TEST_F(WinServiceVersionTest, ARelativeImagePathNamesAFileBelowTheWindowsFolder) {
  EXPECT_EQ(Query(), std::nullopt);  // no such service
  const std::wstring relative = L"system32\\drivers\\" + DriverFileName();
  WriteImagePath(REG_EXPAND_SZ, relative);
  EXPECT_EQ(Query(), (DriverVersion{1, 2, 3, 4}));
  // What follows a terminator inside the stored value is not part of the path.
  WriteImagePath(REG_SZ, relative + std::wstring(L"\0.old", 5));
  EXPECT_EQ(Query(), (DriverVersion{1, 2, 3, 4}));
}

TEST_F(WinServiceVersionTest, ASystemRootPrefixOrAValueOfAnotherTypeNamesNoFile) {
  WriteImagePath(REG_EXPAND_SZ, L"\\SystemRoot\\system32\\drivers\\" + DriverFileName());
  EXPECT_EQ(Query(), std::nullopt);
  const DWORD number = 2;
  WriteImagePath(REG_DWORD, &number, sizeof number);
  EXPECT_EQ(Query(), std::nullopt);
  EXPECT_EQ(facts_.FileVersion(*folder_), std::nullopt);  // no version resource
}

// The driver file as the loader looks for it: only a file missing from a folder that exists counts
// as not installed.
TEST(WinDriverFileTest, OnlyAFileMissingFromAnExistingFolderIsNotInstalled) {
  WinSystemFacts facts;
  wchar_t expected[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"ProgramFiles", expected, MAX_PATH), 0u);
  EXPECT_EQ(facts.ProgramFilesFolder(), expected);

  const fs::path root = fs::temp_directory_path() /
                        (L"evarix-program-files-" + std::to_wstring(EvarixTest::ThisProcessId()));
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
