#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/DFUImageFile.h"
#include "platform/DriverTransport.h"

// What the fuzz targets share: a way to fail an input, a reader for it, a file to hold it, and a
// keyboard driver whose every answer comes from it.
namespace EvarixFuzz {

// A broken promise of the code under test ends the run as a crash, which libFuzzer keeps.
inline void Require(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

// The fuzz input, read front to back. Reading past its end yields zeros.
class InputReader {
 public:
  explicit InputReader(std::span<const uint8_t> bytes) : rest_(bytes) {}

  bool AtEnd() const { return rest_.empty(); }
  std::span<const uint8_t> Rest() const { return rest_; }

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const uint8_t value = rest_.front();
    rest_ = rest_.subspan(1);
    return value;
  }

  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }

  // Copies as many bytes as are left, up to out.size(); returns how many it copied.
  size_t Fill(std::span<uint8_t> out) {
    const size_t count = std::min(out.size(), rest_.size());
    std::copy_n(rest_.begin(), count, out.begin());
    rest_ = rest_.subspan(count);
    return count;
  }

 private:
  std::span<const uint8_t> rest_;
};

// A file of the given bytes in the temporary folder, removed again on destruction. mkstemp makes
// it, so that no file already there is ever overwritten or followed through a link.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::span<const uint8_t> bytes) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    // An image file is looked for beside the program, so the program stands in the same folder.
    Require(
        (folder / kProgramName).native().size() < CVFirmwareLoader::DFUImageFile::kMaxProgramPath,
        "the temporary folder's path is short enough for a program's");
    std::string path = (folder / "evarix-fuzz-XXXXXX").string();
    const int fd = mkstemp(path.data());
    Require(fd >= 0, "a temporary file can be made");
    path_ = path;
    const bool written = WriteAll(fd, bytes);
    close(fd);
    if (!written) unlink(path_.c_str());
    Require(written, "the temporary file takes the input");
  }
  ~TemporaryFile() { unlink(path_.c_str()); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  std::wstring Name() const { return path_.filename().wstring(); }
  std::filesystem::path ProgramPath() const { return path_.parent_path() / kProgramName; }

 private:
  static constexpr const char* kProgramName = "updater";

  static bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
      const ssize_t count = write(fd, bytes.data(), bytes.size());
      if (count <= 0) return false;
      bytes = bytes.subspan(static_cast<size_t>(count));
    }
    return true;
  }

  std::filesystem::path path_;
};

// The driver of a keyboard that may answer anything. Each request takes one byte of the input,
// which refuses it when zero, and then as many reply bytes as the reply has room for; a reply cut
// short by the end of the input keeps its other bytes, as the driver's replies do. Once the input
// is used up the keyboard has gone and nothing opens any more.
class ScriptedTransport final : public CVFirmwareLoader::IDriverTransport {
 public:
  struct Exchange {
    uint32_t code;
    std::vector<uint8_t> request;
    bool accepted;
  };

  explicit ScriptedTransport(InputReader& input) : input_(input) {}

  std::unique_ptr<CVFirmwareLoader::IDriverHandle> Open(const std::wstring&) override {
    if (input_.AtEnd()) return nullptr;
    return std::make_unique<Handle>(*this);
  }

  std::vector<Exchange> exchanges;

 private:
  class Handle final : public CVFirmwareLoader::IDriverHandle {
   public:
    explicit Handle(ScriptedTransport& owner) : owner_(owner) {}

    bool Control(uint32_t code, std::span<const uint8_t> request,
                 std::span<uint8_t> reply) override {
      const bool accepted = owner_.input_.Byte() != 0;
      if (accepted) owner_.input_.Fill(reply);
      owner_.exchanges.push_back({code, {request.begin(), request.end()}, accepted});
      return accepted;
    }

   private:
    ScriptedTransport& owner_;
  };

  InputReader& input_;
};

}  // namespace EvarixFuzz
