#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "DFUImage.h"

namespace CVFirmwareLoader {

// An image read from a file in the running program's folder. The file stays open for reading from
// construction to destruction, so the image cannot change under a download.
class DFUImageFile final : public DFUImage {
 public:
  // Program paths of this many characters or more are refused, as the system that first ran the
  // updater could not return them.
  static constexpr size_t kMaxProgramPath = 260;

  // Opens fileName in the folder of the running program. Throws -30 when the program's path
  // cannot be had or is too long, -80 when the file cannot be opened, -10 when it is too short
  // for its suffix (or too large for a 32-bit size), and what ReadSuffix throws.
  explicit DFUImageFile(const std::wstring& fileName);

  // As above, with programPath standing for the running program's path.
  DFUImageFile(const std::wstring& fileName, const std::filesystem::path& programPath);

  int ReadBlock(uint16_t index, uint16_t bufferSize, uint8_t* buffer) override;

  const std::wstring& GetPath() const { return path; }

 private:
  std::wstring path;
  std::ifstream file;

  void Open();
};

}  // namespace CVFirmwareLoader
