#include "DFUImageFile.h"

#include <algorithm>
#include <array>
#include <limits>
#include <system_error>

#include "EResult.h"
#include "FirmwareSuffix.h"
#include "platform/ProgramPath.h"

namespace CVFirmwareLoader {

namespace {

std::filesystem::path ProgramPath() {
  std::optional<std::filesystem::path> program = RunningProgramPath();
  if (!program) throw eNoResource;
  return *std::move(program);
}

// The folder of the program, ending in a separator, followed by the file name.
std::wstring PathBesideProgram(const std::filesystem::path& programPath,
                               const std::wstring& fileName) {
  std::wstring program;
  try {
    program = programPath.wstring();
  } catch (const std::exception&) {
    throw eNoResource;  // a path that does not convert to text cannot be used either
  }
  if (program.size() >= DFUImageFile::kMaxProgramPath) throw eNoResource;
  const size_t lastSeparator = program.find_last_of(kFolderSeparators);
  const std::wstring folder =
      lastSeparator == std::wstring::npos ? std::wstring() : program.substr(0, lastSeparator + 1);
  return folder + fileName;
}

}  // namespace

DFUImageFile::DFUImageFile(const std::wstring& fileName) : DFUImageFile(fileName, ProgramPath()) {}

DFUImageFile::DFUImageFile(const std::wstring& fileName, const std::filesystem::path& programPath)
    : path(PathBesideProgram(programPath, fileName)) {
  // Only a plain file will do: a folder would open here and read as nothing, and opening a pipe
  // would wait for a writer that never comes.
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::path(path), error)) {
    throw eInvalidArgument;
  }
  file.open(std::filesystem::path(path), std::ios::binary);
  if (!file.is_open()) throw eInvalidArgument;
  try {
    Open();
  } catch (EResult) {
    file.close();
    imageSize = 0;
    throw;
  }
}

void DFUImageFile::Open() {
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0) throw eFailed;
  // A larger file would wrap imageSize and have its suffix looked for in the wrong place.
  if (size > std::streamoff{std::numeric_limits<uint32_t>::max()}) throw eFailed;
  imageSize = static_cast<uint32_t>(size);
  if (imageSize < FirmwareSuffix::kSize) throw eFailed;

  std::array<uint8_t, FirmwareSuffix::kSize> suffix{};
  file.seekg(imageSize - FirmwareSuffix::kSize, std::ios::beg);
  file.read(reinterpret_cast<char*>(suffix.data()), suffix.size());
  const bool complete = file.gcount() == static_cast<std::streamsize>(suffix.size());
  file.clear();
  file.seekg(0, std::ios::beg);
  if (!complete) throw eFailed;

  ReadSuffix(suffix.data());
}

int DFUImageFile::ReadBlock(uint16_t index, uint16_t bufferSize, uint8_t* buffer) {
  if (payloadLength == 0) return eNotReady;
  BlockSpan span{};
  if (const int located = LocateBlock(index, bufferSize, buffer, span); located != eSuccess) {
    return located;
  }
  if (!file.is_open()) return eNoResource;

  // Bytes past imageSize are not part of the image even when the file has grown since opening.
  bool complete = uint64_t{span.offset} + span.length <= imageSize;
  if (complete) {
    file.clear();
    file.seekg(span.offset, std::ios::beg);
    file.read(reinterpret_cast<char*>(buffer + kBlockHeaderSize), span.length);
    complete = file.gcount() == span.length;
  }
  if (!complete) {
    std::fill_n(buffer, bufferSize, uint8_t{0});
    return eFailed;
  }
  WriteBlockHeader(buffer, index, span.length);
  return eSuccess;
}

}  // namespace CVFirmwareLoader
