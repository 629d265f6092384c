#include "tools/page-tools/PageTools.h"

#include <gtk/gtk.h>

#include <memory>
#include <thread>

namespace EvarixPageTools {

using namespace std::chrono_literals;

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(1ms);
  }
  return true;
}

void Pump(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

std::optional<std::string> Evaluate(WebKitWebView* view, const std::string& script) {
  struct Answer {
    bool done = false;
    std::optional<std::string> text;
  };
  // Shared with the callback, which a page that answers late still runs after we have given up.
  const auto answer = std::make_shared<Answer>();
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        const std::unique_ptr<std::shared_ptr<Answer>> reply(
            static_cast<std::shared_ptr<Answer>*>(data));
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
        if (value != nullptr) {
          gchar* text = jsc_value_to_string(value);
          if (text != nullptr) (*reply)->text = text;
          g_free(text);
          g_object_unref(value);
        }
        (*reply)->done = true;
      },
      new std::shared_ptr<Answer>(answer));
  RunUntil([&] { return answer->done; }, 10s);
  return answer->done ? answer->text : std::nullopt;
}

}  // namespace EvarixPageTools
