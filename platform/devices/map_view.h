// The map view: the world-borders countries drawn on a plain projection
// (longitude across, latitude up) of a region, with pins that show a
// callout when tapped; dragging moves the region, pinching zooms it.
// A region's centre latitude that is not finite or beyond the poles is
// clamped (a stored latitude may be anything).
#pragma once

#include <memory>
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

class MapView;

class MapViewDelegate {
 public:
  virtual ~MapViewDelegate() = default;
  virtual void regionDidChange(MapView&) {}
  virtual void didSelectAnnotation(MapView&, std::size_t) {}
};

class MapView : public ui::View {
 public:
  explicit MapView(const ui::Rect& frame);
  std::string className() const override { return "MKMapView"; }
  MapRegion region() const { return region_; }
  void setRegion(MapRegion region, bool animated = false);
  // Regions are made sane: latitudes within ±90, spans within the world.
  static MapRegion regionThatFits(MapRegion region);
  ui::Point convertCoordinateToPoint(Coordinate coordinate) const;
  Coordinate convertPointToCoordinate(ui::Point point) const;

  std::size_t addAnnotation(PointAnnotation annotation);
  void removeAllAnnotations();
  const std::vector<PointAnnotation>& annotations() const { return annotations_; }
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
  MapRegion region_;
  std::vector<PointAnnotation> annotations_;
  int selected_ = -1;
  MapRegion gestureStart_;
};

}  // namespace dev
