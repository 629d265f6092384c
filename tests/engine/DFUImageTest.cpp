#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "engine/DFUImageFile.h"
#include "engine/DFUImageResource.h"
#include "engine/EResult.h"
#include "platform/ProgramPath.h"
#include "platform/ResourceTable.h"
#include "support/ProcessId.h"
#include "support/ResultOf.h"
#include "support/TestManager.h"

namespace CVFirmwareLoader {
namespace {

using Bytes = std::vector<uint8_t>;

struct Suffix {
  uint16_t updateModeProductId = 0x0006;
  uint16_t version = 0x1023;
  uint16_t productId = 0x0005;
  uint16_t vendorId = 0x1209;
  uint16_t formatVersion = 0x0100;
  std::array<uint8_t, 3> signature = {'U', 'F', 'D'};
  uint8_t length = 18;
  uint32_t crc = 0x5A5AA5A5;  // the updater never checks it
};

// A payload whose bytes differ from their neighbours, then the suffix.
Bytes MakeImage(size_t payloadSize, const Suffix& s = {}) {
  Bytes image;
  for (size_t i = 0; i < payloadSize; ++i) image.push_back(static_cast<uint8_t>(i * 7 + i / 251));
  const auto put = [&image](uint32_t value, int width) {
    for (int i = 0; i < width; ++i) image.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  put(s.updateModeProductId, 2);
  put(s.version, 2);
  put(s.productId, 2);
  put(s.vendorId, 2);
  put(s.formatVersion, 2);
  image.insert(image.end(), s.signature.begin(), s.signature.end());
  put(s.length, 1);
  put(s.crc, 4);
  return image;
}

// Resources added one by one, looked up through the program's own ResourceTable.
class TestResources final : public IModuleResources {
 public:
  // A non-zero unloadableSize stands for a resource that exists but cannot be loaded.
  void Add(std::wstring type, std::wstring name, Bytes bytes, size_t unloadableSize = 0) {
    const Kept& kept = kept_.emplace_back(Kept{std::move(type), std::move(name), std::move(bytes)});
    const auto data =
        unloadableSize == 0
            ? std::span<const uint8_t>(kept.bytes)
            : std::span<const uint8_t>(static_cast<const uint8_t*>(nullptr), unloadableSize);
    entries_.push_back({kept.type, kept.name, data});
  }
  const EmbeddedResource* Find(std::wstring_view type, std::wstring_view name) const override {
    return ResourceTable(entries_).Find(type, name);
  }

 private:
  struct Kept {
    std::wstring type, name;
    Bytes bytes;
  };
  std::list<Kept> kept_;  // never moves, as the program's own resources never do
  std::vector<EmbeddedResource> entries_;
};

template <typename Image, typename... Args>
int OpenFailure(Args&&... args) {
  return EvarixTest::ResultOf([&] { Image image(std::forward<Args>(args)...); });
}

std::filesystem::path TestProgramFolder() {
  return RunningProgramPath().value().parent_path();
}

// File images are looked for beside the test program: they are written there and removed after.
class DFUImageFileTest : public ::testing::Test {
 protected:
  ~DFUImageFileTest() override {
    std::error_code ignored;
    for (const auto& name : files_) std::filesystem::remove(TestProgramFolder() / name, ignored);
  }

  std::wstring NewName() {
    return L"DFUImageTest-" + std::to_wstring(EvarixTest::ThisProcessId()) + L"-" +
           std::to_wstring(++names_);
  }

  std::wstring WriteFile(const Bytes& bytes) {
    const std::wstring name = files_.emplace_back(NewName());
    std::ofstream(TestProgramFolder() / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return name;
  }

 private:
  std::vector<std::wstring> files_;
  int names_ = 0;
};

enum class Kind { File, Resource };

// Behaviour both kinds share runs against both.
class DFUImageTest : public DFUImageFileTest, public ::testing::WithParamInterface<Kind> {
 protected:
  std::unique_ptr<DFUImage> Open(const Bytes& bytes) {
    if (GetParam() == Kind::File) return std::make_unique<DFUImageFile>(WriteFile(bytes));
    const std::wstring name = NewName();
    resources_.Add(L"DFU", name, bytes);
    return std::make_unique<DFUImageResource>(name);
  }

  int OpenFailure(const Bytes& bytes) {
    return EvarixTest::ResultOf([&] { Open(bytes); });
  }

  TestResources resources_;
  EvarixTest::TestManager manager_{&resources_};
};

std::string KindName(const ::testing::TestParamInfo<Kind>& kind) {
  return kind.param == Kind::File ? "File" : "Resource";
}

INSTANTIATE_TEST_SUITE_P(BothKinds, DFUImageTest, ::testing::Values(Kind::File, Kind::Resource),
                         KindName);

TEST_P(DFUImageTest, TextsAreTheSuffixFieldsAsFourUpperCaseDigits) {
  const auto image =
      Open(MakeImage(40, {.updateModeProductId = 0x1234, .version = 0xA5, .productId = 0xabcd}));
  EXPECT_EQ(image->GetVersion(), L"0x00A5");
  EXPECT_EQ(image->GetProductId(), L"ABCD");
  EXPECT_EQ(image->GetUpdateModeProductId(), L"1234");
  EXPECT_EQ(image->GetImageSize(), 40 + DFUImage::kSuffixSize);
}

// Of the suffix only the signature is checked, and only an image long enough to hold it opens.
TEST_P(DFUImageTest, OpeningChecksTheSuffixSignatureAndLength) {
  for (const auto& signature :
       {std::array<uint8_t, 3>{'D', 'F', 'U'}, {'u', 'f', 'd'}, {'U', 'F', 'd'}, {'U', 'F', 0}}) {
    EXPECT_EQ(OpenFailure(MakeImage(10, {.signature = signature})), eInvalidImage);
  }
  for (const Suffix& other : {Suffix{.vendorId = 0xFFFF}, Suffix{.formatVersion = 0},
                              Suffix{.length = 16}, Suffix{.crc = 0}}) {
    EXPECT_EQ(OpenFailure(MakeImage(10, other)), eSuccess);
  }
  const Bytes suffixOnly = MakeImage(0);
  EXPECT_EQ(OpenFailure(suffixOnly), eSuccess);
  EXPECT_EQ(OpenFailure(Bytes(suffixOnly.begin() + 1, suffixOnly.end())), eFailed);
  EXPECT_EQ(OpenFailure({}), eFailed);
}

TEST_P(DFUImageTest, BlocksHandOutThePayloadInOrder) {
  struct Case {
    size_t payloadSize;  // before the suffix
    bool withSuffix;     // the download sends the suffix too
    uint16_t blockSize, blockCount, lastBlockLength;
  };
  const Case cases[] = {
      {4 * 64, false, 64, 4, 64},     // whole blocks: the last one is full
      {4 * 64 + 1, false, 64, 5, 1},  // one byte more: a block of its own
      {10, false, 64, 1, 10},
      {100, true, 64, 2, 100 + 18 - 64},  // the last block ends with the suffix
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.payloadSize);
    const Bytes bytes = MakeImage(c.payloadSize);
    const auto payloadLength = static_cast<uint32_t>(c.payloadSize + (c.withSuffix ? 18 : 0));
    const auto image = Open(bytes);
    image->SetSizing(payloadLength, c.blockSize, c.blockCount);

    Bytes sent;
    Bytes buffer(c.blockSize + 4u);
    for (uint16_t index = 0; index < c.blockCount; ++index) {
      ASSERT_EQ(image->ReadBlock(index, static_cast<uint16_t>(buffer.size()), buffer.data()), 0);
      EXPECT_EQ(buffer[0] | buffer[1] << 8, index);
      const int length = buffer[2] | buffer[3] << 8;
      EXPECT_EQ(length, index + 1 < c.blockCount ? c.blockSize : c.lastBlockLength);
      sent.insert(sent.end(), buffer.begin() + 4, buffer.begin() + 4 + length);
    }
    EXPECT_EQ(sent, Bytes(bytes.begin(), bytes.begin() + payloadLength));
  }
}

TEST_P(DFUImageTest, ReadBlockRefusesBadSizingIndexOrBufferWithoutTouchingIt) {
  const auto image = Open(MakeImage(200));
  Bytes buffer(64 + 4, 0xCC);
  const Bytes untouched = buffer;
  EXPECT_EQ(image->ReadBlock(0, 64 + 4, buffer.data()), eNotReady);
  image->SetSizing(200, 0, 4);
  EXPECT_EQ(image->ReadBlock(0, 64 + 4, buffer.data()), eNotReady);
  image->SetSizing(200, 64, 0);
  EXPECT_EQ(image->ReadBlock(0, 64 + 4, buffer.data()), eNotReady);

  image->SetSizing(200, 64, 4);
  EXPECT_EQ(image->ReadBlock(0, 64 + 3, buffer.data()), eInvalidArgument);
  EXPECT_EQ(image->ReadBlock(4, 64 + 4, buffer.data()), eInvalidArgument);
  EXPECT_EQ(image->ReadBlock(0, 64 + 4, nullptr), eInvalidArgument);
  EXPECT_EQ(buffer, untouched);
  EXPECT_EQ(image->ReadBlock(3, 64 + 4, buffer.data()), eSuccess);
}

// Sizing that reaches past the image must fail the read, not hand out what lies beyond it.
TEST_P(DFUImageTest, SizingPastTheImageFailsTheReadAndZeroesTheBuffer) {
  const auto image = Open(MakeImage(100));
  image->SetSizing(image->GetImageSize() + 100, 64, 4);
  Bytes buffer(64 + 4 + 1, 0xCC);

  EXPECT_EQ(image->ReadBlock(0, 64 + 4, buffer.data()), eSuccess);
  EXPECT_EQ(image->ReadBlock(2, 64 + 4, buffer.data()), eFailed);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 64 + 4);
  EXPECT_EQ(buffer.back(), 0xCC);  // beyond the size the caller gave
}

TEST_F(DFUImageFileTest, RefusesWhatItCannotOpenAndClosesAFileTooShort) {
  EXPECT_EQ(OpenFailure<DFUImageFile>(NewName()), eInvalidArgument);
  // Program paths in a folder without the file, so that only the length decides.
  const auto program = [](size_t length) { return "/" + std::string(length - 1, 'p'); };
  EXPECT_EQ(OpenFailure<DFUImageFile>(L"x.dfu", program(259)), eInvalidArgument);
  EXPECT_EQ(OpenFailure<DFUImageFile>(L"x.dfu", program(260)), eNoResource);

  const std::wstring name = WriteFile(Bytes(17, 0));
#ifdef __linux__
  const auto openFiles = [] {
    const std::filesystem::directory_iterator descriptors("/proc/self/fd");
    return std::distance(begin(descriptors), end(descriptors));
  };
  const auto before = openFiles();
  EXPECT_EQ(OpenFailure<DFUImageFile>(name), eFailed);
  EXPECT_EQ(openFiles(), before);
#else
  EXPECT_EQ(OpenFailure<DFUImageFile>(name), eFailed);
  std::error_code removal;  // Windows refuses to remove a file that is still open
  EXPECT_TRUE(std::filesystem::remove(TestProgramFolder() / name, removal)) << removal.message();
#endif
}

TEST_F(DFUImageFileTest, KeepsTheFileOpenForItsWholeLife) {
  const Bytes bytes = MakeImage(100);
  const std::wstring name = WriteFile(bytes);
  DFUImageFile image(name);
  std::error_code refusedOnWindows;  // where the open file cannot be removed, it cannot change
  std::filesystem::remove(TestProgramFolder() / name, refusedOnWindows);

  image.SetSizing(100, 100, 1);
  Bytes buffer(104);
  ASSERT_EQ(image.ReadBlock(0, 104, buffer.data()), eSuccess);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 100, buffer.begin() + 4));
}

TEST(DFUImageResourceTest, FindsItsResourceByTypeAndNameInAnyCaseThroughTheManager) {
  EXPECT_EQ(OpenFailure<DFUImageResource>(L"EV3_25_1023-0780"), eNoResource);
  {
    EvarixTest::TestManager withoutTable(nullptr);
    EXPECT_EQ(OpenFailure<DFUImageResource>(L"EV3_25_1023-0780"), eNoResource);
  }
  TestResources resources;
  resources.Add(L"DFU", L"EV3_25_1023-0780", MakeImage(10, {.version = 0x1023}));
  resources.Add(L"BIN", L"OTHER", MakeImage(10));
  resources.Add(L"dfu", L"lower", MakeImage(10, {.version = 0x0002}));
  resources.Add(L"DFU", L"UNLOADABLE", {}, 100);
  EvarixTest::TestManager manager(&resources);

  EXPECT_EQ(DFUImageResource(L"ev3_25_1023-0780").GetVersion(), L"0x1023");
  EXPECT_EQ(DFUImageResource(L"LOWER").GetVersion(), L"0x0002");
  EXPECT_EQ(OpenFailure<DFUImageResource>(L"OTHER"), eInvalidArgument);  // not of type "dfu"
  EXPECT_EQ(OpenFailure<DFUImageResource>(L"EV3_25_1023-078"), eInvalidArgument);
  EXPECT_EQ(OpenFailure<DFUImageResource>(L"UNLOADABLE"), eFailed);
}

}  // namespace
}  // namespace CVFirmwareLoader
