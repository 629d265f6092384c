#include "tools/demo-driver/UpdateSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace EvarixDemo {
namespace {

// The first step of the window named.
size_t StepNamed(const std::vector<Step>& steps, const std::string& name) {
  return static_cast<size_t>(
      std::ranges::find_if(steps,
                           [&](const Step& step) { return step.name.ends_with("-" + name); }) -
      steps.begin());
}

// A screen where only the window named shows.
auto Showing(const std::string& name) {
  return [name](const Step& step) { return step.name.ends_with("-" + name); };
}

// A download quick enough takes windows away between two looks of the driver: it must follow
// the update past them, but never past a window that waits for its click.
TEST(UpdateStepsTest, WindowsThatGoByThemselvesMayGoUnseenButNoneThatWaitsForAClick) {
  const std::vector<Step> update = UpdateSteps(false);
  const size_t progress = StepNamed(update, "progress");
  EXPECT_EQ(ShownStep(update, progress, Showing("progress")), progress);
  EXPECT_EQ(ShownStep(update, progress, Showing("success")), StepNamed(update, "success"));
  EXPECT_EQ(ShownStep(update, StepNamed(update, "main"), Showing("confirmation")), std::nullopt);

  // The download that fails ends on the failure page, which the retry's windows come after.
  const std::vector<Step> retried = UpdateSteps(true);
  EXPECT_EQ(ShownStep(retried, StepNamed(retried, "progress"), Showing("failure")),
            StepNamed(retried, "failure"));
  EXPECT_EQ(ShownStep(retried, StepNamed(retried, "failure"), Showing("success")), std::nullopt);
}

}  // namespace
}  // namespace EvarixDemo
