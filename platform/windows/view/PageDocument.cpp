#include "platform/windows/view/PageDocument.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "litehtml/render_item.h"
#include "platform/windows/view/Utf8.h"

namespace EvarixView::Windows {
namespace {

// An HTML text area shows two rows unless told otherwise.
constexpr int kDefaultTextAreaRows = 2;

// What a browser's own style sheet would add for the controls the native ones stand in for: a
// text area framed as the edit control that covers it, so that its rows fit inside that frame.
constexpr const char* kFormControlStyle = "textarea { border: 2px inset; padding: 1px; }";

// Visits the element and everything below it, in the page's order, until visit returns true.
bool Visit(const litehtml::element::ptr& element,
           const std::function<bool(const litehtml::element::ptr&)>& visit) {
  if (visit(element)) return true;
  return std::any_of(element->children().begin(), element->children().end(),
                     [&](const litehtml::element::ptr& child) { return Visit(child, visit); });
}

// The text as markup that parses back to exactly that text, each line break a <br>.
std::string TextMarkup(std::wstring_view text) {
  const std::string utf8 = ToUtf8(text);
  std::string markup;
  for (size_t at = 0; at < utf8.size(); ++at) {
    switch (const char c = utf8[at]) {
      case '&':
        markup += "&amp;";
        break;
      case '<':
        markup += "&lt;";
        break;
      case '>':
        markup += "&gt;";
        break;
      case '\r':
        if (at + 1 < utf8.size() && utf8[at + 1] == '\n') ++at;
        markup += "<br>";
        break;
      case '\n':
        markup += "<br>";
        break;
      default:
        markup += c;
        break;
    }
  }
  return markup;
}

void CollectText(const litehtml::element::ptr& element, std::string& text) {
  if (element->is_break()) {
    text += '\n';
  } else if (element->is_space()) {
    text += ' ';
  } else if (element->is_text()) {
    element->get_text(text);
  } else {
    for (const auto& child : element->children()) CollectText(child, text);
  }
}

// Runs of spaces as one, and none at the ends of a line.
std::string CollapseSpaces(const std::string& text) {
  std::string collapsed;
  for (const char c : text) {
    const bool lineStart = collapsed.empty() || collapsed.back() == '\n';
    if (c == ' ' && (lineStart || collapsed.back() == ' ')) continue;
    if (c == '\n' && !collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    collapsed += c;
  }
  if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

}  // namespace

PageDocument::PageDocument(const std::string& html, GdiContainer::StyleSheetSource styleSheets)
    : container_(std::move(styleSheets)),
      document_(litehtml::document::createFromString(
          html, &container_, std::string(litehtml::master_css) + kFormControlStyle)) {
  SizeTextAreas();
}

litehtml::element::ptr PageDocument::Find(std::string_view id) const {
  litehtml::element::ptr found;
  if (id.empty() || !document_->root()) return found;
  Visit(document_->root(), [&](const litehtml::element::ptr& element) {
    const char* elementId = element->get_attr("id");
    if (elementId == nullptr || id != elementId) return false;
    found = element;
    return true;
  });
  return found;
}

std::vector<litehtml::element::ptr> PageDocument::FormControls() const {
  std::vector<litehtml::element::ptr> controls;
  if (!document_->root()) return controls;
  Visit(document_->root(), [&](const litehtml::element::ptr& element) {
    if (dynamic_cast<FormControlElement*>(element.get()) != nullptr && element->get_render_item()) {
      controls.push_back(element);
    }
    return false;
  });
  return controls;
}

litehtml::position PageDocument::BorderBox(const litehtml::element::ptr& element) {
  // litehtml places an element by its content box.
  litehtml::position box = element->get_placement();
  if (const auto rendered = element->get_render_item()) {
    box += rendered->get_paddings();
    box += rendered->get_borders();
  }
  return box;
}

litehtml::element::ptr PageDocument::ElementAt(litehtml::pixel_t x, litehtml::pixel_t y) const {
  const auto root = document_->root_render();
  return root ? root->get_element_by_point(x, y, x, y, nullptr) : nullptr;
}

void PageDocument::SizeTextAreas() {
  // litehtml gives a text area no height of its own: it gets the height of its rows, as a
  // browser gives it.
  for (const litehtml::element::ptr& element : FormControls()) {
    const litehtml::css_properties& css = element->css();
    if (std::string_view(element->get_tagName()) != "textarea" ||
        !css.get_height().is_predefined()) {
      continue;
    }
    const int rows = std::atoi(element->get_attr("rows", ""));
    litehtml::pixel_t height =
        static_cast<litehtml::pixel_t>(rows > 0 ? rows : kDefaultTextAreaRows) *
        css.line_height().computed_value;
    if (css.get_box_sizing() == litehtml::box_sizing_border_box) {
      const auto pixels = [&](const litehtml::css_length& length) {
        return document_->to_pixels(length, css.get_font_metrics(), 0);
      };
      height += pixels(css.get_padding().top) + pixels(css.get_padding().bottom) +
                pixels(css.get_borders().top.width) + pixels(css.get_borders().bottom.width);
    }
    element->css_w().set_height(litehtml::css_length(height));
  }
}

void PageDocument::Layout(litehtml::pixel_t width, litehtml::pixel_t height) {
  container_.SetViewport(width, height);
  // The pages fill their windows: their style asks for the body to be as tall as the window less
  // its margins, with calc(), which litehtml does not know.
  if (const auto body = document_->root() ? document_->root()->select_one("body") : nullptr) {
    const litehtml::css_properties& css = body->css();
    const auto pixels = [&](const litehtml::css_length& length) {
      return document_->to_pixels(length, css.get_font_metrics(), width);
    };
    const litehtml::pixel_t margins =
        pixels(css.get_margins().top) + pixels(css.get_margins().bottom);
    body->css_w().set_height(
        litehtml::css_length(std::max<litehtml::pixel_t>(0, height - margins)));
  }
  document_->render(width);
}

void PageDocument::Draw(HDC hdc, const litehtml::position& clip) {
  document_->draw(reinterpret_cast<litehtml::uint_ptr>(hdc), 0, 0, &clip);
}

void PageDocument::SetText(const litehtml::element::ptr& element, std::wstring_view text) {
  // An element that is not shown has no render item for litehtml to replace the children in.
  const bool rendered = element->get_render_item() != nullptr;
  if (!rendered) element->clearRecursive();
  document_->append_children_from_string(*element, TextMarkup(text).c_str(), rendered);
}

std::wstring PageDocument::Text(const litehtml::element::ptr& element) {
  std::string text;
  CollectText(element, text);
  return FromUtf8(CollapseSpaces(text));
}

bool PageDocument::IsDisabled(const litehtml::element::ptr& element) {
  return element->get_attr("disabled") != nullptr;
}

std::vector<std::string> PageDocument::ClickPath(const litehtml::element::ptr& element) {
  std::vector<std::string> ids;
  for (litehtml::element::ptr at = element; at; at = at->parent()) {
    if (IsDisabled(at)) return {};
    const char* id = at->get_attr("id");
    if (id != nullptr && *id != '\0') ids.emplace_back(id);
  }
  return ids;
}

}  // namespace EvarixView::Windows
