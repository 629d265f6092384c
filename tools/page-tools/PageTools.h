#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/view/PageDialogHost.h"
#include "tools/page-tools/DialogShots.h"

// What the programs that show our pages outside the updater share: the developer tools and the
// view tests run the GTK main loop themselves and look into the pages by script.
namespace EvarixPageTools {

// Runs the main loop until done() holds or the time is up; returns done().
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
// Runs the main loop for a while.
void Pump(std::chrono::milliseconds duration);

// Evaluates script in the page and returns its value as text; nullopt when it failed or gave no
// answer within ten seconds.
std::optional<std::string> Evaluate(WebKitWebView* view, const std::string& script);

}  // namespace EvarixPageTools
