#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/view/PageDialogHost.h"
#include "platform/linux/gtk/GtkPageDialog.h"
#include "platform/linux/gtk/GtkViewSystem.h"
#include "support/ViewEvents.h"

// The view tests run real windows on a virtual X server that the test program starts for itself
// and stops at the end. Without Xvfb every view test is skipped.
namespace EvarixView::Gtk::Testing {

// The view system of this test program; null when there is no display.
GtkViewSystem* Views();

// Runs the main loop until done() holds or the time is up; returns done().
bool RunUntil(const std::function<bool()>& done,
              std::chrono::milliseconds limit = std::chrono::seconds(10));
// Runs the main loop for a while.
void Pump(std::chrono::milliseconds duration);

// Evaluates script in the page and returns its value as text ("" when it failed).
std::string Evaluate(WebKitWebView* view, const std::string& script);
// Starts script in the page without waiting for it.
void EvaluateLater(WebKitWebView* view, const std::string& script);

using EvarixView::Testing::RecordingEvents;

// A test with the view system at hand; skipped when there is no display.
class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::unique_ptr<GtkPageDialog> MakeDialog(int templateId, int pageId, IPageDialogEvents& events,
                                            IPageDialogHost* owner = nullptr);
  // Runs a fresh dialog modally until its page has loaded, then ends that run.
  std::unique_ptr<GtkPageDialog> LoadedDialog(int templateId, int pageId, RecordingEvents& events);

  GtkViewSystem* views_ = nullptr;
};

}  // namespace EvarixView::Gtk::Testing
