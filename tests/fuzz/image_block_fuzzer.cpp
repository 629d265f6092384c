// Block reads of an image under any sizing: the sizing (u32 payload length, u16 block size, u16
// block count), then reads of (u16 index, u16 buffer size). The same reads go to an image held in
// a file and to the same image held as a resource, which must agree.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/DFUImageFile.h"
#include "engine/DFUImageResource.h"
#include "engine/EResult.h"
#include "fuzz/BlockReads.h"
#include "fuzz/FuzzSupport.h"
#include "platform/ResourceTable.h"
#include "support/TestManager.h"
#include "tools/firmware/FirmwareFormat.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;

namespace {

constexpr int kMaxReads = 32;

// One image, a few blocks long with a short last one, in both kinds.
struct Images {
  Images() {
    const EvarixFuzz::TemporaryFile file(bytes);
    fromFile = std::make_unique<DFUImageFile>(file.Name(), file.ProgramPath());
  }

  const std::vector<uint8_t> bytes = EvarixFirmware::BuildFirmwareImage({.totalSize = 333});
  const EmbeddedResource resource{L"DFU", L"FUZZ", bytes};
  const ResourceTable table{std::span<const EmbeddedResource>(&resource, 1)};
  EvarixTest::TestManager manager{&table};
  DFUImageResource fromResource{L"FUZZ"};
  std::unique_ptr<DFUImageFile> fromFile;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Images images;
  EvarixFuzz::InputReader input({data, size});
  const uint32_t payloadLength = input.Word() | uint32_t{input.Word()} << 16;
  const uint16_t blockSize = input.Word();
  const uint16_t blockCount = input.Word();
  images.fromFile->SetSizing(payloadLength, blockSize, blockCount);
  images.fromResource.SetSizing(payloadLength, blockSize, blockCount);

  std::vector<uint8_t> fileBuffer;
  std::vector<uint8_t> resourceBuffer;
  for (int read = 0; read < kMaxReads && !input.AtEnd(); ++read) {
    const uint16_t index = input.Word();
    const uint16_t bufferSize = input.Word();
    const int fromFile =
        EvarixFuzz::ReadBlockChecked(*images.fromFile, images.bytes, index, bufferSize, fileBuffer);
    const int fromResource = EvarixFuzz::ReadBlockChecked(images.fromResource, images.bytes, index,
                                                          bufferSize, resourceBuffer);
    // Only a file image refuses a zero payload length outright.
    if (payloadLength == 0 && fromFile == eNotReady) continue;
    Require(fromFile == fromResource && fileBuffer == resourceBuffer,
            "both kinds of image read alike");
  }
  return 0;
}
