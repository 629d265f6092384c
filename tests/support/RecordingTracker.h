#pragma once

#include <functional>
#include <vector>

#include "engine/Device.h"
#include "engine/EResult.h"

namespace EvarixTest {

// Remembers every progress report; refuses the ones the test chooses, as a loader that is no
// longer downloading does.
class RecordingTracker final : public CVFirmwareLoader::Device::ProgressTracker {
 public:
  struct Report {
    int code;
    double percent;
    bool operator==(const Report&) const = default;
  };

  std::function<bool(const Report&)> refuse;

  int OnProgress(int code, double percent) override {
    const Report report{code, percent};
    reports.push_back(report);
    if (refuse && refuse(report)) throw CVFirmwareLoader::eFailed;
    return 0;
  }

  std::vector<Report> reports;
};

}  // namespace EvarixTest
