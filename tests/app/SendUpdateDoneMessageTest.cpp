#include "app/SendUpdateDoneMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/MidiOutput.h"

namespace CVFirmwareLoader {
namespace {

using testing::AllOf;
using testing::EndsWith;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::StartsWith;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const std::string kPrepareUpdateDone = "prepare F0 00 00 00 22 7F 06 04 00 01 F7";

// A system's MIDI outputs: a list of ports, some of whose names cannot be read. It records what is
// done to it, and fails a step when told to with the number it is given.
class FakeMidiOutput final : public IMidiOutput {
 public:
  enum Step { kOpen, kPrepare, kSend, kUnprepare, kReset, kClose, kSteps };
  static constexpr int kNoSuchPort = 2;

  explicit FakeMidiOutput(std::vector<std::optional<std::string>> ports)
      : ports_(std::move(ports)) {}

  unsigned PortCount() override { return static_cast<unsigned>(ports_.size()); }
  std::optional<std::string> PortName(unsigned index) override {
    return index < ports_.size() ? ports_[index] : std::nullopt;
  }
  int Open(unsigned index) override {
    const int error = Take(kOpen, "open " + std::to_string(index));
    return index < ports_.size() ? error : kNoSuchPort;
  }
  int PrepareSystemExclusive(std::span<const uint8_t> message) override {
    std::string call = "prepare";
    for (const uint8_t byte : message) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", byte);
      call += hex;
    }
    return Take(kPrepare, call);
  }
  int SendSystemExclusive() override { return Take(kSend, "send"); }
  int UnprepareSystemExclusive() override { return Take(kUnprepare, "unprepare"); }
  int Reset() override { return Take(kReset, "reset"); }
  int Close() override { return Take(kClose, "close"); }

  std::array<int, kSteps> errors{};
  std::vector<std::string> calls;

 private:
  int Take(Step step, std::string call) {
    calls.push_back(std::move(call));
    return errors[step];
  }

  std::vector<std::optional<std::string>> ports_;
};

// Every step, in order, on the given port.
std::vector<std::string> AllSteps(unsigned port) {
  return {
      "open " + std::to_string(port), kPrepareUpdateDone, "send", "unprepare", "reset", "close"};
}

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
  EXPECT_EQ(midi.calls, AllSteps(GetParam().expected));
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
    Midi::Step failing;
    int error;  // goes out in signed decimal, whatever it is
    const char* line;
  };
  const Case cases[] = {
      {0, Midi::kOpen, 0, "midiOutOpen:: error=2\n"},  // no port at all
      {1, Midi::kOpen, -7, "midiOutOpen:: error=-7\n"},
      {2, Midi::kPrepare, 11, "midiOutPrepareHeader:: error=11\n"},
      {2, Midi::kSend, 5, "midiOutLongMsg:: error=5\n"},  // left readied and open
      {2, Midi::kUnprepare, 65, "midiOutUnprepareHeader:: error=65\n"},
      {2, Midi::kReset, 6, "midiOutReset:: error=6\n"},
      {1, Midi::kClose, 9, "midiOutClose:: error=9\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Names ports(c.ports, "Thru");
    if (!ports.empty()) ports.back() = "Evarix 25 Quorvel";
    FakeMidiOutput midi(ports);
    midi.errors[c.failing] = c.error;
    const Sent sent = Send(midi, "Evarix 25 Quorvel");
    EXPECT_EQ(sent.result, -1);
    EXPECT_EQ(sent.output, c.line);
    // No step after the failing one.
    std::vector<std::string> taken = AllSteps(c.ports > 0 ? static_cast<unsigned>(c.ports - 1) : 0);
    taken.resize(c.failing + 1);
    EXPECT_EQ(midi.calls, taken);
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
