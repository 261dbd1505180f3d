// CSkyProjection: round trips of every projection, radii against the
// projected geometry, fields of view, and the viewport clipping tests.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/angles.h"
#include "engine/matrices.h"
#include "engine/sky_projection.h"
#include "engine/vectors.h"

namespace {

constexpr double kDegree = 0.01745329251993889;

class Projection : public ::testing::Test {
 protected:
  Projection() {
    chart.setViewport(10, 20, 1034, 788);
    chart.setDisplayCenter(kCoordEquatorial, 1.2, 0.5, 0.3);
  }
  // Screen point of a direction given by its angle from the view centre and
  // its bearing on the screen.
  void directionAt(double angle, double bearing, double v[3]) const {
    double d[3] = {std::cos(angle), std::sin(angle) * std::cos(bearing),
                   std::sin(angle) * std::sin(bearing)};
    vectorCopy(v, d);
    transposeTimesVector(chart.displayMatrix, v);
  }
  CSkyProjection chart;
};

TEST_F(Projection, EveryProjectionRoundTripsOverItsField) {
  const double fovs[] = {0.01, 1.0, 2.0, 3.0, 4.5, 6.2};
  for (int code = 1; code <= 9; ++code) {
    for (double fov : fovs) {
      for (bool mirrored : {false, true}) {
        chart.setDisplayProjection(code);
        chart.setDisplayFOV(fov);
        chart.setDisplayFlippedHoriz(mirrored);
        int checked = 0;
        for (double x = 10.5; x < 1034; x += 41.3) {
          for (double y = 20.5; y < 788; y += 37.9) {
            double v[3], x1, y1, back[3];
            if (!chart.screenToVector(v, x, y)) continue;
            ASSERT_NEAR(vectorLength(v), 1, 1e-12);
            if (!chart.vectorToScreen(v, &x1, &y1)) continue;
            ASSERT_TRUE(chart.screenToVector(back, x1, y1));
            ASSERT_LT(vectorSeparation(v, back), 1e-9) << code << " " << fov;
            ASSERT_LT(std::hypot(x1 - x, y1 - y) * std::fabs(chart.scaleX), 1e-9)
                << code << " " << fov << " " << x << " " << y;
            ++checked;
          }
        }
        EXPECT_GT(checked, 100) << code << " " << fov;
      }
    }
  }
}

TEST_F(Projection, RadiusForAngleIsTheProjectedDistance) {
  for (int code : {1, 2, 3, 8}) {
    for (double fov : {0.5, 1.6, 2.0, 2.5, 3.1, 4.0}) {
      chart.setDisplayProjection(code);
      chart.setDisplayFOV(fov);
      for (double angle = 0.05; angle < chart.getDisplayFOV() / 2; angle += 0.07) {
        double v[3], x, y;
        directionAt(angle, 0.7, v);
        if (!chart.vectorToScreen(v, &x, &y)) continue;
        double r = std::hypot(x - chart.viewportCenterX, y - chart.viewportCenterY);
        ASSERT_NEAR(chart.radiusForAngle(angle), r, 1e-6 * r) << code << " " << fov;
        ASSERT_NEAR(chart.angleForRadius(r), angle, 1e-9) << code << " " << fov;
      }
      // The field of view spans the shorter side of the viewport.
      double v[3], x, y;
      directionAt(chart.getDisplayFOV() / 2, kHalfPi, v);
      if (chart.vectorToScreen(v, &x, &y)) {
        EXPECT_NEAR(y, chart.viewportTop, 1e-3) << code << " " << fov;
      }
    }
  }
  chart.setDisplayProjection(1);
  EXPECT_TRUE(std::isinf(chart.radiusForAngle(kHalfPi)));
  chart.setDisplayProjection(2);
  EXPECT_FLOAT_EQ(chart.radiusForAngle(kHalfPi), 1 / std::fabs(chart.scaleX));
  for (int code : {4, 5, 6, 7, 9}) {
    chart.setDisplayProjection(code);
    EXPECT_LE(chart.radiusForAngle(5.0), kPi / std::fabs(chart.scaleX));
  }
}

TEST_F(Projection, FieldOfViewLimitsNeverCollapseTheChart) {
  chart.setDisplayProjection(1);
  chart.setDisplayFOV(10);
  EXPECT_DOUBLE_EQ(chart.getDisplayFOV(), 2.094395102392667);
  chart.setDisplayFOV(0);
  EXPECT_DOUBLE_EQ(chart.getDisplayFOV(), 4.848136811094136e-6);
  chart.setDisplayFOV(NAN);
  EXPECT_DOUBLE_EQ(chart.getDisplayFOV(), 4.848136811094136e-6);
  for (int code = 1; code <= 9; ++code) {
    chart.setDisplayProjection(4);
    chart.setDisplayFOV(kTwoPi);  // then narrowed by the new projection
    chart.setDisplayProjection(code);
    for (double fov : {kTwoPi, 1e9, 1e-12}) {
      chart.setDisplayFOV(fov);
      EXPECT_TRUE(std::isfinite(chart.scaleX) && chart.scaleX > 0) << code << " " << fov;
      double a[3], b[3];
      ASSERT_TRUE(chart.screenToVector(a, chart.viewportCenterX, chart.viewportCenterY));
      if (chart.screenToVector(b, chart.viewportLeft + 1, chart.viewportCenterY)) {
        EXPECT_GT(vectorSeparation(a, b), 0) << code << " " << fov;
      }
    }
  }
  chart.setDisplayProjection(8);
  chart.setDisplayFOV(kPi);
  EXPECT_FLOAT_EQ(chart.blendExponent, 1);
  EXPECT_NEAR(chart.getVerticalFOV(), kPi, 1e-6);  // 768 px high, the shorter side
}

TEST_F(Projection, OffProjectionPoints) {
  double v[3], x, y;
  chart.setDisplayProjection(1);
  directionAt(kHalfPi + 0.1, 0.2, v);
  EXPECT_FALSE(chart.vectorToScreen(v, &x, &y));
  EXPECT_TRUE(std::isinf(x) && std::isinf(y));
  chart.setDisplayProjection(3);
  directionAt(std::acos(-0.899), 0.2, v);
  EXPECT_TRUE(chart.vectorToScreen(v, &x, &y));
  directionAt(std::acos(-0.91), 0.2, v);
  EXPECT_FALSE(chart.vectorToScreen(v, &x, &y));
  chart.setDisplayProjection(2);
  directionAt(2.0, 0.2, v);
  EXPECT_FALSE(chart.vectorToScreen(v, &x, &y));
  EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
  chart.setDisplayProjection(5);
  chart.setDisplayCenter(kCoordFundamental, 0, 0, 0);
  double pole[3] = {0, 0, 1};
  EXPECT_TRUE(chart.vectorToScreen(pole, &x, &y));
  EXPECT_EQ(y, -INFINITY);
}

TEST_F(Projection, AbsoluteEquirectangularIgnoresRotation) {
  chart.setDisplayProjection(9);
  double v[3], x1, y1, x2, y2, lon, lat;
  sphericalToVector(v, 1.0, 0.3, 1);
  chart.vectorToScreen(v, &x1, &y1);
  chart.setDisplayCenter(kCoordEquatorial, 1.2, 0.5, 1.1);
  chart.vectorToScreen(v, &x2, &y2);
  EXPECT_EQ(x1, x2);
  EXPECT_EQ(y1, y2);
  ASSERT_TRUE(chart.screenToLonLat(x1, y1, &lon, &lat));
  double w[3];
  chart.fundamentalToEquatorial(v, w);
  double elon, elat;
  vectorToSpherical(w, &elon, &elat, nullptr);
  EXPECT_NEAR(lon, elon, 1e-12);
  EXPECT_NEAR(lat, elat, 1e-12);
}

TEST_F(Projection, CentreNorthAndCoordinateSystems) {
  double centre[3], x, y, lon, lat;
  chart.getDisplayCenterVector(centre);
  ASSERT_TRUE(chart.vectorToScreen(centre, &x, &y));
  EXPECT_NEAR(x, chart.viewportCenterX, 1e-9);
  EXPECT_NEAR(y, chart.viewportCenterY, 1e-9);
  chart.setDisplayCoordSystem(kCoordGalactic);  // the view stays put
  double after[3];
  chart.getDisplayCenterVector(after);
  EXPECT_LT(vectorSeparation(after, centre), 1e-12);
  chart.getDisplayCenter(&lon, &lat);
  chart.setDisplayCoordSystem(9);
  EXPECT_EQ(chart.getDisplayCoordSystem(), kCoordGalactic);

  // With no rotation, north is straight up the screen: an angle of pi/2
  // measured from +x towards screen up.
  chart.setDisplayCenter(kCoordFundamental, 1.0, 0.2, 0);
  double v[3];
  sphericalToVector(v, 1.0, 0.2, 1);
  EXPECT_NEAR(chart.screenNorthAngle(v), kHalfPi, 1e-6);
  double pole[3] = {0, 0, 1};
  EXPECT_EQ(chart.screenNorthAngle(pole), 0);
  // East (increasing longitude) is to the left, the sky seen from inside.
  double east[3], ex, ey;
  sphericalToVector(east, 1.1, 0.2, 1);
  chart.vectorToScreen(east, &ex, &ey);
  EXPECT_LT(ex, chart.viewportCenterX);

  // In the horizon system, the centre's azimuth is measured from north
  // through east, and east still lies to the left when facing south.
  chart.setDisplayCenter(kCoordHorizon, kPi, 0.3, 0);
  double south[3] = {-std::cos(0.3), 0, std::sin(0.3)}, eastPoint[3] = {0, 1, 0};
  chart.horizonToFundamental(south, south);
  chart.horizonToFundamental(eastPoint, eastPoint);
  chart.vectorToScreen(south, &x, &y);
  EXPECT_NEAR(x, chart.viewportCenterX, 1e-9);
  chart.vectorToScreen(eastPoint, &ex, &ey);
  EXPECT_LT(ex, chart.viewportCenterX);
}

TEST_F(Projection, ViewportTestsAndClipping) {
  EXPECT_TRUE(chart.isPointInViewport(10, 20));
  EXPECT_FALSE(chart.isPointInViewport(1034, 100));
  EXPECT_TRUE(chart.isPointNearViewport(1036, 100, 5));
  chart.setViewport(100, 100, 100, 200);  // empty: ignored
  chart.setViewport(0, 0, NAN, 10);
  EXPECT_EQ(chart.getViewportWidth(), 1024);

  double x1 = -50, y1 = 100, x2 = -10, y2 = 500;
  EXPECT_EQ(chart.clipSegmentToViewport(&x1, &y1, &x2, &y2), 0);
  EXPECT_FALSE(chart.segmentMayCrossViewport(-50, 100, -10, 500));
  x1 = -92.4, y1 = -56.8, x2 = 1136.4, y2 = 864.8;  // the diagonal, beyond both corners
  EXPECT_EQ(chart.clipSegmentToViewport(&x1, &y1, &x2, &y2), 1);
  EXPECT_NEAR(x1, 10, 1e-9);
  EXPECT_NEAR(y1, 20, 1e-9);
  EXPECT_NEAR(x2, 1034, 1e-9);
  EXPECT_NEAR(y2, 788, 1e-9);
  x1 = INFINITY, y1 = 100, x2 = 500, y2 = 500;
  EXPECT_EQ(chart.clipSegmentToViewport(&x1, &y1, &x2, &y2), 0);
  // Inside: the points stay exactly as given (788 - (788 - 20.01) is not
  // 20.01 in doubles).
  x1 = 100.01, y1 = 20.01, x2 = 500, y2 = 700.03;
  EXPECT_EQ(chart.clipSegmentToViewport(&x1, &y1, &x2, &y2), 1);
  EXPECT_EQ(y1, 20.01);
  EXPECT_EQ(x1, 100.01);
  EXPECT_EQ(y2, 700.03);

  // A large triangle covering the viewport, one beside it, one crossing it.
  EXPECT_TRUE(chart.isTriangleInViewport(-1e4, -1e4, 1e4, -1e4, 0, 1e4));
  EXPECT_FALSE(chart.isTriangleInViewport(-100, 0, -10, 0, -50, 900));
  EXPECT_TRUE(chart.isTriangleInViewport(-100, 400, 2000, 390, 2000, 410));
  EXPECT_TRUE(chart.isTriangleInViewport(INFINITY, 400, 500, 390, 500, 410));
  EXPECT_TRUE(CSkyProjection::isPointInScreenTriangle(1, 1, 0, 0, 4, 0, 0, 4));
  EXPECT_FALSE(CSkyProjection::isPointInScreenTriangle(3, 3, 0, 0, 4, 0, 0, 4));
  double qx[4] = {-1e4, 1e4, 1e4, -1e4}, qy[4] = {-1e4, -1e4, 1e4, 1e4};
  EXPECT_TRUE(chart.isScreenQuadInViewport(qx, qy));
}

TEST_F(Projection, SkyQuadrilaterals) {
  chart.setDisplayProjection(1);
  chart.setDisplayFOV(10 * kDegree);
  double c[3], a[3], b[3], d[3], e[3];
  // A quadrilateral round the view, much larger than the field.
  directionAt(0.5, 0.0, a);
  directionAt(0.5, kHalfPi, b);
  directionAt(0.5, kPi, d);
  directionAt(0.5, kThreeHalfPi, e);
  chart.getDisplayCenterVector(c);
  // Left, up, right, down on the screen: the order that encloses the centre.
  EXPECT_TRUE(CSkyProjection::isVectorInsideQuad(c, a, b, d, e));
  EXPECT_FALSE(CSkyProjection::isVectorInsideQuad(c, e, d, b, a));
  EXPECT_TRUE(chart.isQuadVisible(a, b, d, e));
  // A small quadrilateral behind the observer.
  directionAt(3.0, 0.0, a);
  directionAt(3.0, 0.1, b);
  directionAt(3.05, 0.1, d);
  directionAt(3.05, 0.0, e);
  EXPECT_FALSE(chart.isQuadVisible(a, b, d, e));
}

}  // namespace
