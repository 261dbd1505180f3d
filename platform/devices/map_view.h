// The map view: the world-borders countries drawn on a plain projection
// (longitude across, latitude up) of a region, with pins that show a
// callout when tapped; dragging moves the region, pinching zooms it about
// the fingers (the desktop's wheel and Ctrl-drag and the headless script's
// pinch arrive as pinches), from a degree of latitude out to the whole
// world. Each pin gets a view from the delegate (colour, callout) when it
// is added; the delegate hears that the views are on the map at the next
// turn of the main run loop, as the platform tells it after its layout.
// A region's centre latitude that is not finite or beyond the poles is
// clamped (a stored latitude may be anything).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/gesture.h"
#include "platform/uikit/view.h"

namespace dev {

struct Coordinate {
  double latitude = 0, longitude = 0;
};

struct MapRegion {
  Coordinate center;
  double latitudeDelta = 180, longitudeDelta = 360;  // degrees shown
};

struct PointAnnotation {
  Coordinate coordinate;
  std::string title, subtitle;
};

// How a pin is shown: a pin annotation view's settings. The stand-in draws
// the pin in place (a drop is not animated).
struct PinAnnotationView {
  enum class PinColor { red, green, purple };
  std::string reuseIdentifier;
  PinColor pinColor = PinColor::red;
  bool animatesDrop = false;
  bool canShowCallout = true;
};

class MapView;

class MapViewDelegate {
 public:
  virtual ~MapViewDelegate() = default;
  virtual void regionDidChange(MapView&) {}
  virtual void didSelectAnnotation(MapView&, std::size_t) {}
  // The view of a pin being added; nothing gives the default red pin.
  virtual std::optional<PinAnnotationView> viewForAnnotation(MapView&, std::size_t) { return std::nullopt; }
  // The pins whose views went onto the map since the last report (those
  // still on it).
  virtual void didAddAnnotationViews(MapView&, const std::vector<std::size_t>&) {}
};

class MapView : public ui::View {
 public:
  explicit MapView(const ui::Rect& frame);
  ~MapView() override { *alive_ = false; }
  std::string className() const override { return "MKMapView"; }
  // The region shown: the one set or zoomed to, made sane, and widened
  // across or up so that the map keeps the shapes of the land at its
  // centre in the view's bounds.
  MapRegion region() const;
  // A region set from code is widened to one whose borders show at a
  // glance; the user may zoom closer.
  void setRegion(MapRegion region, bool animated = false);
  // Regions are made sane: latitudes within ±90, spans within the world.
  static MapRegion regionThatFits(MapRegion region);
  ui::Point convertCoordinateToPoint(Coordinate coordinate) const;
  Coordinate convertPointToCoordinate(ui::Point point) const;

  std::size_t addAnnotation(PointAnnotation annotation);
  void removeAllAnnotations();
  const std::vector<PointAnnotation>& annotations() const { return annotations_; }
  void setAnnotationTexts(std::size_t index, std::string title, std::string subtitle);
  // The view of a pin on the map; null for a pin that is not on it.
  PinAnnotationView* viewForAnnotation(std::size_t index);
  // -1: none.
  int selectedAnnotation() const { return selected_; }
  void selectAnnotation(int index);
  MapViewDelegate* delegate = nullptr;
  // The shapefile drawn (default: the bundle's world borders).
  std::string bordersPath;
  std::optional<ui::Color> overlayColor;  // drawn over the map (night vision)

  void drawRect(cg::Context& context, const ui::Rect& rect) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  MapRegion region_;  // as set
  void show(MapRegion region);
  // `from` scaled by 1 / `magnification` with `place` at `point` (points
  // in the view), within the zoom's limits.
  MapRegion zoomed(const MapRegion& from, Coordinate place, ui::Point point, double magnification) const;
  void reportAddedViews();
  void drawCallout(cg::Context& context, const ui::Rect& rect) const;
  std::vector<PointAnnotation> annotations_;
  std::vector<PinAnnotationView> views_;
  std::vector<std::size_t> addedViews_;  // not yet reported
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  int selected_ = -1;
  MapRegion panStart_, pinchStart_;
  Coordinate pinched_;  // the place between the fingers when the pinch began
};

}  // namespace dev
