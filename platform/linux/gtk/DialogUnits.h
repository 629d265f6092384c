#pragma once

#include <string_view>

// Dialog units, the way the dialogs were laid out: a horizontal unit is a quarter of the
// template font's average character width, a vertical unit an eighth of its height.
namespace EvarixView::Gtk {

// The template font's average character width and height in pixels.
struct BaseUnits {
  int x = 0;
  int y = 0;
};

// The face that draws a template's font here. The classic dialog faces are not on Linux;
// Liberation Sans has Arial's metrics and gives the same base units they had at 8 points (6 x 13).
std::string_view SubstituteFace(std::string_view templateFace);

// Pixels for a font size in points, at the 96 dots per inch the pages are laid out for, rounded.
int PointsToPixels(int points);

// Measures the face at that size: the width of the 52 Latin letters over 52, rounded, and the
// font's ascent plus descent.
BaseUnits MeasureBaseUnits(std::string_view face, int points);

int HorizontalPixels(int dialogUnits, BaseUnits units);
int VerticalPixels(int dialogUnits, BaseUnits units);

}  // namespace EvarixView::Gtk
