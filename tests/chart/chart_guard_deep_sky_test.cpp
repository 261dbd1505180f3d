// A deep-sky object with several outlines: its place, size, label and
// tap come from the largest, wherever it stands in the record. The
// outlines, their centres and extents are made here (ERFA's separations)
// and projected by the tests' own projection.
#include <erfa.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::Point2;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;
constexpr double kCentreRa = 200, kCentreDec = 10, kField = 12;  // degrees

using Outline = std::vector<std::array<double, 2>>;  // (ra, dec) degrees

// A square outline `half` degrees either side of (ra, dec).
Outline square(double ra, double dec, double half) {
  return {{ra - half, dec - half}, {ra + half, dec - half}, {ra + half, dec + half}, {ra - half, dec + half}};
}

struct OutlineShape {
  double centre[3];
  double extent;  // radians
};

// The centre (normalised mean of the points, as floats) and extent (the
// farthest point) of an outline.
OutlineShape shapeOf(const Outline& outline) {
  OutlineShape shape{};
  double sum[3] = {}, length;
  for (const auto& p : outline) {
    double v[3];
    eraS2c(p[0] * kDegree, p[1] * kDegree, v);
    eraPpp(sum, v, sum);
  }
  eraPn(sum, &length, shape.centre);
  for (const auto& p : outline) {
    double v[3];
    eraS2c(p[0] * kDegree, p[1] * kDegree, v);
    shape.extent = std::max(shape.extent, eraSepp(v, shape.centre));
  }
  return shape;
}

// A bright nebula named "Triple" at the field's centre with the outlines
// in the order given, as the catalogue tool writes them.
std::string nebulaRecord(const std::vector<Outline>& outlines) {
  std::string buffer(8192, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  w.writeRecordU8(13);
  w.writeRecordU8(0);  // no catalogue numbers
  w.writeRecordU8(1);
  w.writeRecordString("Triple");
  w.writeRecordFloat(static_cast<float>(kCentreRa * kDegree));
  w.writeRecordFloat(static_cast<float>(kCentreDec * kDegree));
  for (int i = 0; i < 4; ++i) w.writeRecordFloat(0);  // distance, motions
  w.writeRecordI16(800);                              // magnitude 8
  w.writeRecordI16(32767);
  w.writeRecordString("");
  w.writeRecordU16(600);
  w.writeRecordU16(300);
  w.writeRecordU16(0);
  w.writeRecordU8(static_cast<std::uint8_t>(outlines.size()));
  for (const Outline& outline : outlines) {
    w.writeRecordU32(static_cast<std::uint32_t>(outline.size()));
    for (const auto& p : outline) {
      double v[3];
      eraS2c(p[0] * kDegree, p[1] * kDegree, v);
      for (double c : v) w.writeRecordFloat(static_cast<float>(c));
    }
    const OutlineShape shape = shapeOf(outline);
    w.writeRecordFloat(static_cast<float>(shape.extent));
    for (double c : shape.centre) w.writeRecordFloat(static_cast<float>(c));
  }
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

// The largest outline first, between or last, the others a small one
// whose symbol would be a few pixels and a middling one.
const Outline kLargest = square(kCentreRa, kCentreDec, 2);
const Outline kSmall = square(203.5, 12.5, 0.08);
const Outline kMiddling = square(196.5, 6.8, 0.4);

class ChartGuardDeepSkyOutlines : public testing::TestWithParam<int> {
 protected:
  ChartGuardDeepSkyOutlines() {
    std::vector<Outline> outlines = {kSmall, kMiddling};
    outlines.insert(outlines.begin() + GetParam(), kLargest);
    SkyDataWriter writer;
    chart_test::setSkyTreeFaces(writer);
    double v[3];
    eraS2c(kCentreRa * kDegree, kCentreDec * kDegree, v);
    region_ = chart_test::skyTreeRegion(v, 0);
    EXPECT_EQ(writer.addRecord(region_, nebulaRecord(outlines), 8), 0);
    char folder[256];
    sky_.database().getDataDirectory(folder, sizeof folder);
    EXPECT_TRUE(writer.writeFile(std::string(folder) + "DeepSky.skydata"));
    EXPECT_NE(sky_.database().loadDeepSky("DeepSky.skydata"), nullptr);
    chart_ = sky_.chart(400, 300, kCentreRa, kCentreDec, kField);
    chart_->aberration = 0;
    chart_->properMotion = 0;
    chart_->showPlanets = false;
    chart_->showStars = false;
    chart_->showDeepSkyNames = true;
    chart_->setDeepSkyMagnitudeLimit(12);
    view_.projection = 1;
    view_.lon0 = kCentreRa * kDegree, view_.lat0 = kCentreDec * kDegree;
    view_.fov = kField * kDegree;
    view_.width = 400, view_.height = 300;
  }

  Point2 at(double ra, double dec) const {
    double v[3];
    eraS2c(ra * kDegree, dec * kDegree, v);
    Point2 p{};
    EXPECT_TRUE(view_.project(v, &p.x, &p.y));
    return p;
  }

  chart_test::ChartSky sky_;
  std::uint32_t region_ = 0;
  std::unique_ptr<CSkyChart> chart_;
  TestView view_;
};

TEST_P(ChartGuardDeepSkyOutlines, PlaceSizeLabelAndTapComeFromTheLargestOutline) {
  SkyObjectID id;
  CSkyDatabase::setSkyObjectID(&id, kDeepSkyFile, region_, 0, 0, "", 13);
  ScopedSkyObject object(sky_.database().getObject(&id));
  CDeepSkyObject* nebula = asDeepSkyObject(object.get());
  ASSERT_NE(nebula, nullptr);
  ASSERT_EQ(nebula->getContourCount(), 3);
  chart_->updateStarPosition(nebula);

  const OutlineShape largest = shapeOf(kLargest);
  Point2 centre{};
  ASSERT_TRUE(view_.project(largest.centre, &centre.x, &centre.y));
  // The radius on the screen: the gnomonic distance of a point at the
  // extent from the centre, near the field's centre.
  const double radius = std::tan(largest.extent) / view_.scale();
  float x = 0, y = 0, r = 0;
  ASSERT_TRUE(chart_->getDeepSkyScreenGeometry(nebula, &x, &y, &r));
  EXPECT_NEAR(x, centre.x, 0.5);
  EXPECT_NEAR(y, centre.y, 0.5);
  EXPECT_NEAR(r, radius, 0.02 * radius);

  // The label stands off the largest outline's circle, up and to the right
  // of its centre, as a label beside a symbol of that radius does.
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->clearLabelRects();
  chart_->drawDeepSkyObjects();
  ASSERT_EQ(chart_->labelRectCount, 1);
  const LabelPosition& label = chart_->labelRects[0];
  const double reach = std::sqrt(0.5) * (chart_->markerSize * 0.5 + radius);
  EXPECT_NEAR(label.x - label.halfWidth, centre.x + reach, 2);
  EXPECT_NEAR(label.y + label.halfHeight, centre.y - reach, 2);

  // Taps: inside each outline but far from the small one's symbol, and in
  // the empty sky between them.
  SkyObjectID hits[4];
  for (const auto& inside : {at(198.5, 11.5), at(201.5, 8.5), at(196.5, 6.8), at(203.5, 12.5)}) {
    ASSERT_EQ(chart_->findObjectsAt({static_cast<float>(inside.x), static_cast<float>(inside.y)}, hits, 4), 1)
        << inside.x << "," << inside.y;
    EXPECT_EQ(hits[0].index, 0);
  }
  const Point2 outside = at(193.5, 12.5);
  EXPECT_EQ(chart_->findObjectsAt({static_cast<float>(outside.x), static_cast<float>(outside.y)}, hits, 4), 0);
}

std::string placeName(const testing::TestParamInfo<int>& info) {
  static const char* const names[] = {"LargestFirst", "LargestBetween", "LargestLast"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Orders, ChartGuardDeepSkyOutlines, testing::Values(0, 1, 2), placeName);

}  // namespace
