#include "platform/uikit/pickers.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cstdio>

#include "platform/uikit/navigation_controller.h"

namespace ui {

// ---- Toolbar -------------------------------------------------------------------

Toolbar::Toolbar() : View(Rect{0, 0, 320, 44}) { setAutoresizingMask(kFlexibleWidth | kFlexibleTopMargin); }

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items) {
  for (auto& v : views_)
    if (v) v->removeFromSuperview();
  views_.clear();
  items_ = std::move(items);
  for (auto& item : items_) {
    std::shared_ptr<View> view;
    if (item && item->customView) view = item->customView;
    else if (item && item->systemItem != BarButtonSystemItem::flexibleSpace &&
             item->systemItem != BarButtonSystemItem::fixedSpace)
      view = makeBarButton(item);
    if (view) addSubview(view);
    views_.push_back(view);
  }
  setNeedsLayout();
}

Button* Toolbar::buttonForItem(std::size_t index) const {
  return index < views_.size() ? dynamic_cast<Button*>(views_[index].get()) : nullptr;
}

void Toolbar::layoutSubviews() {
  // Buttons at their own width, fixed spaces at theirs; flexible spaces
  // share what is left.
  double used = 16;
  int flexible = 0;
  std::vector<double> widths(items_.size(), 0);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    auto& item = items_[i];
    if (!item) continue;
    if (item->systemItem == BarButtonSystemItem::flexibleSpace) {
      ++flexible;
      continue;
    }
    if (item->systemItem == BarButtonSystemItem::fixedSpace) widths[i] = item->width;
    else if (views_[i]) widths[i] = item->width > 0 ? item->width : std::max(44.0, views_[i]->sizeThatFits({0, 0}).width + 12);
    used += widths[i];
  }
  const double share = flexible ? std::max(0.0, bounds().width() - used) / flexible : 0;
  double x = 8 + (flexible ? 0 : std::max(0.0, bounds().width() - used) / 2);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] && items_[i]->systemItem == BarButtonSystemItem::flexibleSpace) {
      x += share;
      continue;
    }
    if (views_[i]) views_[i]->setFrame({x, 0, widths[i], bounds().height()});
    x += widths[i];
  }
}

void Toolbar::drawRect(cg::Context& context, const Rect& rect) {
  context.setFillColor(barTintColor.value_or(barStyle == 1 ? Color::white(0.08) : Color::white(0.97)).cg());
  context.fillRect(rect);
  context.setFillColor(Color::white(0, 0.3).cg());
  context.fillRect({rect.x(), rect.y(), rect.width(), 0.5});
}

// ---- DatePicker ------------------------------------------------------------------

DatePicker::DatePicker() : Control(Rect{0, 0, 320, 216}) {}

bool DatePicker::setValue(std::string_view key, const std::any& value) {
  if (auto* c = std::any_cast<Color>(&value)) {
    if (key == "textColor") return textColor = *c, setNeedsDisplay(), true;
    if (key == "backgroundColor") return setBackgroundColor(*c), true;
  }
  if (auto* d = std::any_cast<double>(&value); d && key == "datePickerMode")
    return mode = DatePickerMode(std::clamp(int(*d), 0, 3)), true;
  return Control::setValue(key, value);
}

void DatePicker::setDate(ns::Date date, bool) {
  double t = date.timeIntervalSince1970();
  if (!std::isfinite(t)) return;
  if (minimumDate && date < *minimumDate) date = *minimumDate;
  if (maximumDate && date > *maximumDate) date = *maximumDate;
  date_ = date;
  setNeedsDisplay();
}

std::vector<std::string> DatePicker::columnTexts() const {
  // The date in the picker's zone, as the wheels show it.
  const std::time_t local = static_cast<std::time_t>(std::floor(date_.timeIntervalSince1970())) + timeZone.secondsFromGMT();
  std::tm t{};
  gmtime_r(&local, &t);
  char day[32], hour[8], minute[8];
  std::strftime(day, sizeof day, "%a %b %d", &t);
  std::strftime(hour, sizeof hour, "%H", &t);
  std::strftime(minute, sizeof minute, "%M", &t);
  switch (mode) {
    case DatePickerMode::time: return {hour, minute};
    case DatePickerMode::date: {
      char month[8], dd[8], year[8];
      std::strftime(month, sizeof month, "%b", &t);
      std::strftime(dd, sizeof dd, "%d", &t);
      std::strftime(year, sizeof year, "%Y", &t);
      return {month, dd, year};
    }
    default: return {day, hour, minute};
  }
}

void DatePicker::endTracking(Point p, bool inside) {
  if (!inside) return;
  const auto columns = columnTexts();
  const int column = std::clamp(int(p.x / (bounds().width() / double(columns.size()))), 0, int(columns.size()) - 1);
  const int step = p.y < bounds().midY() ? -1 : 1;
  double seconds = 60;
  switch (mode) {
    case DatePickerMode::time: seconds = column == 0 ? 3600 : 60; break;
    case DatePickerMode::date: seconds = column == 0 ? 30 * 86400.0 : (column == 1 ? 86400 : 365 * 86400.0); break;
    default: seconds = column == 0 ? 86400 : (column == 1 ? 3600 : 60); break;
  }
  setDate(date_.addingTimeInterval(step * seconds));
  sendActionsForControlEvents(kControlEventValueChanged);
}

void DatePicker::drawRect(cg::Context& context, const Rect& rect) {
  const auto columns = columnTexts();
  const double w = rect.width() / double(columns.size());
  auto font = Font::systemFont(21);
  context.setFillColor(Color::white(0.5, 0.15).cg());
  context.fillRect({rect.x(), rect.midY() - 18, rect.width(), 36});
  for (std::size_t i = 0; i < columns.size(); ++i)
    drawTextLine(context, columns[i], Rect{rect.x() + w * double(i), rect.midY() - 18, w, 36}, *font,
                 isEnabled() ? textColor : textColor.withAlpha(0.5), cg::TextAlignment::center);
}

// ---- PickerView ------------------------------------------------------------------

PickerView::PickerView() : View(Rect{0, 0, 320, 216}) {}

void PickerView::reloadAllComponents() {
  const int components = dataSource ? std::clamp(dataSource->numberOfComponents(*this), 0, 16) : 0;
  selected_.resize(std::size_t(components), 0);
  counts_.assign(std::size_t(components), 0);
  for (int c = 0; c < components; ++c) {
    counts_[std::size_t(c)] = std::max(0, dataSource->numberOfRows(*this, c));
    selected_[std::size_t(c)] = std::clamp(selected_[std::size_t(c)], 0, std::max(0, counts_[std::size_t(c)] - 1));
  }
  setNeedsDisplay();
}

int PickerView::selectedRow(int component) const {
  return component >= 0 && component < numberOfComponents() ? selected_[std::size_t(component)] : -1;
}

void PickerView::selectRow(int row, int component, bool) {
  if (component < 0 || component >= numberOfComponents()) return;
  if (row < 0 || row >= counts_[std::size_t(component)]) return;
  selected_[std::size_t(component)] = row;
  setNeedsDisplay();
}

double PickerView::componentWidth(int component) const {
  double w = delegate ? delegate->widthForComponent(const_cast<PickerView&>(*this), component) : -1;
  return w > 0 ? w : bounds().width() / std::max(1, numberOfComponents());
}

void PickerView::touchesEnded(const TouchSet& touches, const Event&) {
  if (touches.empty() || numberOfComponents() == 0) return;
  Point p = touches.front()->locationInView(this);
  double x = 0;
  for (int c = 0; c < numberOfComponents(); ++c) {
    const double w = componentWidth(c);
    if (p.x >= x && p.x < x + w) {
      const int steps = int(std::lround((p.y - bounds().midY()) / rowHeight));
      const int row = std::clamp(selected_[std::size_t(c)] + steps, 0, std::max(0, counts_[std::size_t(c)] - 1));
      if (row != selected_[std::size_t(c)]) {
        selected_[std::size_t(c)] = row;
        setNeedsDisplay();
        if (delegate) delegate->didSelectRow(*this, row, c);
      }
      return;
    }
    x += w;
  }
}

void PickerView::drawRect(cg::Context& context, const Rect& rect) {
  if (!delegate) return;
  auto font = Font::systemFont(20);
  context.setFillColor(Color::white(0.5, 0.15).cg());
  context.fillRect({rect.x(), rect.midY() - rowHeight / 2, rect.width(), rowHeight});
  double x = rect.x();
  for (int c = 0; c < numberOfComponents(); ++c) {
    const double w = componentWidth(c);
    for (int offset = -3; offset <= 3; ++offset) {
      const int row = selected_[std::size_t(c)] + offset;
      if (row < 0 || row >= counts_[std::size_t(c)]) continue;
      const double y = rect.midY() - rowHeight / 2 + offset * rowHeight;
      drawTextLine(context, delegate->titleForRow(*this, row, c), Rect{x, y, w, rowHeight}, *font,
                   Color::black().withAlpha(offset == 0 ? 1 : 0.4), cg::TextAlignment::center);
    }
    x += w;
  }
}

// ---- PageControl ----------------------------------------------------------------

PageControl::PageControl(const Rect& frame) : View(frame) {
  setUserInteractionEnabled(false);
  setBackgroundColor(appearance().backgroundColor.value_or(Color::clear()));
}

PageControl::Appearance& PageControl::appearance() {
  static Appearance shared;
  return shared;
}

void PageControl::setNumberOfPages(int count) {
  numberOfPages_ = std::max(count, 0);
  setCurrentPage(currentPage_);
}

void PageControl::setCurrentPage(int page) {
  currentPage_ = std::clamp(page, 0, std::max(numberOfPages_ - 1, 0));
  setNeedsDisplay();
}

Color PageControl::effectivePageIndicatorTint() const {
  return pageIndicatorTintColor.value_or(
      appearance().pageIndicatorTintColor.value_or(Color::white(1, 0.3)));
}

Color PageControl::effectiveCurrentPageIndicatorTint() const {
  return currentPageIndicatorTintColor.value_or(
      appearance().currentPageIndicatorTintColor.value_or(Color::whiteColor()));
}

Point PageControl::dotCentre(int page) const {
  const Rect b = bounds();
  const double row = kDotSpacing * (numberOfPages_ - 1);
  return {b.midX() - row / 2 + kDotSpacing * page, b.midY()};
}

void PageControl::drawRect(cg::Context& context, const Rect&) {
  for (int page = 0; page < numberOfPages_; ++page) {
    const Point c = dotCentre(page);
    const Color tint =
        page == currentPage_ ? effectiveCurrentPageIndicatorTint() : effectivePageIndicatorTint();
    context.setFillColor(tint.cg());
    context.fillEllipseInRect(
        {c.x - kDotDiameter / 2, c.y - kDotDiameter / 2, kDotDiameter, kDotDiameter});
  }
}

// ---- PageViewController ------------------------------------------------------------

PageViewController::PageViewController() = default;

void PageViewController::loadView() {
  auto view = std::make_shared<View>(Screen::main().bounds());
  view->setClipsToBounds(true);
  swipe_ = std::make_shared<PanGestureRecognizer>();
  swipe_->addAction([this](GestureRecognizer& g) {
    if (g.state() != GestureState::ended) return;
    auto& pan = static_cast<PanGestureRecognizer&>(g);
    const double dx = pan.translationInView(nullptr).x;
    if (std::fabs(dx) > 40) turn(dx < 0 ? PageDirection::forward : PageDirection::reverse);
  });
  view->addGestureRecognizer(swipe_);
  setView(view);
}

std::vector<ViewController*> PageViewController::appearingChildren() const {
  if (pages_.empty()) return {};
  return {pages_.front().get()};
}

Rect PageViewController::pageFrame() {
  Rect frame = view()->bounds();
  if (pageControl_) frame.size.height = std::max(frame.height() - PageControl::kHeight, 0.0);
  return frame;
}

void PageViewController::setViewControllers(std::vector<std::shared_ptr<ViewController>> pages, PageDirection,
                                            bool animated, std::function<void(bool)> completion) {
  pages.erase(std::remove(pages.begin(), pages.end(), nullptr), pages.end());
  if (pages.empty()) return;
  const long count = dataSource ? dataSource->presentationCount(*this) : 0;
  if (count > 0) {
    if (!pageControl_) {
      const Rect b = view()->bounds();
      pageControl_ = std::make_shared<PageControl>(
          Rect{0, b.height() - PageControl::kHeight, b.width(), PageControl::kHeight});
      pageControl_->setAutoresizingMask(kFlexibleWidth | kFlexibleTopMargin);
      view()->addSubview(pageControl_);
      if (!pages_.empty()) pages_.front()->view()->setFrame(pageFrame());
    }
    pageControl_->setNumberOfPages(static_cast<int>(count));
    pageControl_->setCurrentPage(static_cast<int>(dataSource->presentationIndex(*this)));
  }
  auto old = pages_.empty() ? nullptr : pages_.front();
  auto next = pages.front();
  if (old == next) return;
  pages_ = std::move(pages);
  show(old, next, animated);
  if (completion) completion(true);
}

void PageViewController::show(const std::shared_ptr<ViewController>& old,
                              const std::shared_ptr<ViewController>& next, bool animated) {
  const bool onScreen = isAppeared();
  addChildViewController(next);
  if (onScreen && old) old->beginAppearance(false, animated);
  if (onScreen) next->beginAppearance(true, animated);
  next->view()->setFrame(pageFrame());
  next->view()->setAutoresizingMask(kFlexibleWidth | kFlexibleHeight);
  // Pages go under the indicator.
  view()->insertSubview(next->view(), 0);
  if (old) {
    old->view()->removeFromSuperview();
    old->removeFromParentViewController();
  }
  if (onScreen && old) old->endAppearance();
  if (onScreen) next->endAppearance();
}

bool PageViewController::turn(PageDirection direction) {
  if (pages_.empty() || !dataSource) return false;
  auto next = direction == PageDirection::forward ? dataSource->after(*this, *pages_.front())
                                                  : dataSource->before(*this, *pages_.front());
  if (!next) return false;
  auto old = pages_.front();
  pages_ = {next};
  show(old, next, true);
  // The indicator follows the turn itself; the data source's index is
  // only for pages set from outside.
  if (pageControl_)
    pageControl_->setCurrentPage(pageControl_->currentPage() +
                                 (direction == PageDirection::forward ? 1 : -1));
  return true;
}

}  // namespace ui
