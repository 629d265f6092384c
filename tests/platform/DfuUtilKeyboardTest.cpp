// An independent check of the keyboard below libusb: Debian's dfu-util, which knows nothing of
// this project, finds the simulated keyboard and updates it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/UmockdevKeyboard.h"
#include "tools/firmware/FirmwareFormat.h"

namespace EvarixSim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr auto kDfuUtilTimeout = std::chrono::seconds(20);

// A file of its own below /tmp that goes with the test.
class TemporaryFile {
 public:
  explicit TemporaryFile(const Bytes& contents) {
    std::string name = "/tmp/evarix-image-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return;
    close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(contents.data()),
               static_cast<std::streamsize>(contents.size()));
  }
  ~TemporaryFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

class DfuUtilKeyboardTest : public UmockdevKeyboardTest {
 protected:
  void SetUp() override {
    UmockdevKeyboardTest::SetUp();
    if (IsSkipped()) return;
    if (std::system("command -v dfu-util > /dev/null") != 0) GTEST_SKIP() << "dfu-util is missing";
  }

  // dfu-util run under the testbed: it inherits UMOCKDEV_DIR and LD_PRELOAD from this process.
  Preload::ChildResult DfuUtil(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"dfu-util"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const std::optional<Preload::ChildResult> result =
        Preload::RunChild(command, kDfuUtilTimeout, true);
    if (!result) ADD_FAILURE() << "dfu-util did not finish";
    return result.value_or(Preload::ChildResult{.exitCode = -1, .output = {}});
  }
};

TEST_F(DfuUtilKeyboardTest, ListsTheKeyboardInBothModes) {
  bus_.Plug({.firmwareVersion = 0x1022});
  bus_.Plug({.mode = Mode::Update});

  const std::string listing = DfuUtil({"-l"}).output;

  EXPECT_NE(listing.find("Found Runtime: [1209:0005] ver=1022"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Found DFU: [1209:0006] ver=0000"), std::string::npos) << listing;
  EXPECT_NE(listing.find("name=\"V1022 B0780 H0100 VALID\""), std::string::npos) << listing;
}

// dfu-util 0.11 calls the reset that re-enumerates the keyboard an error, so only the keyboard
// tells how the update went.
TEST_F(DfuUtilKeyboardTest, DownloadsAnImageThatTheKeyboardThenRuns) {
  SimKeyboard& keyboard = bus_.Plug({.firmwareVersion = 0x1022, .pollTimeoutMs = 1});
  const Bytes image = EvarixFirmware::BuildFirmwareImage({.version = 0x1024, .totalSize = 2066});
  const TemporaryFile file(image);
  ASSERT_FALSE(file.Path().empty());

  const Preload::ChildResult result = DfuUtil({"--detach-delay", "1", "-D", file.Path(), "-R"});

  const Bytes payload(image.begin(), image.end() - EvarixFirmware::kSuffixSize);
  EXPECT_EQ(keyboard.ReceivedPayload(), payload) << result.output;
  EXPECT_TRUE(keyboard.FirmwareValid());
  EXPECT_EQ(keyboard.FirmwareVersion(), 0x1024);
  EXPECT_EQ(keyboard.CurrentMode(), Mode::Application);
}

}  // namespace
}  // namespace EvarixSim
