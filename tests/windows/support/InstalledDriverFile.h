#pragma once

#include <filesystem>
#include <fstream>
#include <system_error>

#include "engine/SupportedModel.h"
#include "platform/windows/WinSystemFacts.h"

namespace EvarixTest {

// The model's driver file below Program Files, as its installer leaves it; removed afterwards
// with whatever folder had to be made for it.
class InstalledDriverFile {
 public:
  InstalledDriverFile() {
    namespace fs = std::filesystem;
    const fs::path file = CVFirmwareLoader::WinSystemFacts().ProgramFilesFolder().value() +
                          CVFirmwareLoader::SupportedModelTable[0].driverFilePath;
    fs::path made = file.parent_path();
    while (!fs::exists(made.parent_path())) made = made.parent_path();
    if (!fs::exists(made)) made_ = made;
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "driver";
    file_ = file;
  }
  ~InstalledDriverFile() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
    if (!made_.empty()) std::filesystem::remove_all(made_, ignored);
  }
  InstalledDriverFile(const InstalledDriverFile&) = delete;
  InstalledDriverFile& operator=(const InstalledDriverFile&) = delete;

 private:
  std::filesystem::path file_;
  std::filesystem::path made_;
};

}  // namespace EvarixTest
