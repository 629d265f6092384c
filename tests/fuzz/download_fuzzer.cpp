// A whole download against a keyboard that may answer anything. The input is the image's payload
// size (u16, taken modulo kMaxPayload + 1), the report the loader refuses (counted from 1; 0 for
// none), the wait during which the download is cancelled (counted from 1; 0 for none), then what
// the driver answers the identity requests of a keyboard in update mode and every request of the
// download with (see ScriptedTransport). Waits cost no time: the clock is a fake one.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/DFUImageResource.h"
#include "engine/DeviceWin.h"
#include "engine/EResult.h"
#include "engine/SupportedModel.h"
#include "fuzz/FuzzSupport.h"
#include "platform/LittleEndian.h"
#include "platform/Platform.h"
#include "platform/ResourceTable.h"
#include "support/FakeClock.h"
#include "support/RecordingTracker.h"
#include "support/TestManager.h"
#include "tools/firmware/FirmwareFormat.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;
using Exchanges = std::vector<EvarixFuzz::ScriptedTransport::Exchange>;
using Report = EvarixTest::RecordingTracker::Report;

namespace {

constexpr uint16_t kMaxPayload = 1024;
constexpr int kRunning = Device::ProgressTracker::kRunning;
constexpr int kFinished = Device::ProgressTracker::kFinished;
constexpr int kFailed = Device::ProgressTracker::kFailed;

// Where each input's image is found: the program's resource table, as for the shipped image.
struct Shelf {
  EmbeddedResource resource{L"DFU", L"FUZZ", {}};
  ResourceTable table{std::span<const EmbeddedResource>(&resource, 1)};
  EvarixTest::TestManager manager{&table};
};

std::wstring UpdateModeHardwareId() {
  return std::wstring(L"USB\\VID_") + VendorIdText + L"&PID_" +
         SupportedModelTable[0].updateModeProductId;
}

// The indices of the data blocks sent, and whether the last download request ended the image.
struct Sent {
  std::vector<uint16_t> blocks;
  bool endedWithMarker = false;
};

// Every download request carries a whole block of the image, or is the marker that ends it.
Sent RequireBlocksOfTheImage(const Exchanges& exchanges, const DFUImage& image,
                             std::span<const uint8_t> bytes) {
  Sent sent;
  for (const auto& exchange : exchanges) {
    if (exchange.code != DriverControlCode::DfuDownload) continue;
    const std::span<const uint8_t> request = exchange.request;
    Require(request.size() >= DFUImage::kBlockHeaderSize, "a download request has its header");
    const uint16_t index = LittleEndian::Read16(request, 0);
    const uint16_t length = LittleEndian::Read16(request, 2);
    Require(request.size() == DFUImage::kBlockHeaderSize + length, "the header gives the length");
    sent.endedWithMarker = length == 0;
    if (length == 0) {
      Require(index == 0, "the marker is block 0");
      continue;
    }
    const uint32_t offset = uint32_t{index} * image.GetBlockSize();
    const bool last = index + 1 == image.GetBlockCount();
    Require(offset < image.GetPayloadLength(), "blocks lie inside the payload");
    Require(length == (last ? image.GetPayloadLength() - offset : image.GetBlockSize()),
            "blocks are whole but the last");
    Require(std::equal(request.begin() + DFUImage::kBlockHeaderSize, request.end(),
                       bytes.begin() + offset),
            "a block carries the image's bytes");
    if (sent.blocks.empty() || sent.blocks.back() != index) sent.blocks.push_back(index);
  }
  return sent;
}

void RequireReportsInOrder(const std::vector<Report>& reports) {
  Require(!reports.empty() && reports.front() == Report{kRunning, 0.0}, "a download reports first");
  for (size_t at = 1; at + 1 < reports.size(); ++at) {
    Require(reports[at].code == kRunning, "only the last report ends the download");
    Require(reports[at].percent >= reports[at - 1].percent && reports[at].percent < 100.0,
            "progress only grows, short of 100 %");
  }
}

// A download that reports success has sent each block in order and then the marker.
void RequireWholeImage(const Sent& sent, const DFUImage& image) {
  Require(sent.blocks.size() == image.GetBlockCount() && sent.endedWithMarker,
          "a finished download sent the whole image and ended it");
  for (size_t at = 0; at < sent.blocks.size(); ++at) {
    Require(sent.blocks[at] == at, "blocks go in order");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Shelf shelf;
  EvarixFuzz::InputReader input({data, size});
  const uint16_t payloadSize = input.Word() % (kMaxPayload + 1);
  const size_t refusedReport = input.Byte();
  const uint8_t cancelledWait = input.Byte();
  const std::vector<uint8_t> bytes =
      EvarixFirmware::BuildFirmwareImage({.totalSize = payloadSize + DFUImage::kSuffixSize});
  shelf.resource.bytes = bytes;
  DFUImageResource image(L"FUZZ");

  EvarixFuzz::ScriptedTransport transport(input);
  EvarixTest::FakeClock clock;
  const ScopedPlatform platform({&transport, nullptr, &clock});
  const std::unique_ptr<DeviceWin> device(
      DeviceWin::Create(L"/dev/bus/usb/001/003", UpdateModeHardwareId(), L"usb"));
  if (device == nullptr) return 0;

  // A cancel that comes once the end-of-download marker has gone finds the whole image taken: the
  // keyboard manifests it whatever the user asks.
  bool cancelledBeforeTheEnd = false;
  clock.beforeSleep = [&, waits = 0](uint32_t) mutable {
    if (++waits != cancelledWait) return;
    device->Cancel();
    cancelledBeforeTheEnd = std::none_of(
        transport.exchanges.begin(), transport.exchanges.end(), [](const auto& exchange) {
          return exchange.code == DriverControlCode::DfuDownload &&
                 exchange.request.size() == DriverRequests::kBlockHeaderSize;
        });
  };
  EvarixTest::RecordingTracker tracker;
  tracker.refuse = [&tracker, refusedReport](const Report&) {
    return tracker.reports.size() == refusedReport;
  };
  int result = eSuccess;
  try {
    result = device->Download(&image, &tracker);
  } catch (EResult) {
    Require(tracker.reports.size() == refusedReport, "only a refused report ends a download early");
    return 0;
  }

  const Sent sent = RequireBlocksOfTheImage(transport.exchanges, image, bytes);
  RequireReportsInOrder(tracker.reports);
  const int outcome = tracker.reports.back().code;
  Require(outcome == kFinished || outcome == kFailed, "a download reports how it ended");
  Require(result != eSuccess || outcome == kFinished, "success is reported as such");
  Require(!(cancelledBeforeTheEnd && result == eSuccess),
          "a download cancelled before its end never succeeds");
  if (outcome == kFinished) RequireWholeImage(sent, image);
  return 0;
}
