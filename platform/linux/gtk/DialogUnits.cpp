#include "platform/linux/gtk/DialogUnits.h"

#include <pango/pangocairo.h>

#include <string>

#include "platform/linux/gtk/GtkHandles.h"

namespace EvarixView::Gtk {
namespace {

constexpr int kDotsPerInch = 96;
constexpr int kPointsPerInch = 72;
constexpr const char* kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// a * b / c rounded to the nearest whole number, halves away from zero.
int ScaleRounded(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

struct FontDescriptionFree {
  void operator()(PangoFontDescription* description) const {
    pango_font_description_free(description);
  }
};

struct FontMetricsUnref {
  void operator()(PangoFontMetrics* metrics) const { pango_font_metrics_unref(metrics); }
};

}  // namespace

std::string_view SubstituteFace(std::string_view templateFace) {
  if (templateFace == "MS Shell Dlg" || templateFace == "MS Shell Dlg 2" ||
      templateFace == "MS Sans Serif" || templateFace == "Arial") {
    return "Liberation Sans";
  }
  return templateFace;
}

int PointsToPixels(int points) {
  return ScaleRounded(points, kDotsPerInch, kPointsPerInch);
}

BaseUnits MeasureBaseUnits(std::string_view face, int points) {
  PangoFontMap* fontMap = pango_cairo_font_map_get_default();  // not ours to free
  const auto context = Adopt(pango_font_map_create_context(fontMap));
  pango_cairo_context_set_resolution(context.get(), kDotsPerInch);

  const std::unique_ptr<PangoFontDescription, FontDescriptionFree> description(
      pango_font_description_new());
  const std::string family(face);
  pango_font_description_set_family(description.get(), family.c_str());
  // An absolute size: the whole pixels the size rounds to, as the font was first drawn at.
  pango_font_description_set_absolute_size(description.get(),
                                           PointsToPixels(points) * double{PANGO_SCALE});

  const auto layout = Adopt(pango_layout_new(context.get()));
  pango_layout_set_font_description(layout.get(), description.get());
  pango_layout_set_text(layout.get(), kLetters, -1);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout.get(), &width, &height);

  const std::unique_ptr<PangoFontMetrics, FontMetricsUnref> metrics(
      pango_context_get_metrics(context.get(), description.get(), nullptr));
  const int ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics.get()));
  const int descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(metrics.get()));

  // The classic measure: the letters' extent over 26, plus one, halved.
  return BaseUnits{(width / 26 + 1) / 2, ascent + descent};
}

int HorizontalPixels(int dialogUnits, BaseUnits units) {
  return ScaleRounded(dialogUnits, units.x, 4);
}

int VerticalPixels(int dialogUnits, BaseUnits units) {
  return ScaleRounded(dialogUnits, units.y, 8);
}

}  // namespace EvarixView::Gtk
