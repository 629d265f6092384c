// A get-status reply as the keyboard sends it: six bytes of status, 24-bit poll time-out, state
// and string index. Four more bytes, when present, are a poll time-out of the full 32 bits.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "engine/DriverRequests.h"
#include "fuzz/FuzzSupport.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;

namespace {

// Within half a millisecond of 1.2 times the time-out, the half rounded up; or, when that is too
// long for 32 bits, the longest wait.
bool IsPollWaitFor(uint32_t wait, uint32_t pollTimeoutMs) {
  const int64_t tenfoldError = int64_t{wait} * 10 - int64_t{pollTimeoutMs} * 12;
  const bool tooLong = int64_t{pollTimeoutMs} * 12 + 5 >= int64_t{10} << 32;
  return tooLong ? wait == std::numeric_limits<uint32_t>::max()
                 : tenfoldError > -5 && tenfoldError <= 5;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EvarixFuzz::InputReader input({data, size});
  std::array<uint8_t, kGetStatusReplySize> reply{};
  if (input.Fill(reply) < reply.size()) return 0;

  const DfuStatus status = DriverRequests::DecodeGetStatusReply(reply);
  const uint32_t pollTimeout = reply[1] | reply[2] << 8 | reply[3] << 16;
  Require(status.status == reply[0] && status.state == reply[4], "status and state pass as sent");
  Require(IsPollWaitFor(status.pollWait, pollTimeout), "the poll wait is 1.2 times the time-out");

  if (input.Rest().size() < 4) return 0;
  const uint32_t longTimeout = input.Word() | uint32_t{input.Word()} << 16;
  Require(IsPollWaitFor(DriverRequests::PollWaitFor(longTimeout), longTimeout),
          "any 32-bit time-out gets its wait");
  return 0;
}
