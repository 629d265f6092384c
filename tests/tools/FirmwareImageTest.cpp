#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tools/firmware/FirmwareFormat.h"

#ifdef EVARIX_HAS_PROGRAM_RESOURCES
#include "platform/ProgramResources.h"
#endif

namespace EvarixFirmware {
namespace {

using Bytes = std::vector<uint8_t>;

const std::filesystem::path kShippedImagePath =
    std::filesystem::path(EVARIX_SOURCE_DIR) / "resources" / "EV3_25_1023-0780.dfu";

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t LeAt(const Bytes& bytes, size_t offset, int width) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) value |= uint32_t{bytes[offset + i]} << (8 * i);
  return value;
}

std::span<const uint8_t> PayloadOf(const Bytes& image) {
  return std::span(image).first(image.size() - kSuffixSize);
}

struct ToolRun {
  int exitCode;
  std::string output;
};

// Runs Debian's dfu-suffix on the image, an outside judge of the suffix and its CRC.
ToolRun CheckWithDfuSuffix(const Bytes& image) {
  static int count = 0;
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("FirmwareImageTest-" + std::to_string(getpid()) + "-" + std::to_string(++count) + ".dfu");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  ToolRun run{-1, {}};
  if (FILE* pipe = popen(("dfu-suffix --check '" + path.string() + "' 2>&1").c_str(), "r")) {
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) run.output += chunk;
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::filesystem::remove(path);
  return run;
}

TEST(FirmwareImageTest, ShippedImageIsWhatTheToolBuilds) {
  const Bytes shipped = ReadFile(kShippedImagePath);
  ASSERT_EQ(shipped.size(), 135594u) << kShippedImagePath;
  EXPECT_TRUE(shipped == BuildFirmwareImage({}))
      << "rebuild " << kShippedImagePath << " with make-firmware-image";
}

TEST(FirmwareImageTest, ShippedSuffixHoldsTheKeyboardsIdentity) {
  const Bytes image = BuildFirmwareImage({});
  const size_t suffix = image.size() - kSuffixSize;
  struct Field {
    const char* name;
    size_t offset;
    int width;
    uint32_t value;
  };
  const Field fields[] = {
      {"update-mode product ID", 0, 2, 0x0006},
      {"firmware version", 2, 2, 0x1023},
      {"product ID", 4, 2, 0x0005},
      {"vendor ID", 6, 2, 0x1209},
      {"format version", 8, 2, 0x0100},
      {"signature", 10, 3, 0x444655},  // "UFD"
      {"length", 13, 1, 18},
  };
  for (const Field& field : fields) {
    EXPECT_EQ(LeAt(image, suffix + field.offset, field.width), field.value) << field.name;
  }
}

TEST(FirmwareImageTest, DfuSuffixCrcIsCrc32WithoutFinalInversion) {
  const std::string check = "123456789";
  // The catalogued CRC-32 of "123456789" is 0xCBF43926, after the final inversion we leave out.
  EXPECT_EQ(DfuSuffixCrc(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
            ~0xCBF43926u);
  EXPECT_EQ(DfuSuffixCrc({}), 0xFFFFFFFFu);
}

TEST(FirmwareImageTest, ImagesOfEveryShapeCarryAValidSuffix) {
  const ImageDescription descriptions[] = {
      {},
      {.version = 0x1022, .totalSize = 1000},
      {.version = 0x1024, .totalSize = kShippedImageSize + 1},
      {.version = 0x00A5, .applicationProductId = 0xABCD, .totalSize = 600},
      {.totalSize = static_cast<uint32_t>(kSuffixSize + kPayloadHeaderSize - 1)},
      {.totalSize = static_cast<uint32_t>(kSuffixSize)},
  };
  for (const ImageDescription& description : descriptions) {
    SCOPED_TRACE(description.totalSize);
    const Bytes image = BuildFirmwareImage(description);
    ASSERT_EQ(image.size(), description.totalSize);
    EXPECT_EQ(LeAt(image, image.size() - 4, 4),
              DfuSuffixCrc(std::span(image).first(image.size() - 4)));
    EXPECT_EQ(LeAt(image, image.size() - 16, 2), description.version);
    const ToolRun run = CheckWithDfuSuffix(image);
    EXPECT_EQ(run.exitCode, 0) << run.output;
  }
}

TEST(FirmwareImageTest, DfuSuffixRefusesADamagedImage) {
  Bytes image = BuildFirmwareImage({});
  image[1000] ^= 0x01;
  EXPECT_NE(CheckWithDfuSuffix(image).exitCode, 0);
}

TEST(FirmwareImageTest, CheckFirmwarePayloadAcceptsBuiltPayloadsWithTheirVersion) {
  for (const ImageDescription& description :
       {ImageDescription{}, ImageDescription{.version = 0x1022, .totalSize = 5000},
        ImageDescription{.version = 0x1024, .totalSize = 135595},
        ImageDescription{.totalSize = static_cast<uint32_t>(kSuffixSize + kPayloadHeaderSize)}}) {
    const Bytes image = BuildFirmwareImage(description);
    EXPECT_EQ(CheckFirmwarePayload(PayloadOf(image)), description.version) << description.totalSize;
  }
}

TEST(FirmwareImageTest, CheckFirmwarePayloadRefusesADamagedPayload) {
  const Bytes image = BuildFirmwareImage({});
  const Bytes payload(PayloadOf(image).begin(), PayloadOf(image).end());
  struct Damage {
    const char* name;
    size_t offset;
  };
  const Damage damages[] = {
      {"magic", 0},
      {"version", 4},
      {"reserved", 6},
      {"length", 8},
      {"checksum", 12},
      {"banner", 20},
      {"zeros", kCodeOffset - 1},
      {"code", kCodeOffset},
      {"last byte", payload.size() - 1},
  };
  for (const Damage& damage : damages) {
    Bytes damaged = payload;
    damaged[damage.offset] ^= 0x40;
    EXPECT_EQ(CheckFirmwarePayload(damaged), std::nullopt) << damage.name;
  }

  Bytes longer = payload;
  longer.push_back(0);
  EXPECT_EQ(CheckFirmwarePayload(longer), std::nullopt) << "one byte more";
  EXPECT_EQ(CheckFirmwarePayload(std::span(payload).first(payload.size() - 1)), std::nullopt)
      << "one byte less";
  EXPECT_EQ(CheckFirmwarePayload(image), std::nullopt) << "suffix left on";
  EXPECT_EQ(CheckFirmwarePayload(std::span(payload).first(kPayloadHeaderSize - 1)), std::nullopt)
      << "shorter than the header";
  EXPECT_EQ(CheckFirmwarePayload({}), std::nullopt) << "empty";
}

#ifdef EVARIX_HAS_PROGRAM_RESOURCES
TEST(FirmwareImageTest, ProgramCarriesTheShippedImageUnderItsName) {
  const auto* resource = ProgramResources().Find(L"dfu", L"ev3_25_1023-0780");
  ASSERT_NE(resource, nullptr);
  EXPECT_TRUE(std::ranges::equal(resource->bytes, ReadFile(kShippedImagePath)));
}
#endif

}  // namespace
}  // namespace EvarixFirmware
