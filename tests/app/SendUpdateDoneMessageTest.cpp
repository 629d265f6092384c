#include "app/SendUpdateDoneMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/MidiOutput.h"

namespace CVFirmwareLoader {
namespace {

using testing::AllOf;
using testing::ElementsAre;
using testing::EndsWith;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::StartsWith;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const std::string kUpdateDone = "send F0 00 00 00 22 7F 06 04 00 01 F7";

// A system's MIDI outputs: a list of ports, some of whose names cannot be read. It records what is
// done to it, and fails a step when told to with the number it is given.
class FakeMidiOutput final : public IMidiOutput {
 public:
  static constexpr int kNoSuchPort = 2;

  explicit FakeMidiOutput(std::vector<std::optional<std::string>> ports)
      : ports_(std::move(ports)) {}

  unsigned PortCount() override { return static_cast<unsigned>(ports_.size()); }
  std::optional<std::string> PortName(unsigned index) override {
    return index < ports_.size() ? ports_[index] : std::nullopt;
  }
  int Open(unsigned index) override {
    calls.push_back("open " + std::to_string(index));
    if (index >= ports_.size()) return kNoSuchPort;
    return openError;
  }
  int SendSystemExclusive(std::span<const uint8_t> message) override {
    std::string call = "send";
    for (const uint8_t byte : message) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", byte);
      call += hex;
    }
    calls.push_back(call);
    return sendError;
  }
  int Close() override {
    calls.push_back("close");
    return closeError;
  }

  int openError = 0;
  int sendError = 0;
  int closeError = 0;
  std::vector<std::string> calls;

 private:
  std::vector<std::optional<std::string>> ports_;
};

struct Sent {
  int result;
  std::string output;  // what went to standard output
};

Sent Send(FakeMidiOutput& midi, const char* portName) {
  ScopedMidiOutput installed(&midi);
  CaptureStdout();
  const int result = SendUpdateDoneMessage(portName);
  return {result, GetCapturedStdout()};
}

// Port search: which port the message goes to.

struct PortSearchCase {
  const char* behaviour;
  std::vector<std::optional<std::string>> ports;
  const char* wanted;
  unsigned expected;
};

void PrintTo(const PortSearchCase& row, std::ostream* out) {
  *out << row.behaviour;
}

class PortSearch : public testing::TestWithParam<PortSearchCase> {};

TEST_P(PortSearch, SendsTheWholeMessageToTheChosenPortAndClosesIt) {
  FakeMidiOutput midi(GetParam().ports);
  const Sent sent = Send(midi, GetParam().wanted);
  EXPECT_EQ(sent.result, 0);
  EXPECT_THAT(sent.output, IsEmpty());
  EXPECT_THAT(midi.calls,
              ElementsAre("open " + std::to_string(GetParam().expected), kUpdateDone, "close"));
}

using Names = std::vector<std::optional<std::string>>;
const std::string kNulInside("Synth\0Evarix 25 Quorvel", 23);

INSTANTIATE_TEST_SUITE_P(
    SendUpdateDoneMessage, PortSearch,
    testing::Values(
        PortSearchCase{"TwoMatchingPortsTheHigherIndexWins",
                       Names{"Synth", "Evarix 25 Quorvel", "Thru", "Evarix 25 Quorvel", "Out"},
                       "Evarix 25 Quorvel", 3},
        PortSearchCase{"ExtraWordsBeforeAndAfterStillMatch",
                       Names{"Thru", "USB Evarix 25 Quorvel MIDI 2", "Synth"}, "Evarix 25 Quorvel",
                       1},
        PortSearchCase{"TheNameMayEndTheWantedText", Names{"Thru", "Synth", "Evarix 25 Quorvel"},
                       "Quorvel", 2},
        PortSearchCase{"EmptyNameMatchesEveryPortSoTheLastWins", Names{"Thru", "Synth", "Out"}, "",
                       2},
        PortSearchCase{"MissingNameIsTakenAsEmpty", Names{"Thru", "Synth", "Out"}, nullptr, 2},
        PortSearchCase{"UnreadablePortNeverMatchesNotEvenTheEmptyName",
                       Names{"Thru", "Synth", std::nullopt}, "", 1},
        PortSearchCase{"NoMatchFallsBackToPortZero", Names{"Thru", "Synth"}, "Evarix 25 Quorvel",
                       0},
        PortSearchCase{"SearchIsCaseSensitive", Names{"Thru", "evarix 25 quorvel"},
                       "Evarix 25 Quorvel", 0},
        PortSearchCase{"PartOfTheWantedTextIsNoMatch", Names{"Thru", "Evarix 25"},
                       "Evarix 25 Quorvel", 0},
        PortSearchCase{"NameEndsAtItsFirstZero", Names{"Thru", kNulInside}, "Evarix 25 Quorvel",
                       0}),
    [](const testing::TestParamInfo<PortSearchCase>& row) { return row.param.behaviour; });

// Failures: one line named after the failing step, -1, and no step after it.

TEST(SendUpdateDoneMessageFailures, EachStepFailsWithItsLineAndItsNumber) {
  using Midi = FakeMidiOutput;
  struct Case {
    size_t ports;  // the keyboard's the last of them
    int Midi::*failingStep;
    int error;  // goes out in signed decimal, whatever it is
    const char* line;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {0, nullptr, 0, "midiOutOpen:: error=2\n", {"open 0"}},
      {1, &Midi::openError, -7, "midiOutOpen:: error=-7\n", {"open 0"}},
      {2, &Midi::sendError, 5, "midiOutLongMsg:: error=5\n", {"open 1", kUpdateDone}},  // left open
      {1, &Midi::closeError, 9, "midiOutClose:: error=9\n", {"open 0", kUpdateDone, "close"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Names ports(c.ports, "Thru");
    if (!ports.empty()) ports.back() = "Evarix 25 Quorvel";
    FakeMidiOutput midi(ports);
    if (c.failingStep != nullptr) midi.*c.failingStep = c.error;
    const Sent sent = Send(midi, "Evarix 25 Quorvel");
    EXPECT_EQ(sent.result, -1);
    EXPECT_EQ(sent.output, c.line);
    EXPECT_EQ(midi.calls, c.calls);
  }
}

TEST(SendUpdateDoneMessageFailures, WithNothingInstalledThereAreNoPortsAndOpenFails) {
  CaptureStdout();
  const int result = SendUpdateDoneMessage("Evarix 25 Quorvel");
  EXPECT_EQ(result, -1);
  // One line, with a non-zero error number. (GoogleTest's regular expressions differ between
  // Linux and Windows, so none is used.)
  const std::string output = GetCapturedStdout();
  EXPECT_THAT(output, AllOf(StartsWith("midiOutOpen:: error="), EndsWith("\n")));
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
  EXPECT_THAT(output, Not(HasSubstr("error=0\n")));
}

}  // namespace
}  // namespace CVFirmwareLoader
