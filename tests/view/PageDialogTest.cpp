#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "platform/linux/gtk/PageScheme.h"
#include "view/ViewTestSupport.h"

namespace EvarixView::Gtk::Testing {
namespace {

using namespace std::chrono_literals;

// A left-button click at a point of the widget, through GTK's own event dispatch.
void PressAndRelease(GtkWidget* widget, int x, int y) {
  GdkWindow* window = gtk_widget_get_window(widget);
  int windowX = x;
  int windowY = y;
  if (!gtk_widget_get_has_window(widget)) {
    // A widget without a window of its own is placed within its parent's.
    GtkAllocation place{};
    gtk_widget_get_allocation(widget, &place);
    windowX += place.x;
    windowY += place.y;
  }
  GdkDevice* pointer =
      gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  for (const GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.x = windowX;
    event->button.y = windowY;
    event->button.button = 1;
    event->button.time = GDK_CURRENT_TIME;
    if (type == GDK_BUTTON_RELEASE) event->button.state = GDK_BUTTON1_MASK;
    gdk_event_set_device(event, pointer);
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
}

std::string ElementText(WebKitWebView* view, const std::string& id) {
  return Evaluate(view, "document.getElementById('" + id + "').innerText");
}

struct PageExpectation {
  int templateId;
  int pageId;
  std::vector<std::string> ids;  // elements the logic looks up or binds, in tab order for buttons
  std::string firstButton;       // the button with tabindex 1, if any
  std::string background;        // the body's computed background colour
};

const std::vector<PageExpectation> kPageExpectations = {
    {102,
     129,
     {"MainText", "TextArea", "ButtonOK", "ButtonCancel"},
     "ButtonOK",
     "rgb(255, 255, 255)"},
    {103, 146, {"ButtonOK", "ButtonCancel"}, "ButtonOK", "rgb(244, 240, 244)"},
    {112, 113, {"ResultText", "ButtonOK"}, "ButtonOK", "rgb(244, 240, 244)"},
    {106, 107, {"TimeLeft"}, "", "rgb(244, 240, 244)"},
    {114, 115, {"ButtonOK", "ButtonCancel"}, "ButtonOK", "rgb(244, 240, 244)"},
    {110, 111, {"FailureText", "ButtonQuit", "ButtonRetry"}, "ButtonQuit", "rgb(244, 240, 244)"},
    {108, 109, {"ResultText", "ButtonOK"}, "ButtonOK", "rgb(244, 240, 244)"},
};

// Every page loads through the program's own scheme, with its style sheet, and reports the
// elements the logic relies on; the window takes its template's caption.
TEST_F(ViewTest, EveryPageLoadsWithItsElementsAndStyle) {
  // Kept open together, as in an update, so that the pages share one web process.
  std::vector<std::unique_ptr<GtkPageDialog>> open;
  for (const PageExpectation& expected : kPageExpectations) {
    SCOPED_TRACE("page " + std::to_string(expected.pageId));
    RecordingEvents events;
    auto& dialog = open.emplace_back(LoadedDialog(expected.templateId, expected.pageId, events));
    ASSERT_EQ(events.log, (std::vector<std::string>{"init", "complete"}));
    EXPECT_TRUE(dialog->IsPageLoaded());
    WebKitWebView* view = dialog->WebView();

    EXPECT_EQ(Evaluate(view, "document.body.id"), FindPage(expected.pageId)->bodyId);
    for (const std::string& id : expected.ids) EXPECT_TRUE(dialog->HasElement(id)) << id;
    EXPECT_FALSE(dialog->HasElement("NoSuchElement"));
    if (!expected.firstButton.empty()) {
      EXPECT_EQ(Evaluate(view, "document.querySelector('[tabindex=\"1\"]').id"),
                expected.firstButton);
    }
    EXPECT_EQ(Evaluate(view, "getComputedStyle(document.body).backgroundColor"),
              expected.background);
    EXPECT_EQ(Evaluate(view, "getComputedStyle(document.body).fontFamily"), "Arial, sans-serif");
    EXPECT_STREQ(gtk_window_get_title(dialog->Window()),
                 std::string(FindDialogTemplate(expected.templateId)->caption).c_str());
  }
}

TEST_F(ViewTest, PagesShowTheirDefaultTexts) {
  RecordingEvents events;
  auto progress = LoadedDialog(106, 107, events);
  EXPECT_EQ(ElementText(progress->WebView(), "TimeLeft"), "12 minutes");
  // Two spaces stand between the label and the time left.
  EXPECT_NE(Evaluate(progress->WebView(), "document.body.innerText")
                .find("Estimated time remaining:\u00a0 12 minutes"),
            std::string::npos);

  auto main = LoadedDialog(102, 129, events);
  EXPECT_EQ(ElementText(main->WebView(), "MainText"),
            "This application updates the firmware for Evarix MIDI keyboard controllers.");
  EXPECT_EQ(Evaluate(main->WebView(), "document.getElementById('TextArea').value"), "");
  EXPECT_EQ(Evaluate(main->WebView(), "document.getElementById('TextArea').readOnly"), "true");
  EXPECT_EQ(Evaluate(main->WebView(), "document.getElementById('TextArea').rows"), "3");
  EXPECT_EQ(ElementText(main->WebView(), "ButtonOK"), "Update");
  EXPECT_EQ(ElementText(main->WebView(), "ButtonCancel"), "Quit");

  auto failure = LoadedDialog(110, 111, events);
  EXPECT_EQ(ElementText(failure->WebView(), "FailureText"),
            "The firmware update failed.\n\nPlease turn your Evarix off and on again and then "
            "retry this updater to make sure that valid firmware is installed.");
}

// The template's size in dialog units of Arial-metric 8 pt (6 x 13 pixels a character), and its
// native controls at their places over the page.
TEST_F(ViewTest, WindowsAndNativeControlsTakeTheirTemplateGeometry) {
  RecordingEvents events;
  auto main = LoadedDialog(102, 129, events);
  main->Show(true);
  auto progress = LoadedDialog(106, 107, events);
  progress->Show(true);
  Pump(100ms);

  GtkAllocation page{};
  gtk_widget_get_allocation(GTK_WIDGET(main->WebView()), &page);
  EXPECT_EQ(page.width, 480);
  EXPECT_EQ(page.height, 299);

  GtkWidget* overlay = gtk_bin_get_child(GTK_BIN(progress->Window()));
  GList* children = gtk_container_get_children(GTK_CONTAINER(overlay));
  GtkWidget* bar = nullptr;
  for (GList* child = children; child != nullptr; child = child->next) {
    if (GTK_IS_PROGRESS_BAR(child->data)) bar = GTK_WIDGET(child->data);
  }
  g_list_free(children);
  ASSERT_NE(bar, nullptr);
  GtkAllocation place{};
  gtk_widget_get_allocation(bar, &place);
  int x = -1;
  int y = -1;
  gtk_widget_translate_coordinates(bar, GTK_WIDGET(progress->Window()), 0, 0, &x, &y);
  EXPECT_EQ(x, 24);
  EXPECT_EQ(y, 132);
  EXPECT_EQ(place.width, 429);
  EXPECT_EQ(place.height, 23);

  progress->SetProgress(EvarixApp::kProgressBarControl, 37);
  EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)), 0.37);
  progress->SetProgress(EvarixApp::kProgressBarControl, 140);
  EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)), 1.0);
}

// A control laid over the page that redrew only its own rectangle could leave the page's first
// picture painted there alone: the rest of the page stayed the window's grey.
TEST_F(ViewTest, ChangingANativeControlRedrawsTheWholePage) {
  RecordingEvents events;
  auto progress = LoadedDialog(106, 107, events);
  progress->Show(true);
  GdkWindow* page = gtk_widget_get_window(GTK_WIDGET(progress->WebView()));
  ASSERT_TRUE(RunUntil([&] { return gdk_window_is_viewable(page) != FALSE; }));
  cairo_region_destroy(gdk_window_get_update_area(page));

  progress->SetProgress(EvarixApp::kProgressBarControl, 37);
  cairo_region_t* redrawn = gdk_window_get_update_area(page);
  ASSERT_NE(redrawn, nullptr);
  // The page above the bar, where its heading is.
  const cairo_rectangle_int_t heading{0, 0, gdk_window_get_width(page), 120};
  EXPECT_EQ(cairo_region_contains_rectangle(redrawn, &heading), CAIRO_REGION_OVERLAP_IN);
  cairo_region_destroy(redrawn);
}

// Shown earlier, a window was blank until its page had loaded, and then showed the page's own
// texts until the logic's arrived.
TEST_F(ViewTest, AWindowShowsOnlyOnceTheLogicHasHadItsLoadedPage) {
  RecordingEvents events;
  auto dialog = MakeDialog(108, 109, events);
  bool shownBefore = false;
  events.onEvent = [&](const std::string& event) {
    const bool shown = gtk_widget_get_visible(GTK_WIDGET(dialog->Window())) != FALSE;
    if (event == "init" || event == "complete") shownBefore = shownBefore || shown;
    if (event == "complete") dialog->SetTimer(1, 10);
    if (event == "timer:1") dialog->EndDialog(shown ? kResultOk : kResultCancel);
  };
  EXPECT_EQ(dialog->RunModal(), kResultOk);
  EXPECT_FALSE(shownBefore);
}

TEST_F(ViewTest, ElementOperationsBeforeLoadAreAppliedAfterIt) {
  RecordingEvents events;
  auto dialog = MakeDialog(102, 129, events);
  EXPECT_FALSE(dialog->IsPageLoaded());
  EXPECT_FALSE(dialog->HasElement("MainText"));
  dialog->SetInnerText("MainText", L"Written before the page was there");
  dialog->SetAttribute("ButtonOK", "disabled", L"disabled");
  dialog->SetAttribute("ButtonCancel", "title", L"first");
  dialog->RemoveAttribute("ButtonCancel", "title");
  dialog->SetInnerText("NoSuchElement", L"dropped without a word");
  events.onEvent = [&](const std::string& event) {
    if (event == "complete") dialog->EndDialog(kResultOk);
  };
  ASSERT_EQ(dialog->RunModal(), kResultOk);

  WebKitWebView* view = dialog->WebView();
  EXPECT_EQ(ElementText(view, "MainText"), "Written before the page was there");
  EXPECT_EQ(Evaluate(view, "document.getElementById('ButtonOK').disabled"), "true");
  EXPECT_EQ(Evaluate(view, "document.getElementById('ButtonCancel').hasAttribute('title')"),
            "false");
}

// Texts reach the page as values, never as script: quotes, backslashes and markup arrive as
// written, and the status box shows "\r\n" as a new line.
TEST_F(ViewTest, TextsArriveVerbatimAndTheStatusBoxKeepsItsLineBreaks) {
  RecordingEvents events;
  auto dialog = LoadedDialog(102, 129, events);
  WebKitWebView* view = dialog->WebView();

  dialog->SetInnerText("TextArea", L"An Evarix 25 is connected.\r\nAn update is available.");
  EXPECT_EQ(Evaluate(view, "document.getElementById('TextArea').value"),
            "An Evarix 25 is connected.\nAn update is available.");

  const std::wstring awkward = L"it's \"quoted\" \\ `${1+1}` </textarea><b>x</b> \u00e9";
  dialog->SetInnerText("MainText", awkward);
  EXPECT_EQ(ElementText(view, "MainText"),
            "it's \"quoted\" \\ `${1+1}` </textarea><b>x</b> \u00e9");
  EXPECT_EQ(Evaluate(view, "document.getElementById('MainText').children.length"), "0");

  dialog->SetAttribute("ButtonOK", "disabled", L"disabled");
  EXPECT_EQ(Evaluate(view, "document.getElementById('ButtonOK').disabled"), "true");
  dialog->RemoveAttribute("ButtonOK", "disabled");
  EXPECT_EQ(Evaluate(view, "document.getElementById('ButtonOK').disabled"), "false");
}

TEST_F(ViewTest, ClicksAreRoutedByIdExceptInsideADisabledButton) {
  RecordingEvents events;
  auto dialog = LoadedDialog(102, 129, events);
  WebKitWebView* view = dialog->WebView();
  events.log.clear();
  dialog->SetAttribute("ButtonOK", "disabled", L"disabled");
  Evaluate(view,
           "const inner = document.createElement('span');"
           "inner.textContent = ' now';"
           "document.getElementById('ButtonOK').appendChild(inner); 0");

  // A click inside the disabled Update button, whose child the engine still fires at, then one on
  // the enabled Quit button.
  events.onEvent = [&](const std::string& event) {
    if (event == "init") {
      EvaluateLater(view,
                    "document.querySelector('#ButtonOK span').click();"
                    "document.getElementById('ButtonCancel').click();");
    }
    if (event == "click:ButtonCancel") dialog->EndDialog(kResultCancel);
  };
  EXPECT_EQ(dialog->RunModal(), kResultCancel);
  // The handler ended the dialog: the body, next on the way up, hears nothing more.
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "click:ButtonCancel"}));

  // Enabled again, the same child's click reaches the button, then the body.
  events.log.clear();
  dialog->RemoveAttribute("ButtonOK", "disabled");
  events.onEvent = [&](const std::string& event) {
    if (event == "init") EvaluateLater(view, "document.querySelector('#ButtonOK span').click();");
    if (event == "click:CEvarixFirmwareUpdaterDlg") dialog->EndDialog(kResultOk);
  };
  EXPECT_EQ(dialog->RunModal(), kResultOk);
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "click:ButtonOK",
                                                  "click:CEvarixFirmwareUpdaterDlg"}));
}

TEST_F(ViewTest, ARealPointerClickOnAButtonIsRouted) {
  RecordingEvents events;
  auto dialog = LoadedDialog(112, 113, events);
  dialog->Show(true);
  Pump(200ms);
  const int x =
      std::stoi(Evaluate(dialog->WebView(),
                         "const r = document.getElementById('ButtonOK').getBoundingClientRect();"
                         "Math.round(r.left + r.width / 2)"));
  const int y =
      std::stoi(Evaluate(dialog->WebView(),
                         "const s = document.getElementById('ButtonOK').getBoundingClientRect();"
                         "Math.round(s.top + s.height / 2)"));
  events.onEvent = [&](const std::string& event) {
    if (event == "click:ButtonOK") dialog->EndDialog(kResultOk);
    if (event == "timer:1") {
      PressAndRelease(GTK_WIDGET(dialog->WebView()), x, y);
      dialog->KillTimer(1);
    }
    if (event == "timer:2") dialog->EndDialog(-1);
  };
  dialog->SetTimer(1, 100);
  dialog->SetTimer(2, 5000);
  EXPECT_EQ(dialog->RunModal(), kResultOk);
}

TEST_F(ViewTest, TheCloseBoxArrivesAsCloseAndClosesNothing) {
  RecordingEvents events;
  auto dialog = MakeDialog(114, 115, events);
  bool visibleAfterClose = false;
  events.onEvent = [&](const std::string& event) {
    // The window shows once the logic has had the loaded page: it can be closed from then on.
    if (event == "complete") dialog->SetTimer(2, 10);
    if (event == "timer:2") {
      dialog->KillTimer(2);
      gtk_window_close(dialog->Window());
    }
    if (event == "close") dialog->SetTimer(1, 100);
    if (event == "timer:1") {
      visibleAfterClose = gtk_widget_get_visible(GTK_WIDGET(dialog->Window()));
      dialog->EndDialog(7);
    }
  };
  EXPECT_EQ(dialog->RunModal(), 7);
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_EQ(events.Count("close"), 1);
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(dialog->Window())));
}

TEST_F(ViewTest, NavigationAwayFromThePageIsBlocked) {
  RecordingEvents events;
  auto dialog = LoadedDialog(102, 129, events);
  WebKitWebView* view = dialog->WebView();
  const std::string uri = webkit_web_view_get_uri(view);
  EXPECT_EQ(uri, PageUri("main.html"));

  Evaluate(view, "window.location.href = 'evarix-page:///success.html'; 0");
  Evaluate(view, "window.location.href = 'https://example.invalid/'; 0");
  Evaluate(view, "window.open('evarix-page:///failure.html'); 0");
  Pump(300ms);
  EXPECT_EQ(webkit_web_view_get_uri(view), uri);
  EXPECT_EQ(Evaluate(view, "document.body.id"), "CEvarixFirmwareUpdaterDlg");
  EXPECT_TRUE(dialog->HasElement("TextArea"));
  // Nothing can be dropped on the page to be opened.
  EXPECT_EQ(gtk_drag_dest_get_target_list(GTK_WIDGET(view)), nullptr);
}

TEST_F(ViewTest, ModalRunReturnsTheEndDialogValueWithTimersDeliveredMeanwhile) {
  RecordingEvents ownerEvents;
  auto owner = MakeDialog(102, 129, ownerEvents);
  owner->Show(true);
  owner->SetTimer(1, 20);

  RecordingEvents childEvents;
  auto child = MakeDialog(103, 146, childEvents, owner.get());
  bool ownerBlocked = false;
  childEvents.onEvent = [&](const std::string& event) {
    if (event == "init") child->SetTimer(5, 30);
    if (event == "timer:5" && childEvents.Count("timer:5") == 3) {
      ownerBlocked = !gtk_widget_get_sensitive(GTK_WIDGET(owner->Window()));
      child->EndDialog(42);
    }
  };
  EXPECT_EQ(child->RunModal(), 42);
  EXPECT_EQ(childEvents.Count("timer:5"), 3);
  EXPECT_GE(ownerEvents.Count("timer:1"), 1) << "the owner's timer stood still underneath";
  EXPECT_TRUE(ownerBlocked);
  EXPECT_TRUE(gtk_widget_get_sensitive(GTK_WIDGET(owner->Window())));

  // The child's window is gone for the logic: its timers with it.
  Pump(100ms);
  EXPECT_EQ(childEvents.Count("timer:5"), 3);
}

TEST_F(ViewTest, ADialogEndedBeforeItRunsReturnsAtOnce) {
  RecordingEvents events;
  auto dialog = MakeDialog(108, 109, events);
  events.onEvent = [&](const std::string& event) {
    if (event == "init") dialog->EndDialog(3);
  };
  EXPECT_EQ(dialog->RunModal(), 3);
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(dialog->Window())));
}

TEST_F(ViewTest, ThePageMenuOffersOnlyTheAboutItem) {
  RecordingEvents events;
  auto dialog = LoadedDialog(102, 129, events);
  events.log.clear();

  WebKitContextMenu* menu = webkit_context_menu_new();
  webkit_context_menu_append(
      menu, webkit_context_menu_item_new_from_stock_action(WEBKIT_CONTEXT_MENU_ACTION_RELOAD));
  gboolean handled = TRUE;
  g_signal_emit_by_name(dialog->WebView(), "context-menu", menu, nullptr, nullptr, &handled);
  EXPECT_FALSE(handled) << "the menu should be shown";
  ASSERT_EQ(webkit_context_menu_get_n_items(menu), 1U);
  GAction* about = webkit_context_menu_item_get_gaction(webkit_context_menu_first(menu));
  ASSERT_NE(about, nullptr);

  events.onEvent = [&](const std::string& event) {
    if (event == "about") dialog->EndDialog(kResultOk);
  };
  g_action_activate(about, nullptr);
  EXPECT_EQ(dialog->RunModal(), kResultOk);
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "about"}));
  g_object_unref(menu);
}

TEST_F(ViewTest, TheAboutBoxIsAPlainDialogItsOkButtonEnds) {
  RecordingEvents events;
  auto about = MakeDialog(EvarixApp::Template::kAbout, 0, events);
  EXPECT_EQ(about->WebView(), nullptr);
  GtkWidget* fixed = gtk_bin_get_child(GTK_BIN(about->Window()));
  std::vector<std::string> texts;
  GtkWidget* ok = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(fixed));
  for (GList* child = children; child != nullptr; child = child->next) {
    if (GTK_IS_LABEL(child->data)) texts.emplace_back(gtk_label_get_text(GTK_LABEL(child->data)));
    if (GTK_IS_BUTTON(child->data)) ok = GTK_WIDGET(child->data);
  }
  g_list_free(children);
  ASSERT_GE(texts.size(), 2U);
  EXPECT_EQ(texts[0], "Corvane Evarix Firmware Updater");
  EXPECT_EQ(texts[1], "Version 01.00.006");
  ASSERT_NE(ok, nullptr);
  EXPECT_STREQ(gtk_window_get_title(about->Window()), "About Corvane Evarix Updater");

  events.onEvent = [&](const std::string& event) {
    if (event == "init") about->SetTimer(1, 50);
    if (event == "timer:1") gtk_window_close(about->Window());
    if (event == "close") gtk_button_clicked(GTK_BUTTON(ok));
  };
  EXPECT_EQ(about->RunModal(), kResultOk);
  EXPECT_EQ(events.log, (std::vector<std::string>{"init", "timer:1", "close"}));
}

}  // namespace
}  // namespace EvarixView::Gtk::Testing
