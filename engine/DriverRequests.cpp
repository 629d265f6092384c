#include "DriverRequests.h"

#include <algorithm>
#include <limits>

#include "platform/LittleEndian.h"

namespace CVFirmwareLoader::DriverRequests {

uint32_t PollWaitFor(uint32_t pollTimeoutMs) {
  // Counted in 64-bit integers: exact, and a wait longer than 32 bits can hold is the longest one,
  // where a conversion from floating point would be undefined.
  const uint64_t wait = (uint64_t{pollTimeoutMs} * 12 + 5) / 10;
  return static_cast<uint32_t>(std::min<uint64_t>(wait, std::numeric_limits<uint32_t>::max()));
}

DfuStatus DecodeGetStatusReply(std::span<const uint8_t, kGetStatusReplySize> reply) {
  const uint32_t pollTimeout = reply[1] | (reply[2] << 8) | (reply[3] << 16);
  return DfuStatus{.status = reply[0], .pollWait = PollWaitFor(pollTimeout), .state = reply[4]};
}

std::array<uint8_t, 4> EncodeDetachRequest(uint16_t detachTimeoutMs) {
  std::array<uint8_t, 4> request{};
  LittleEndian::Write16(request, 0, 1);
  LittleEndian::Write16(request, 2, detachTimeoutMs);
  return request;
}

namespace {

bool IsHighSurrogate(uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr wchar_t kReplacementCharacter = 0xFFFD;

// A wide text holds UTF-16 where wchar_t has 16 bits (Windows), code points where it has 32.
void AppendPair(std::wstring& text, uint32_t high, uint32_t low) {
  if constexpr (sizeof(wchar_t) == 2) {
    text.push_back(static_cast<wchar_t>(high));
    text.push_back(static_cast<wchar_t>(low));
  } else {
    text.push_back(static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00)));
  }
}

}  // namespace

std::wstring DecodeInfoTextReply(std::span<const uint8_t, kInfoTextReplySize> reply) {
  std::wstring text;
  constexpr size_t kTextOffset = 2;
  for (size_t offset = kTextOffset; offset + 1 < reply.size(); offset += 2) {
    const uint32_t unit = LittleEndian::Read16(reply, offset);
    if (unit == 0) break;
    const bool pairFollows =
        offset + 3 < reply.size() && IsLowSurrogate(LittleEndian::Read16(reply, offset + 2));
    if (IsHighSurrogate(unit) && pairFollows) {
      AppendPair(text, unit, LittleEndian::Read16(reply, offset + 2));
      offset += 2;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      text.push_back(kReplacementCharacter);
    } else {
      text.push_back(static_cast<wchar_t>(unit));
    }
  }
  return text;
}

}  // namespace CVFirmwareLoader::DriverRequests
