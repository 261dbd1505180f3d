// CSkyProjection: maps directions on the sky to points of the chart's
// screen rectangle and back. It keeps the viewport, the display coordinate
// system with the centre and rotation of the view (as a display matrix from
// the fundamental frame to the display frame: X towards the centre, Y to the
// left, Z up), one of nine projections with its field of view and scales,
// and two mirror flags; and it clips screen points, segments, triangles and
// sky quadrilaterals against the viewport.
//
// Screen coordinates are pixels with y growing downwards. Setters recompute
// the derived scales, fields of view and display matrix.
#pragma once

#include <cstdint>

#include "engine/sky_coordinates.h"

enum Projection {
  kProjectionGnomonic = 1,
  kProjectionOrthographic = 2,
  kProjectionStereographic = 3,
  kProjectionEquirectangular = 4,     // about the view centre
  kProjectionCentralCylindrical = 5,
  kProjectionSineLatitude = 6,        // equal-area cylindrical
  kProjectionSinusoidal = 7,
  kProjectionPerspectiveBlend = 8,    // gnomonic at 90 degrees to stereographic at 180
  kProjectionAbsoluteEquirectangular = 9,  // in the display system, no rotation
};

// Smallest field of view: one arcsecond.
inline constexpr double kMinimumFOV = 4.848136811094136e-6;

class CSkyProjection : public CSkyCoordinates {
 public:
  CSkyProjection();

  virtual float getViewportLeft() const { return viewportLeft; }
  virtual float getViewportTop() const { return viewportTop; }
  virtual float getViewportRight() const { return viewportRight; }
  virtual float getViewportBottom() const { return viewportBottom; }
  virtual float getViewportWidth() const { return viewportWidth; }
  virtual float getViewportHeight() const { return viewportHeight; }
  virtual int getDisplayCoordSystem() const { return displayCoordSystem; }
  virtual double getDisplayCenterLon() const { return displayCenterLon; }
  virtual double getDisplayCenterLat() const { return displayCenterLat; }
  virtual double getDisplayRotation() const { return displayRotation; }
  virtual double getDisplayFOV() const { return displayFOV; }
  virtual double getHorizontalFOV() const { return horizontalFOV; }
  virtual double getVerticalFOV() const { return verticalFOV; }
  virtual double getDiagonalFOV() const { return diagonalFOV; }
  virtual float getViewportCenterX() const { return viewportCenterX; }
  virtual double getProjectionScaleX() const { return scaleX; }
  virtual int getDisplayProjection() const { return displayProjection; }
  virtual float getViewportCenterY() const { return viewportCenterY; }
  virtual double getProjectionScaleY() const { return scaleY; }
  virtual bool isDisplayFlippedHoriz() const { return flippedHoriz; }
  virtual bool isDisplayFlippedVert() const { return flippedVert; }
  // Changes the display system, keeping the view on the same direction.
  // Codes above 5 are ignored.
  virtual void setDisplayCoordSystem(int system);

  // Accepted only when finite with right > left and bottom > top.
  void setViewport(float left, float top, float right, float bottom);
  // Centre (radians, in `system`) and rotation of the view; ignored when a
  // value is not finite or the system is not 0-5. Clears the lock.
  void setDisplayCenter(int system, double lon, double lat, double rotation);
  void setDisplayCenterLonLat(double lon, double lat);
  void getDisplayCenter(double* lon, double* lat) const;
  void getDisplayCoordSystemAndCenter(int* system, double* lon, double* lat) const;
  // Centre on a fundamental-frame direction.
  void setDisplayCenterVector(const double v[3]);
  void getDisplayCenterVector(double out[3]) const;
  double angleFromDisplayCenter(const double v[3]) const;
  // Clamped to [one arcsecond, the limit of the projection]; not-finite
  // values are ignored.
  void setDisplayFOV(double fov);
  // The largest field of view of a projection.
  static double maximumFOV(int projection);
  void setDisplayProjection(int projection);
  void setDisplayFlippedHoriz(bool flag);
  void setDisplayFlippedVert(bool flag);
  // Rebuilds the display matrix from the centre, rotation and the frame of
  // the display system (skipped while the lock is set).
  void updateDisplayMatrix();

  // Screen point of a fundamental-frame direction; true when it is on the
  // projection (and, orthographic, on the near side). Points off the
  // projection get infinite coordinates on the side they lie towards.
  bool vectorToScreen(const double v[3], double* x, double* y) const;
  // The same with the depth: the cosine of the angle from the view centre
  // (projection 9: of the longitude difference).
  bool vectorToScreenDepth(const double v[3], double* x, double* y, float* depth) const;
  // Fundamental-frame unit vector of a screen point; false when off the
  // projection.
  bool screenToVector(double out[3], double x, double y) const;
  // Longitude and latitude in the display system of a screen point.
  bool screenToLonLat(double x, double y, double* lon, double* lat) const;

  // Screen distance from the centre of a point `angle` radians away, and
  // back; infinite where the projection does not reach.
  double radiusForAngle(double angle) const;
  double angleForRadius(double radius) const;
  // Projected radius of a circle of angular radius `radius` about `v`.
  double projectedRadius(const double v[3], double radius) const;
  // Direction of north (+z of the fundamental frame) at `v` on the screen.
  double screenNorthAngle(const double v[3]) const;

  bool isPointInViewport(double x, double y) const;
  bool isPointNearViewport(double x, double y, double margin) const;
  // False only when both points are beyond the same edge.
  bool segmentMayCrossViewport(double x1, double y1, double x2, double y2) const;
  // Clips a segment to the viewport (Cohen-Sutherland); 1 when part of it
  // is inside, 0 otherwise or for infinite coordinates.
  int clipSegmentToViewport(double* x1, double* y1, double* x2, double* y2) const;
  bool isTriangleInViewport(double x1, double y1, double x2, double y2, double x3,
                            double y3) const;
  // Whether part of the sky quadrilateral a-b-c-d (unit vectors, in order
  // round its edge) shows in the viewport.
  bool isQuadVisible(const double a[3], const double b[3], const double c[3],
                     const double d[3]) const;
  bool isScreenQuadInViewport(const double x[4], const double y[4]) const;
  static bool isVectorInsideQuad(const double v[3], const double a[3], const double b[3],
                                 const double c[3], const double d[3]);
  static bool isPointInScreenTriangle(double px, double py, double x1, double y1,
                                      double x2, double y2, double x3, double y3);

  float viewportLeft = 0, viewportTop = 0, viewportRight = 1, viewportBottom = 1;
  float viewportWidth = 1, viewportHeight = 1;
  float viewportCenterX = 0.5f, viewportCenterY = 0.5f;
  int displayCoordSystem = kCoordHorizon;
  double displayCenterLon = 0;
  double displayCenterLat = 0.78539816339725;
  double displayRotation = 0;
  double displayMatrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  int displayProjection = kProjectionStereographic;
  double displayFOV = 1.5707963267945;
  double horizontalFOV = 0, verticalFOV = 0, diagonalFOV = 0;
  std::uint8_t flippedHoriz = 0, flippedVert = 0;
  float scaleX = 1, scaleY = 1;  // radians (or projection units) per pixel
  float blendExponent = 0;       // e of projection 8
  std::uint8_t displayMatrixLock = 0;

 private:
  void updateProjection();
  // (u, w) of a display-frame unit vector; false when off the projection.
  bool project(const double d[3], double* u, double* w) const;
  // Display-frame unit vector of (u, w); false when off the projection.
  bool unproject(double u, double w, double d[3]) const;
  // The vector in the frame the projection works in.
  void toDisplay(const double v[3], double d[3]) const;
  void fromDisplay(const double d[3], double v[3]) const;
};
