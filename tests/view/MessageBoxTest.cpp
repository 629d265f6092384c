#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/gtk/GtkMessageBox.h"
#include "view/ViewTestSupport.h"

namespace EvarixView::Gtk::Testing {
namespace {

void PressKey(GtkWindow* window, guint keyval) {
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window))));
  event->key.keyval = keyval;
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  gdk_event_set_device(
      event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_widget_event(GTK_WIDGET(window), event);
  gdk_event_free(event);
}

using EvarixView::Testing::SwallowingEvents;

TEST_F(ViewTest, TheCountDownBoxSwallowsEveryDismissalWhileTheLogicSaysSo) {
  RecordingEvents ownerEvents;
  auto owner = MakeDialog(102, 129, ownerEvents);
  SwallowingEvents events;
  auto host =
      views_->CreateMessageBox(L"Waiting for enum...", L"3 seconds remaining", events, owner.get());
  auto* box = static_cast<GtkMessageBox*>(host.get());
  GtkWindow* window = box->Window();
  std::vector<bool> stillShown;
  std::vector<std::string> captions;

  events.onInit = [&] {
    host->EnableOk(false);
    host->SetTimer(100, 30);
  };
  int tick = 0;
  events.onTimer = [&] {
    stillShown.push_back(gtk_widget_get_visible(GTK_WIDGET(window)) != FALSE);
    switch (++tick) {
      case 1:
        PressKey(window, GDK_KEY_Return);
        break;
      case 2:
        PressKey(window, GDK_KEY_Escape);
        break;
      case 3:
        PressKey(window, GDK_KEY_space);
        break;
      case 4:
        gtk_window_close(window);
        break;
      case 5:
        host->SetCaption(L"0 seconds remaining");
        captions.emplace_back(gtk_window_get_title(window));
        events.swallow = false;
        host->EnableOk(true);
        host->FocusOk();
        EXPECT_TRUE(gtk_widget_get_sensitive(box->OkButton()));
        EXPECT_TRUE(gtk_widget_has_focus(box->OkButton()));
        break;
      case 6:
        PressKey(window, GDK_KEY_Return);
        break;
      default:
        host->Close();
        break;  // only if the Return above did not close it
    }
  };
  EXPECT_STREQ(gtk_window_get_title(window), "3 seconds remaining");
  host->RunModal();

  EXPECT_EQ(events.log,
            (std::vector<std::string>{"init", "timer:100", "swallowed", "timer:100", "swallowed",
                                      "timer:100", "swallowed", "timer:100", "swallowed",
                                      "timer:100", "timer:100", "command"}));
  EXPECT_EQ(stillShown, std::vector<bool>(6, true));
  EXPECT_EQ(captions, std::vector<std::string>{"0 seconds remaining"});
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window)));
}

TEST_F(ViewTest, TheLogicClosesTheCountDownBoxByItself) {
  SwallowingEvents events;
  auto host =
      views_->CreateMessageBox(L"Waiting for enum...", L"1 seconds remaining", events, nullptr);
  events.onInit = [&] { host->SetTimer(100, 20); };
  events.onTimer = [&] { host->Close(); };
  host->RunModal();
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "timer:100"}));
}

}  // namespace
}  // namespace EvarixView::Gtk::Testing
