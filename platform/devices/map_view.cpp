#include "platform/devices/map_view.h"

#include <algorithm>
#include <cmath>

#include "platform/devices/world_borders.h"
#include "platform/uikit/controls.h"

namespace dev {
namespace {

constexpr double kPinRadius = 6;
// The borders are simplified to about a tenth of a degree: a region much
// closer than this opens on one colour and nothing to find a place by.
constexpr double kGlanceLatitudeDelta = 8;
// A user zooming in to place a pin goes as close as a degree, the region a
// place picker asks for, where those borders still bend.
constexpr double kClosestLatitudeDelta = 1;

// A selected pin is drawn a little brighter.
ui::Color pinColor(PinAnnotationView::PinColor color, bool selected) {
  const double lift = selected ? 0.05 : 0;
  switch (color) {
    case PinAnnotationView::PinColor::green: return ui::Color::rgba(0.2, 0.7 + lift, 0.25);
    case PinAnnotationView::PinColor::purple: return ui::Color::rgba(0.6 + lift, 0.25, 0.8 + lift);
    case PinAnnotationView::PinColor::red: break;
  }
  return ui::Color::rgba(0.85 + lift, 0.2 - lift, 0.2 - lift);
}

}  // namespace

MapView::MapView(const ui::Rect& frame) : ui::View(frame) {
  setClipsToBounds(true);
  auto pan = std::make_shared<ui::PanGestureRecognizer>();
  pan->addAction([this](ui::GestureRecognizer& g) {
    auto& p = static_cast<ui::PanGestureRecognizer&>(g);
    if (p.state() == ui::GestureState::began) panStart_ = region();
    if (p.state() != ui::GestureState::began && p.state() != ui::GestureState::changed) return;
    ui::Point t = p.translationInView(this);
    MapRegion r = panStart_;
    r.center.longitude -= t.x / bounds().width() * r.longitudeDelta;
    r.center.latitude += t.y / bounds().height() * r.latitudeDelta;
    show(r);
  });
  addGestureRecognizer(pan);
  auto pinch = std::make_shared<ui::PinchGestureRecognizer>();
  pinch->addAction([this](ui::GestureRecognizer& g) {
    auto& p = static_cast<ui::PinchGestureRecognizer&>(g);
    const ui::Point between = p.locationInView(this);
    if (p.state() == ui::GestureState::began) {
      pinchStart_ = region();
      pinched_ = convertPointToCoordinate(between);
    }
    if (!(p.scale > 0) || (p.state() != ui::GestureState::began && p.state() != ui::GestureState::changed)) return;
    show(zoomed(pinchStart_, pinched_, between, p.scale));
  });
  addGestureRecognizer(pinch);
}

MapRegion MapView::zoomed(const MapRegion& from, Coordinate place, ui::Point point, double magnification) const {
  const double w = bounds().width(), h = bounds().height();
  if (!(w > 0 && h > 0) || !std::isfinite(magnification)) return from;
  MapRegion r;
  r.latitudeDelta = std::clamp(from.latitudeDelta / magnification, kClosestLatitudeDelta, 180.0);
  // Latitude runs evenly down the view; the span across follows from the
  // centre's latitude, as the region shown keeps the land's shapes.
  const double limit = 90 - r.latitudeDelta / 2;
  r.center.latitude = std::clamp(place.latitude + (point.y / h - 0.5) * r.latitudeDelta, -limit, limit);
  const double across = w / h / std::max(std::cos(r.center.latitude * M_PI / 180), 0.1);
  r.longitudeDelta = std::min(r.latitudeDelta * across, 360.0);
  r.center.longitude = place.longitude - (point.x / w - 0.5) * r.longitudeDelta;
  return r;
}

MapRegion MapView::regionThatFits(MapRegion r) {
  auto finite = [](double v, double fallback) { return std::isfinite(v) ? v : fallback; };
  r.latitudeDelta = std::clamp(finite(r.latitudeDelta, 180), 0.001, 180.0);
  r.longitudeDelta = std::clamp(finite(r.longitudeDelta, 360), 0.001, 360.0);
  const double limit = 90 - r.latitudeDelta / 2;
  double lat = r.center.latitude;
  if (std::isnan(lat)) lat = 0;
  r.center.latitude = std::clamp(lat, -limit, limit);  // ±infinity clamp to the poles
  r.center.longitude = std::remainder(finite(r.center.longitude, 0), 360.0);
  return r;
}

MapRegion MapView::region() const {
  MapRegion r = regionThatFits(region_);
  r.latitudeDelta = std::max(r.latitudeDelta, kClosestLatitudeDelta);
  const double w = bounds().width(), h = bounds().height();
  if (w > 0 && h > 0) {
    // Longitude degrees across the view per latitude degree up it that keep
    // a degree of ground as long both ways at the centre (the cosine floor
    // keeps the polar caps finite).
    const double across = w / h / std::max(std::cos(r.center.latitude * M_PI / 180), 0.1);
    if (r.longitudeDelta < r.latitudeDelta * across) r.longitudeDelta = r.latitudeDelta * across;
    else r.latitudeDelta = r.longitudeDelta / across;
  }
  return regionThatFits(r);
}

void MapView::setRegion(MapRegion region, bool) {
  region = regionThatFits(region);
  region.latitudeDelta = std::max(region.latitudeDelta, kGlanceLatitudeDelta);
  show(region);
}

void MapView::show(MapRegion region) {
  region_ = regionThatFits(region);
  setNeedsDisplay();
  if (delegate) delegate->regionDidChange(*this);
}

ui::Point MapView::convertCoordinateToPoint(Coordinate c) const {
  const MapRegion shown = region();
  const double west = shown.center.longitude - shown.longitudeDelta / 2;
  const double north = shown.center.latitude + shown.latitudeDelta / 2;
  const double lon = west + std::remainder(c.longitude - west, 360.0) + (std::remainder(c.longitude - west, 360.0) < 0 ? 360 : 0);
  return {(lon - west) / shown.longitudeDelta * bounds().width(),
          (north - c.latitude) / shown.latitudeDelta * bounds().height()};
}

Coordinate MapView::convertPointToCoordinate(ui::Point p) const {
  const MapRegion shown = region();
  const double west = shown.center.longitude - shown.longitudeDelta / 2;
  const double north = shown.center.latitude + shown.latitudeDelta / 2;
  return {north - p.y / bounds().height() * shown.latitudeDelta,
          std::remainder(west + p.x / bounds().width() * shown.longitudeDelta, 360.0)};
}

std::size_t MapView::addAnnotation(PointAnnotation annotation) {
  annotations_.push_back(std::move(annotation));
  const std::size_t index = annotations_.size() - 1;
  std::optional<PinAnnotationView> view = delegate ? delegate->viewForAnnotation(*this, index) : std::nullopt;
  views_.push_back(view.value_or(PinAnnotationView{}));
  if (addedViews_.empty()) {
    std::weak_ptr<bool> alive = alive_;
    ns::RunLoop::main().performOnLoop([this, alive] {
      if (alive.lock()) reportAddedViews();
    });
  }
  addedViews_.push_back(index);
  setNeedsDisplay();
  return index;
}

void MapView::reportAddedViews() {
  std::vector<std::size_t> added;
  added.swap(addedViews_);
  if (!added.empty() && delegate) delegate->didAddAnnotationViews(*this, added);
}

void MapView::removeAllAnnotations() {
  annotations_.clear();
  views_.clear();
  addedViews_.clear();
  selected_ = -1;
  setNeedsDisplay();
}

void MapView::setAnnotationTexts(std::size_t index, std::string title, std::string subtitle) {
  if (index >= annotations_.size()) return;
  annotations_[index].title = std::move(title);
  annotations_[index].subtitle = std::move(subtitle);
  setNeedsDisplay();
}

PinAnnotationView* MapView::viewForAnnotation(std::size_t index) {
  return index < views_.size() ? &views_[index] : nullptr;
}

void MapView::selectAnnotation(int index) {
  selected_ = index >= 0 && index < int(annotations_.size()) ? index : -1;
  setNeedsDisplay();
  if (selected_ >= 0 && delegate) delegate->didSelectAnnotation(*this, std::size_t(selected_));
}

void MapView::touchesEnded(const ui::TouchSet& touches, const ui::Event&) {
  if (touches.empty()) return;
  const ui::Point p = touches.front()->locationInView(this);
  int hit = -1;
  for (int i = int(annotations_.size()) - 1; i >= 0 && hit < 0; --i) {
    ui::Point pin = convertCoordinateToPoint(annotations_[std::size_t(i)].coordinate);
    if (std::hypot(p.x - pin.x, p.y - (pin.y - 2 * kPinRadius)) <= 2 * kPinRadius) hit = i;
  }
  selectAnnotation(hit);
}

// The selected pin's bubble above it: its title, and its subtitle below.
void MapView::drawCallout(cg::Context& context, const ui::Rect& rect) const {
  const PointAnnotation& a = annotations_[std::size_t(selected_)];
  const ui::Point p = convertCoordinateToPoint(a.coordinate);
  auto font = ui::Font::boldSystemFont(14);
  auto small = ui::Font::systemFont(12);
  const bool two = !a.subtitle.empty();
  const double textWidth = std::max(cg::stringWidth(a.title, font->cgFont()),
                                    two ? cg::stringWidth(a.subtitle, small->cgFont()) : 0.0);
  const double w = std::max(0.0, std::min(rect.width() - 10, textWidth + 20));
  const double h = two ? 48 : 32;
  const ui::Rect bubble{std::clamp(p.x - w / 2, 5.0, std::max(5.0, rect.width() - w - 5)), p.y - 3 * kPinRadius - h - 8, w, h};
  context.setFillColor(1, 1, 1, 0.95);
  context.fillRect(bubble);
  ui::drawTextLine(context, a.title, {bubble.x(), bubble.y() + 2, w, 28}, *font, ui::Color::black(),
                   cg::TextAlignment::center);
  if (two)
    ui::drawTextLine(context, a.subtitle, {bubble.x(), bubble.y() + 26, w, 20}, *small, ui::Color::gray(),
                     cg::TextAlignment::center);
}

void MapView::drawRect(cg::Context& context, const ui::Rect& rect) {
  context.setFillColor(0.62, 0.76, 0.9, 1);  // sea
  context.fillRect(rect);
  context.setFillColor(0.93, 0.9, 0.82, 1);
  context.setStrokeColor(0.55, 0.5, 0.45, 1);
  context.setLineWidth(0.5);
  const MapRegion shown = region();
  const double west = shown.center.longitude - shown.longitudeDelta / 2;
  for (const BorderCountry& country : worldBorders(bordersPath)) {
    // The copies of the world that the region shows (it may cross 180°).
    for (double shift : {-360.0, 0.0, 360.0}) {
      if (country.maxLongitude + shift < west || country.minLongitude + shift > west + shown.longitudeDelta) continue;
      for (const auto& ring : country.rings) {
        bool first = true;
        for (auto [lon, lat] : ring) {
          const ui::Point p{(lon + shift - west) / shown.longitudeDelta * bounds().width(),
                            (shown.center.latitude + shown.latitudeDelta / 2 - lat) / shown.latitudeDelta * bounds().height()};
          if (first) context.moveToPoint(p.x, p.y);
          else context.addLineToPoint(p.x, p.y);
          first = false;
        }
        context.closePath();
      }
      // Shapefiles wind holes against their outer rings, so non-zero
      // filling leaves them open.
      context.drawPath(cg::PathDrawingMode::fillStroke);
    }
  }
  for (std::size_t i = 0; i < annotations_.size(); ++i) {
    const ui::Point p = convertCoordinateToPoint(annotations_[i].coordinate);
    context.setStrokeColor(0.3, 0.3, 0.3, 1);
    context.setLineWidth(1.5);
    context.moveToPoint(p.x, p.y);
    context.addLineToPoint(p.x, p.y - 2 * kPinRadius);
    context.strokePath();
    context.setFillColor(pinColor(views_[i].pinColor, int(i) == selected_).cg());
    context.fillEllipseInRect({p.x - kPinRadius, p.y - 3 * kPinRadius, 2 * kPinRadius, 2 * kPinRadius});
  }
  if (selected_ >= 0 && views_[std::size_t(selected_)].canShowCallout) drawCallout(context, rect);
  if (overlayColor) {
    context.setFillColor(overlayColor->cg());
    context.fillRect(rect);
  }
}

}  // namespace dev
