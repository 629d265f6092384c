#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "litehtml.h"
#include "platform/windows/view/GdiContainer.h"

namespace EvarixView::Windows {

// One page, parsed and laid out by litehtml and drawn with GDI: its elements by id, their texts,
// and the boxes the native controls stand on. Coordinates are CSS pixels from the page's corner.
class PageDocument {
 public:
  PageDocument(const std::string& html, GdiContainer::StyleSheetSource styleSheets);
  PageDocument(const PageDocument&) = delete;
  PageDocument& operator=(const PageDocument&) = delete;

  // The element with this id; null when the page has none.
  litehtml::element::ptr Find(std::string_view id) const;
  // The form controls, in the page's order, that have a box.
  std::vector<litehtml::element::ptr> FormControls() const;
  // The box an element takes with its padding and border: where a native control stands in for
  // it.
  static litehtml::position BorderBox(const litehtml::element::ptr& element);
  // The element drawn at a point, or null.
  litehtml::element::ptr ElementAt(litehtml::pixel_t x, litehtml::pixel_t y) const;

  // Lays the page out to fill a viewport of this size.
  void Layout(litehtml::pixel_t width, litehtml::pixel_t height);
  void Draw(HDC hdc, const litehtml::position& clip);

  // Replaces the element's content by the text, its line breaks ("\r\n", "\n" or "\r") kept; the
  // page must be laid out again to show it.
  void SetText(const litehtml::element::ptr& element, std::wstring_view text);
  // The element's text as it shows: white space collapsed, line breaks as "\n".
  static std::wstring Text(const litehtml::element::ptr& element);
  // The ids a click on the element reaches, nearest first: none when it lies inside a disabled
  // element.
  static std::vector<std::string> ClickPath(const litehtml::element::ptr& element);
  static bool IsDisabled(const litehtml::element::ptr& element);

 private:
  void SizeTextAreas();

  // First, so that it outlives the document, which gives its fonts back to it.
  GdiContainer container_;
  litehtml::document::ptr document_;
};

}  // namespace EvarixView::Windows
