// Writes the fuzz targets' seed corpora: write_seed_corpus DIR fills DIR/<target>/ with a few
// small inputs each, well-formed ones and edge cases, laid out as each target reads its input.
// tests/fuzz/corpus holds its output; scripts/fuzz checks that the two agree.
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DfuState.h"
#include "tools/firmware/FirmwareFormat.h"
#include "tools/simkeyboard/KeyboardDescriptors.h"

namespace {

using Bytes = std::vector<uint8_t>;
using CVFirmwareLoader::DfuState;

constexpr uint16_t kApplicationProductId = 0x0005;
constexpr uint16_t kShippedVersion = EvarixFirmware::kShippedVersion;
constexpr size_t kInfoTextReplySize = 96;
constexpr uint8_t kStringDescriptorType = 0x03;
constexpr uint16_t kDetachTimeoutMs = 1000;
constexpr uint16_t kTransferSize = 64;

// An input built front to back in the order the target reads it.
class Input {
 public:
  Input& Byte(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  Input& Word(uint16_t value) { return Byte(value & 0xFF).Byte(static_cast<uint8_t>(value >> 8)); }
  Input& Append(std::span<const uint8_t> more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  Input& Text(std::string_view text) {
    return Append({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }

  // What the scripted driver answers one request with.
  Input& Answer(std::span<const uint8_t> reply = {}) { return Byte(1).Append(reply); }
  Input& Refuse() { return Byte(0); }
  Input& Status(DfuState state, uint32_t pollTimeoutMs = 0, uint8_t status = 0) {
    return Answer(StatusReply(state, pollTimeoutMs, status));
  }

  // A get-status reply: status, 24-bit poll time-out, state and string index.
  static std::array<uint8_t, 6> StatusReply(DfuState state, uint32_t pollTimeoutMs = 0,
                                            uint8_t status = 0) {
    return {status,
            static_cast<uint8_t>(pollTimeoutMs & 0xFF),
            static_cast<uint8_t>(pollTimeoutMs >> 8 & 0xFF),
            static_cast<uint8_t>(pollTimeoutMs >> 16 & 0xFF),
            static_cast<uint8_t>(state),
            0};
  }

  const Bytes& Get() const { return bytes_; }

 private:
  Bytes bytes_;
};

// The info-text reply: a string descriptor's two header bytes, then UTF-16LE text.
Bytes InfoReply(std::u16string_view text) {
  Bytes reply(kInfoTextReplySize, 0);
  reply[0] = static_cast<uint8_t>(2 + 2 * text.size());
  reply[1] = kStringDescriptorType;
  for (size_t at = 0; at < text.size() && 3 + 2 * at < reply.size(); ++at) {
    reply[2 + 2 * at] = static_cast<uint8_t>(text[at] & 0xFF);
    reply[3 + 2 * at] = static_cast<uint8_t>(text[at] >> 8);
  }
  return reply;
}

Bytes KeyboardInfoReply(std::string_view validity = "VALID") {
  Bytes reply =
      EvarixSim::Descriptors::StringDescriptor("V1022 B0780 H0100 " + std::string(validity));
  reply.resize(kInfoTextReplySize, 0);
  return reply;
}

// The first eight bytes of the DFU functional descriptor, as the driver hands them on.
Bytes DfuDescriptor(uint16_t transferSize = kTransferSize) {
  constexpr uint8_t kCanDownloadWillDetach = 0x09;
  return {0x09,
          0x21,
          kCanDownloadWillDetach,
          kDetachTimeoutMs & 0xFF,
          kDetachTimeoutMs >> 8,
          static_cast<uint8_t>(transferSize & 0xFF),
          static_cast<uint8_t>(transferSize >> 8),
          0x10};
}

Bytes Image(uint32_t payloadSize) {
  return EvarixFirmware::BuildFirmwareImage(
      {.totalSize = payloadSize + static_cast<uint32_t>(EvarixFirmware::kSuffixSize)});
}

class Corpus {
 public:
  explicit Corpus(std::filesystem::path root) : root_(std::move(root)) {}

  void Write(const char* target, const char* name, const Input& input) {
    const std::filesystem::path folder = root_ / target;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(input.Get().data()),
               static_cast<std::streamsize>(input.Get().size()));
  }

 private:
  std::filesystem::path root_;
};

void WriteGetStatusSeeds(Corpus& corpus) {
  constexpr const char* kTarget = "get_status_fuzzer";
  const auto reply = [](DfuState state, uint32_t pollTimeoutMs = 0, uint8_t status = 0) {
    return Input().Append(Input::StatusReply(state, pollTimeoutMs, status));
  };
  corpus.Write(kTarget, "busy_16ms", reply(DfuState::dfuDNBUSY, 16));
  corpus.Write(kTarget, "idle", reply(DfuState::dfuIDLE));
  corpus.Write(kTarget, "error_longest_wait", reply(DfuState::dfuERROR, 0xFFFFFF, 0x0E));
  corpus.Write(kTarget, "with_32bit_time_out",
               reply(DfuState::dfuDNBUSY, 16).Word(0xFFFF).Word(0xFFFF));
  corpus.Write(kTarget, "cut_short", Input().Byte(0).Byte(0x10).Byte(0));
}

void WriteHardwareIdSeeds(Corpus& corpus) {
  constexpr const char* kTarget = "hardware_id_fuzzer";
  corpus.Write(kTarget, "application_mode", Input().Text("USB\\VID_1209&PID_0005&REV_1022"));
  corpus.Write(kTarget, "update_mode_lower_case", Input().Text("usb\\vid_1209&pid_0006"));
  corpus.Write(kTarget, "product_first", Input().Text("USB\\PID_0005&VID_1209"));
  corpus.Write(kTarget, "other_vendor", Input().Text("USB\\VID_FFFF&PID_0005"));
  corpus.Write(kTarget, "cut_short", Input().Text("USB\\VID_1209&PID_00"));
  corpus.Write(kTarget, "not_usb", Input().Text("HID\\VID_1209&PID_0005"));
}

void WriteFirmwareComparisonSeeds(Corpus& corpus) {
  constexpr const char* kTarget = "firmware_comparison_fuzzer";
  constexpr uint8_t kApplicationMode = 0;
  constexpr uint8_t kUpdateMode = 1;
  constexpr uint8_t kVersionText = 2;
  const auto keyboard = [](uint8_t mode, const Bytes& info) {
    return Input().Byte(mode).Append(info);
  };
  corpus.Write(kTarget, "older",
               keyboard(kApplicationMode, KeyboardInfoReply()).Word(kShippedVersion - 1));
  corpus.Write(kTarget, "same",
               keyboard(kApplicationMode, KeyboardInfoReply()).Word(kShippedVersion));
  corpus.Write(kTarget, "newer",
               keyboard(kApplicationMode, KeyboardInfoReply()).Word(kShippedVersion + 1));
  corpus.Write(kTarget, "marked_invalid",
               keyboard(kApplicationMode, KeyboardInfoReply("INVALID!")).Word(kShippedVersion));
  corpus.Write(kTarget, "update_mode", keyboard(kUpdateMode, KeyboardInfoReply()).Word(0));
  corpus.Write(kTarget, "version_text",
               keyboard(kVersionText, KeyboardInfoReply()).Text(" 0X1023"));
  corpus.Write(kTarget, "version_garbage",
               keyboard(kVersionText, KeyboardInfoReply()).Text("v1.2"));
  std::u16string accentsAndPairs = u"caf\u00e9 \U0001F3B9 ";
  accentsAndPairs += char16_t{0xD800};  // half of a pair, alone
  accentsAndPairs += u'x';
  corpus.Write(kTarget, "utf16_text",
               keyboard(kApplicationMode, InfoReply(accentsAndPairs)).Word(kShippedVersion));
}

void WriteImageFileSeeds(Corpus& corpus) {
  constexpr const char* kTarget = "image_file_fuzzer";
  corpus.Write(kTarget, "image_in_blocks_of_64", Input().Word(64).Append(Image(200)));
  corpus.Write(kTarget, "whole_blocks_only", Input().Word(50).Append(Image(200)));
  corpus.Write(kTarget, "blocks_of_one_byte", Input().Word(1).Append(Image(40)));
  corpus.Write(kTarget, "suffix_only", Input().Word(16).Append(Image(0)));
  corpus.Write(kTarget, "block_size_zero", Input().Word(0).Append(Image(60)));
  const Bytes image = Image(100);
  corpus.Write(kTarget, "too_short_for_a_suffix",
               Input().Word(64).Append(std::span(image).last(EvarixFirmware::kSuffixSize - 1)));
  Bytes unsignedImage = image;
  unsignedImage[unsignedImage.size() - 8] = 'X';  // the signature's first byte
  corpus.Write(kTarget, "no_signature", Input().Word(64).Append(unsignedImage));
}

void WriteImageBlockSeeds(Corpus& corpus) {
  // The target's image is 333 bytes: a payload of 315.
  constexpr const char* kTarget = "image_block_fuzzer";
  const auto sized = [](uint32_t payloadLength, uint16_t blockSize, uint16_t blockCount) {
    return Input()
        .Word(payloadLength & 0xFFFF)
        .Word(static_cast<uint16_t>(payloadLength >> 16))
        .Word(blockSize)
        .Word(blockCount);
  };
  Input download = sized(315, 64, 5);
  for (uint16_t index = 0; index <= 5; ++index) download.Word(index).Word(68);
  corpus.Write(kTarget, "as_a_download_sizes_it", download);
  corpus.Write(kTarget, "past_the_image", sized(1000, 64, 16).Word(4).Word(68).Word(15).Word(68));
  corpus.Write(kTarget, "unsized", sized(0, 0, 0).Word(0).Word(68));
  corpus.Write(kTarget, "buffer_too_small", sized(315, 64, 5).Word(0).Word(67).Word(0).Word(0));
  corpus.Write(kTarget, "zero_payload", sized(0, 64, 1).Word(0).Word(68));
  corpus.Write(kTarget, "whole_image_in_one_block", sized(333, 333, 1).Word(0).Word(337));
}

void WriteDeviceCreateSeeds(Corpus& corpus) {
  constexpr const char* kTarget = "device_create_fuzzer";
  constexpr uint8_t kApplicationMode = 0;
  constexpr uint8_t kUpdateMode = 1;
  const Bytes deviceDescriptor =
      EvarixSim::Descriptors::DeviceDescriptor(kApplicationProductId, kShippedVersion - 1);
  const Bytes info = KeyboardInfoReply();
  const auto application = [&deviceDescriptor] {
    return Input().Byte(kApplicationMode).Answer(deviceDescriptor);
  };
  corpus.Write(kTarget, "application_mode",
               application().Answer(info).Answer(DfuDescriptor()).Answer());
  corpus.Write(kTarget, "update_mode",
               Input().Byte(kUpdateMode).Answer(info).Answer(DfuDescriptor()).Answer());
  corpus.Write(kTarget, "info_text_refused", application().Refuse());
  corpus.Write(kTarget, "gone_mid_reply", application().Answer(std::span(info).first(10)));
  corpus.Write(kTarget, "detach_refused",
               application().Answer(info).Answer(DfuDescriptor()).Refuse());
}

// A keyboard in update mode that identifies itself, ready for the download of an image with a
// payload of payloadSize bytes.
Input DownloadStart(uint16_t payloadSize, uint8_t refusedReport = 0, uint8_t cancelledWait = 0,
                    uint16_t transferSize = kTransferSize) {
  return Input()
      .Word(payloadSize)
      .Byte(refusedReport)
      .Byte(cancelledWait)
      .Answer(KeyboardInfoReply())
      .Answer(DfuDescriptor(transferSize));
}

Input& TakeBlock(Input& input, uint32_t pollTimeoutMs = 16) {
  return input.Answer().Status(DfuState::dfuDNBUSY, pollTimeoutMs).Status(DfuState::dfuDNLOAD_IDLE);
}

Input& Finish(Input& input, DfuState afterMarker = DfuState::dfuMANIFEST_SYNC,
              DfuState afterManifest = DfuState::dfuIDLE) {
  return input.Answer().Status(afterMarker).Status(afterManifest).Answer();
}

void WriteDownloadSeeds(Corpus& corpus) {
  constexpr const char* kTarget = "download_fuzzer";
  // A payload of 100 bytes goes in two blocks of 64.
  Input healthy = DownloadStart(100).Status(DfuState::dfuIDLE);
  corpus.Write(kTarget, "two_blocks", Finish(TakeBlock(TakeBlock(healthy))));

  Input suffixOnly = DownloadStart(0).Status(DfuState::dfuIDLE);
  corpus.Write(kTarget, "suffix_only", Finish(suffixOnly));

  Input inError = DownloadStart(100).Status(DfuState::dfuERROR, 0, 0x0E).Answer();
  inError.Status(DfuState::dfuIDLE);
  corpus.Write(kTarget, "error_cleared_first", Finish(TakeBlock(TakeBlock(inError))));

  Input notTaken = DownloadStart(100).Status(DfuState::dfuIDLE);
  notTaken.Answer().Status(DfuState::dfuDNLOAD_IDLE);
  corpus.Write(kTarget, "block_sent_again", Finish(TakeBlock(TakeBlock(notTaken))));

  Input slow = DownloadStart(100).Status(DfuState::dfuIDLE);
  slow.Answer().Status(DfuState::dfuDNBUSY, 0xFFFFFF);
  for (int poll = 0; poll < 3; ++poll) slow.Status(DfuState::dfuDNBUSY);
  slow.Status(DfuState::dfuDNLOAD_IDLE);
  corpus.Write(kTarget, "slow_keyboard", Finish(TakeBlock(slow)));

  Input waitingReset = DownloadStart(100).Status(DfuState::dfuIDLE);
  corpus.Write(kTarget, "manifestation_waits_for_reset",
               Finish(TakeBlock(TakeBlock(waitingReset)), DfuState::dfuMANIFEST_WAIT_RESET,
                      DfuState::dfuMANIFEST_WAIT_RESET));

  Input cancelled = DownloadStart(100, 0, 1).Status(DfuState::dfuIDLE);
  corpus.Write(kTarget, "cancelled_in_the_first_wait", TakeBlock(cancelled).Answer());

  // The third report is the one after the first block.
  Input refused = DownloadStart(100, 3).Status(DfuState::dfuIDLE);
  corpus.Write(kTarget, "report_refused_mid_download", TakeBlock(refused));

  corpus.Write(kTarget, "transfer_size_zero", DownloadStart(100, 0, 0, 0));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  Corpus corpus(argv[1]);
  WriteGetStatusSeeds(corpus);
  WriteHardwareIdSeeds(corpus);
  WriteFirmwareComparisonSeeds(corpus);
  WriteImageFileSeeds(corpus);
  WriteImageBlockSeeds(corpus);
  WriteDeviceCreateSeeds(corpus);
  WriteDownloadSeeds(corpus);
  return 0;
}
