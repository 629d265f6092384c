#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "engine/EResult.h"
#include "engine/ILoader.h"

namespace EvarixTest {

// A loader whose answers the test sets, recording what the user interface asked of it.
class FakeLoader final : public CVFirmwareLoader::ILoader {
 public:
  struct Progress {
    int status;
    int percent;
    int secondsLeft;
  };

  // What CheckFirmware answers, or throws instead while checkThrows is set.
  int check = -1;
  std::optional<CVFirmwareLoader::EResult> checkThrows;
  std::vector<std::wstring> versions{L"0x1023"};
  int startResult = 0;
  std::optional<CVFirmwareLoader::EResult> startThrows;
  std::optional<CVFirmwareLoader::EResult> abortThrows;
  std::optional<CVFirmwareLoader::EResult> progressThrows;
  // One report per GetProgress call; the last one repeats.
  std::deque<Progress> progress{{2, 100, 0}};

  int checkCalls = 0;
  int versionCalls = 0;
  std::vector<std::wstring> startedWith;
  int abortCalls = 0;
  int progressCalls = 0;
  // The number of GetProgress calls made when AbortUpdate was called.
  std::optional<int> progressCallsAtAbort;

  int GetModelId() override { return 0; }
  int SetStateCallback(StateCallback) override { return 0; }
  void ClearStateCallback() override {}
  int CheckFirmware() override {
    ++checkCalls;
    if (checkThrows) throw *checkThrows;
    return check;
  }
  std::wstring GetDeviceFirmwareVersion() override { return L"0x1022"; }
  std::vector<std::wstring> GetImageVersions() override {
    ++versionCalls;
    return versions;
  }
  int StartUpdate(const std::wstring& version) override {
    startedWith.push_back(version);
    if (startThrows) throw *startThrows;
    return startResult;
  }
  int AbortUpdate() override {
    ++abortCalls;
    progressCallsAtAbort = progressCalls;
    if (abortThrows) throw *abortThrows;
    return 0;
  }
  int GetProgress(int& percent, int& secondsLeft) override {
    ++progressCalls;
    if (progressThrows) throw *progressThrows;
    const Progress now = progress.front();
    if (progress.size() > 1) progress.pop_front();
    percent = now.percent;
    secondsLeft = now.secondsLeft;
    return now.status;
  }
};

}  // namespace EvarixTest
