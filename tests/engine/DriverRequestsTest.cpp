#include "engine/DriverRequests.h"

#include <gtest/gtest.h>

using namespace CVFirmwareLoader;

namespace {

TEST(DriverRequestsTest, GetStatusReplyDecodesWithPollWaitRoundedHalfUp) {
  const std::array<uint8_t, 6> busy = {0x00, 0x10, 0x00, 0x00, 0x04, 0x00};
  const DfuStatus status = DriverRequests::DecodeGetStatusReply(busy);
  EXPECT_EQ(status.status, 0u);
  EXPECT_EQ(status.pollWait, 19u);  // 16 * 1.2 + 0.5 = 19.7
  EXPECT_EQ(status.state, 4u);

  const std::array<uint8_t, 6> longest = {0x0E, 0xFF, 0xFF, 0xFF, 0x0A, 0x07};
  const DfuStatus error = DriverRequests::DecodeGetStatusReply(longest);
  EXPECT_EQ(error.status, 0x0Eu);
  EXPECT_EQ(error.pollWait, 20132658u);
  EXPECT_EQ(error.state, 10u);

  // 3 ms make 3.6, rounded up; 1 ms makes 1.2, rounded down.
  const std::pair<uint32_t, uint32_t> waits[] = {{0, 0}, {1, 1}, {3, 4}, {5, 6}, {100, 120}};
  for (const auto& [timeout, wait] : waits) EXPECT_EQ(DriverRequests::PollWaitFor(timeout), wait);
}

TEST(DriverRequestsTest, PollWaitTooLongForThirtyTwoBitsIsTheLongestWait) {
  const std::pair<uint32_t, uint32_t> waits[] = {
      {3579139412u, 4294967294u}, {3579139413u, UINT32_MAX}, {UINT32_MAX, UINT32_MAX}};
  for (const auto& [timeout, wait] : waits) EXPECT_EQ(DriverRequests::PollWaitFor(timeout), wait);
}

TEST(DriverRequestsTest, DetachRequestCarriesTheTimeOut) {
  EXPECT_EQ(DriverRequests::EncodeDetachRequest(0x03E8),
            (std::array<uint8_t, 4>{0x01, 0x00, 0xE8, 0x03}));
}

std::array<uint8_t, 96> InfoReply(const std::u16string& text) {
  std::array<uint8_t, 96> reply{0xAA, 0xBB};  // header bytes carry nothing
  for (size_t i = 0; i < text.size() && 2 + 2 * i + 1 < reply.size(); ++i) {
    reply[2 + 2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
    reply[3 + 2 * i] = static_cast<uint8_t>(text[i] >> 8);
  }
  return reply;
}

TEST(DriverRequestsTest, InfoTextIsUtf16EndingAtZeroOrAtTheEndOfTheReply) {
  EXPECT_EQ(DriverRequests::DecodeInfoTextReply(InfoReply(u"V1022 B0780 H0100 VALID")),
            L"V1022 B0780 H0100 VALID");
  EXPECT_EQ(DriverRequests::DecodeInfoTextReply(InfoReply(std::u16string(60, u'x'))),
            std::wstring(47, L'x'));
  EXPECT_EQ(DriverRequests::DecodeInfoTextReply(InfoReply(u"")), L"");
  EXPECT_EQ(DriverRequests::DecodeInfoTextReply(InfoReply(u"caf\u00e9 \U0001F3B9")),
            L"caf\u00e9 \U0001F3B9");
  // A lone surrogate is no character: it is replaced, not passed on.
  EXPECT_EQ(DriverRequests::DecodeInfoTextReply(InfoReply(std::u16string{u'a', 0xD800, u'b'})),
            L"a\uFFFDb");
}

}  // namespace
