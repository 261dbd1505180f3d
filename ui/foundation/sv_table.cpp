#include "ui/foundation/sv_table.h"

#include <algorithm>
#include <optional>

#include "platform/coregraphics/gradient.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/theme.h"

namespace {

ui::Color tableColor(ThemeColor element) { return *themeColor(element); }

// The three class-wide cell colours.
struct CellColors {
  std::optional<ui::Color> background, text, detail;
};

CellColors& cellColors() {
  static CellColors colors;
  return colors;
}

ui::Color cached(std::optional<ui::Color>& slot, ThemeColor element) {
  if (!slot) slot = *themeColor(element);
  return *slot;
}

}  // namespace

// ---- SVTableView -----------------------------------------------------------------

SVTableView::SVTableView(ui::TableViewStyle style) : ui::TableView(style) {}
SVTableView::SVTableView(const ui::Rect& frame, ui::TableViewStyle style) : ui::TableView(frame, style) {}

ui::Color SVTableView::tableBackgroundColor() { return tableColor(ThemeColor::tableBackground); }
ui::Color SVTableView::tableSeparatorColor() { return tableColor(ThemeColor::tableSeparator); }
ui::Color SVTableView::sectionHeaderTextColor() { return tableColor(ThemeColor::sectionHeaderText); }
ui::Color SVTableView::sectionHeaderBackgroundColor() { return tableColor(ThemeColor::sectionHeaderBackground); }

void SVTableView::layoutSubviews() {
  ui::TableView::layoutSubviews();
  if (backgroundView()) setBackgroundView(nullptr);
  if (initialized_) return;
  initialized_ = true;
  setBackgroundColor(tableBackgroundColor());
  separatorColor = tableSeparatorColor();
  sectionIndexBackgroundColor = SVTableViewCell::backgroundColor();
}

// ---- SVTableViewCell -------------------------------------------------------------

SVTableViewCell::SVTableViewCell(ui::TableViewCellStyle style, std::string reuseIdentifier)
    : ui::TableViewCell(style, std::move(reuseIdentifier)) {
  commonInit(style);
}

SVTableViewCell::SVTableViewCell(Decoded, ui::TableViewCellStyle style, std::string reuseIdentifier)
    : ui::TableViewCell(style, std::move(reuseIdentifier)) {
  commonInit(ui::TableViewCellStyle::defaultStyle);
}

ui::Color SVTableViewCell::backgroundColor() { return cached(cellColors().background, ThemeColor::cellBackground); }
ui::Color SVTableViewCell::textColor() { return cached(cellColors().text, ThemeColor::cellText); }
ui::Color SVTableViewCell::detailTextColor() { return cached(cellColors().detail, ThemeColor::cellDetailText); }
void SVTableViewCell::appThemeChanged() { cellColors() = {}; }

void SVTableViewCell::commonInit(ui::TableViewCellStyle style) {
  if (ui::Label* detail = detailTextLabel()) detail->setFont(detail->font()->withSize(13));
  setBackgroundColor(backgroundColor());
  textLabel().setTextColor(textColor());
  if (style != ui::TableViewCellStyle::defaultStyle && detailTextLabel())
    detailTextLabel()->setTextColor(detailTextColor());
  const ui::Color highlighted = *themeColor(ThemeColor::cellHighlightedText);
  textLabel().highlightedTextColor = highlighted;
  if (ui::Label* detail = detailTextLabel()) detail->highlightedTextColor = highlighted;

  std::optional<ui::Color> selected;
  switch (currentThemeColumn()) {
    case ThemeColumn::night: selected = themeColor(ThemeColor::cellSelectedBackground); break;
    case ThemeColumn::dark: {
      double hue, saturation, brightness, alpha;
      AppDelegate::defaultTintColor().getHSBA(hue, saturation, brightness, alpha);
      selected = ui::Color::hsba(hue, saturation, brightness * 0.7, alpha);
      break;
    }
    case ThemeColumn::light: break;  // the platform's
  }
  if (selected) {
    auto background = std::make_shared<ui::View>();
    background->setBackgroundColor(selected);
    setSelectedBackgroundView(background);
  }
}

bool SVTableViewCell::setValue(std::string_view key, const std::any& value) {
  if (auto* number = std::any_cast<double>(&value); number && key == "accessoryType") {
    setAccessoryType(static_cast<ui::TableViewCellAccessory>(std::clamp(int(*number), 0, 4)));
    return true;
  }
  return ui::TableViewCell::setValue(key, value);
}

void SVTableViewCell::setAccessoryType(ui::TableViewCellAccessory type) {
  setAccessoryView(nullptr);
  ui::TableViewCell::setAccessoryType(type);
  const bool night = AppDelegate::isNightVision();
  ui::ImagePointer image;
  if (type == ui::TableViewCellAccessory::disclosureIndicator) {
    image = ui::Image::named("Disclosure.png");
    if (night) image = tintedImageUsingColor(image, *themeColor(ThemeColor::disclosureTint, ThemeColumn::night));
  } else if (type == ui::TableViewCellAccessory::checkmark) {
    image = ui::Image::named("Checkmark.png");
    if (night) image = tintedImageUsingColor(image, *themeColor(ThemeColor::checkmarkTint, ThemeColumn::night));
  }
  if (image) {
    auto view = std::make_shared<ui::ImageView>(image);
    setAccessoryView(view);
  }
}

// ---- SVSectionHeader -------------------------------------------------------------

SVSectionHeader::SVSectionHeader() : ui::View(ui::Rect{0, 0, 320, 36}) {
  setBackgroundColor(ui::Color::clear());
  textLabel_ = std::make_shared<ui::Label>(ui::Rect{20, 0, 300, 36});
  textLabel_->setFont(ui::Font::boldSystemFont(17));
  textLabel_->setBackgroundColor(ui::Color::clear());
  textLabel_->setTextColor(*themeColor(ThemeColor::sectionHeaderLabel));
  addSubview(textLabel_);
}

// ---- SVSelectedBackgroundView ----------------------------------------------------

SVSelectedBackgroundView::SVSelectedBackgroundView(const ui::Rect& frame) : ui::View(frame) {
  setBackgroundColor(ui::Color::clear());
}

bool SVSelectedBackgroundView::setValue(std::string_view key, const std::any& value) {
  if (auto* flag = std::any_cast<bool>(&value)) {
    if (key == "roundedTop") return roundedTop = *flag, setNeedsDisplay(), true;
    if (key == "roundedBottom") return roundedBottom = *flag, setNeedsDisplay(), true;
  }
  return ui::View::setValue(key, value);
}

void SVSelectedBackgroundView::createPathFor(const ui::Rect& rect, cg::Context& context) const {
  const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
  if (!(w > 0 && h > 0)) return;
  // Longer curves than half a side would cross each other.
  const double r = std::min({24.0, w / 2, h / 2});
  const double right = x + w, bottom = y + h;
  if (roundedTop) {
    context.moveToPoint(x, y + r);
    context.addCurveToPoint(x, y, x, y, x + r, y);
    context.addLineToPoint(right - r, y);
    context.addCurveToPoint(right, y, right, y, right, y + r);
  } else {
    context.moveToPoint(x, y);
    context.addLineToPoint(right, y);
  }
  if (roundedBottom) {
    context.addLineToPoint(right, bottom - r);
    context.addCurveToPoint(right, bottom, right, bottom, right - r, bottom);
    context.addLineToPoint(x + r, bottom);
    context.addCurveToPoint(x, bottom, x, bottom, x, bottom - r);
  } else {
    context.addLineToPoint(right, bottom);
    context.addLineToPoint(x, bottom);
  }
  context.closePath();
}

void SVSelectedBackgroundView::drawRect(cg::Context& context, const ui::Rect& rect) {
  const ui::Rect b = bounds();
  const ui::Rect area{b.x() + 1, b.y() + 1, b.width() - 2, b.height() - 1};
  if (area.width() > 0 && area.height() > 0) {
    context.saveGState();
    createPathFor(area, context);
    context.clip();
    auto gradient = cg::Gradient::create({cg::Color{0.6, 0, 0, 1}, cg::Color{0.4, 0, 0, 1}}, {0, 1});
    context.drawLinearGradient(*gradient, {area.midX(), area.minY()}, {area.midX(), area.maxY()}, 0);
    context.restoreGState();
  }
  ui::View::drawRect(context, rect);
}
