// Shows each dialog in turn in the state a user meets it in, and saves a PNG of each window.
//
//   evarix-page-screenshot [folder]      (default /tmp/evarix-pages)
//
// Needs a display. No window manager draws title bars under Xvfb, so each window is given a
// GTK title bar of its own for its picture: the caption shows as a person would see it.

#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "platform/linux/gtk/GtkMessageBox.h"
#include "platform/linux/gtk/GtkPageDialog.h"
#include "platform/linux/gtk/GtkViewSystem.h"
#include "tools/page-tools/PageTools.h"

namespace {

using namespace std::chrono_literals;
using EvarixView::Gtk::GtkMessageBox;
using EvarixView::Gtk::GtkPageDialog;
using EvarixView::Gtk::GtkViewSystem;

using EvarixPageTools::RunUntil;

void Settle() {
  EvarixPageTools::Pump(500ms);
}

class QuietBoxEvents : public EvarixView::IMessageBoxEvents {
 public:
  void OnInitDialog() override {}
  void OnTimer(unsigned) override {}
  bool OnCommand() override { return true; }
};

// A title bar of the height and type size desktop window managers draw.
constexpr const char* kTitleBarStyle = R"(
headerbar.titlebar {
  min-height: 26px;
  padding: 0 4px 0 8px;
}
headerbar.titlebar .title {
  font-size: 12px;
}
headerbar.titlebar button.titlebutton {
  min-height: 18px;
  min-width: 18px;
  padding: 2px;
}
)";

void AddTitleBar(GtkWindow* window) {
  GtkWidget* bar = gtk_header_bar_new();
  gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), TRUE);
  // It follows later changes of the caption by itself, but not the caption already set.
  gtk_header_bar_set_title(GTK_HEADER_BAR(bar), gtk_window_get_title(window));
  gtk_widget_show(bar);
  gtk_window_set_titlebar(window, bar);
}

bool Save(GtkWindow* window, const std::filesystem::path& file) {
  gtk_widget_show(GTK_WIDGET(window));
  gtk_window_present(window);
  Settle();
  GdkWindow* surface = gtk_widget_get_window(GTK_WIDGET(window));
  GdkPixbuf* picture = gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface),
                                                  gdk_window_get_height(surface));
  bool saved = false;
  if (picture != nullptr) {
    GError* error = nullptr;
    saved = gdk_pixbuf_save(picture, file.c_str(), "png", &error, nullptr) != FALSE;
    if (!saved) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), error->message);
      g_error_free(error);
    }
    g_object_unref(picture);
  }
  gtk_widget_hide(GTK_WIDGET(window));
  if (saved) std::printf("%s\n", file.c_str());
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "/tmp/evarix-pages";
  std::filesystem::create_directories(folder);
  if (!GtkViewSystem::InitialiseToolkit()) {
    std::fprintf(stderr, "No display to show the dialogs on\n");
    return 1;
  }
  GtkViewSystem views;
  EvarixPageTools::QuietEvents events;
  GtkCssProvider* titleBarStyle = gtk_css_provider_new();
  gtk_css_provider_load_from_data(titleBarStyle, kTitleBarStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                            GTK_STYLE_PROVIDER(titleBarStyle),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(titleBarStyle);

  int failures = 0;
  // The main dialog stays open throughout, as in the program, so the pages share its process.
  std::vector<std::unique_ptr<EvarixView::IPageDialogHost>> open;
  for (const EvarixPageTools::Shot& shot : EvarixPageTools::DialogShots()) {
    auto& host =
        open.emplace_back(views.CreatePageDialog(shot.templateId, shot.pageId, events, nullptr));
    auto* dialog = static_cast<GtkPageDialog*>(host.get());
    AddTitleBar(dialog->Window());
    if (shot.pageId != 0 && !RunUntil([&] { return dialog->IsPageLoaded(); }, 10s)) {
      std::fprintf(stderr, "%s: the page did not load\n", shot.name);
      ++failures;
      continue;
    }
    if (shot.prepare) shot.prepare(*host);
    if (!Save(dialog->Window(), folder / (std::string(shot.name) + ".png"))) ++failures;
  }

  QuietBoxEvents boxEvents;
  auto box =
      views.CreateMessageBox(EvarixPageTools::kCountDownText, EvarixPageTools::kCountDownCaption,
                             boxEvents, open.front().get());
  box->EnableOk(false);
  AddTitleBar(static_cast<GtkMessageBox*>(box.get())->Window());
  if (!Save(static_cast<GtkMessageBox*>(box.get())->Window(), folder / "countdown.png")) {
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
