#include "skydata/deep_sky_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "star_records.h"

namespace {

using star_records::ContourPart;
using star_records::StarPart;

std::vector<unsigned char> deepSkyRecord(const std::vector<ContourPart>& contours,
                                         std::uint16_t major = 600, float distance = 1000.0f) {
  std::vector<unsigned char> buffer(1 << 16);
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  StarPart part;
  part.type = 16;
  part.distance = distance;
  part.spectralType = "G2V";  // as a morphology text
  star_records::writeStarPart(w, part);
  star_records::writeDeepSkyTail(w, major, 0, 65535, contours);
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

std::int64_t starPartSize() {
  unsigned char buffer[256];
  RecordWriter w(buffer, sizeof buffer, false);
  StarPart part;
  part.spectralType = "G2V";
  star_records::writeStarPart(w, part);
  return w.result();
}

TEST(DeepSkyObject, RecordSizesFollowTheLayout) {
  CDeepSkyObject object;
  auto record = deepSkyRecord({});
  EXPECT_EQ(static_cast<std::int64_t>(record.size()), starPartSize() + 7);
  EXPECT_EQ(object.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false),
            starPartSize() + 7);

  ContourPart five;
  five.points.assign(15, 0.5f);
  CDeepSkyContour contour;
  record = deepSkyRecord({five});
  EXPECT_EQ(contour.readRecord(record.data() + starPartSize() + 7, 4 + 12 * 5 + 16, false),
            4 + 12 * 5 + 16);
  EXPECT_EQ(contour.getPointCount(), 5);
}

TEST(DeepSkyObject, NamesUseTheDeepSkyDesignations) {
  CDeepSkyObject andromeda;
  const char* names[] = {"Andromeda Galaxy"};
  const std::int64_t numbers[] = {101 * 10000000000000000LL + 31,
                                  102 * 10000000000000000LL + 2240};  // NGC keeps a suffix digit
  andromeda.setNames(names, 1);
  andromeda.setCatalogNumbers(numbers, 2);
  EXPECT_EQ(andromeda.getNameString(), "Andromeda Galaxy, Messier 31, NGC 224");
  char small[9];
  EXPECT_STREQ(andromeda.getName(small, sizeof small), "Andromed");
}

TEST(DeepSkyObject, PhysicalSizeAndTemperature) {
  CDeepSkyObject object;
  auto record = deepSkyRecord({}, 600, 1000.0f);
  object.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false);
  EXPECT_NEAR(object.getPhysicalSize(), 2.909, 0.0005);
  EXPECT_EQ(object.getDiameter(), object.getPhysicalSize());
  EXPECT_STREQ(object.getMorphology(), "G2V");
  EXPECT_EQ(object.getTemperature(), INFINITY);  // not a star, whatever its text

  for (float distance : {1000.0f, INFINITY, NAN, 0.0f}) {
    record = deepSkyRecord({}, distance == 1000.0f ? 0 : 600, distance);
    object.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false);
    EXPECT_EQ(object.getPhysicalSize(), INFINITY) << distance;
  }
}

TEST(DeepSkyObject, ReadingReplacesTheContours) {
  CDeepSkyObject object;
  object.addContour();
  object.addContour();
  object.addContour();
  ContourPart one;
  one.points = {0, 0, 1};
  one.center[2] = 1;
  auto record = deepSkyRecord({one});
  ASSERT_GT(object.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false), 0);
  ASSERT_EQ(object.getContourCount(), 1);
  double center[3];
  object.getContour(0)->getCenter(center);
  EXPECT_EQ(center[2], 1.0);
  EXPECT_EQ(object.getContour(1), nullptr);
  EXPECT_EQ(object.getContour(-1), nullptr);
  object.deleteContours();
  EXPECT_EQ(object.getContourCount(), 0);
}

TEST(DeepSkyObject, ContourPointEditing) {
  CDeepSkyContour contour;
  const float a[3] = {1, 0, 0}, b[3] = {0, 1, 0}, c[3] = {0, 0, 1};
  EXPECT_TRUE(contour.insertPoint(5, a));   // above the count: appended
  EXPECT_TRUE(contour.insertPoint(9, b));
  EXPECT_TRUE(contour.insertPoint(0, c));   // at 0: everything moves up
  EXPECT_TRUE(contour.insertPoint(-4, c));  // clamped to 0
  ASSERT_EQ(contour.getPointCount(), 4);
  float p[3];
  contour.getPointFloat(2, p);
  EXPECT_EQ(p[0], 1.0f);
  contour.getPointFloat(3, p);
  EXPECT_EQ(p[1], 1.0f);

  double unchanged[3] = {7, 7, 7};
  contour.getPoint(4, unchanged);
  contour.getPoint(-1, unchanged);
  EXPECT_EQ(unchanged[0], 7.0);
  contour.setPoint(4, a);
  contour.setPoint(1, a);
  contour.getPoint(1, unchanged);
  EXPECT_EQ(unchanged[0], 1.0);
}

TEST(DeepSkyObject, DamagedContourCountsAreRejected) {
  // A count byte above 127, and a point count far beyond the record, fail
  // before anything is allocated for them.
  auto record = deepSkyRecord({});
  record.back() = 200;
  CDeepSkyObject object;
  EXPECT_EQ(object.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false), -1);

  ContourPart one;
  one.points = {0, 0, 1};
  record = deepSkyRecord({one});
  const std::size_t countAt = static_cast<std::size_t>(starPartSize()) + 7;
  for (int i = 0; i < 4; ++i) record[countAt + i] = 0xFF;
  EXPECT_EQ(object.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false), -1);

  CDeepSkyContour contour;
  const unsigned char huge[] = {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
  EXPECT_EQ(contour.readRecord(huge, sizeof huge, false), -1);
  EXPECT_EQ(contour.getPointCount(), 0);
}

TEST(DeepSkyObject, TooManyContoursForARecordAreNotWritten) {
  CDeepSkyObject object;
  for (int i = 0; i < CDeepSkyObject::kMaxContours + 1; ++i) object.addContour();
  std::vector<unsigned char> buffer(1 << 16);
  EXPECT_EQ(object.writeRecord(buffer.data(), static_cast<std::int64_t>(buffer.size()), false),
            -1);
  object.getContour(0);
  object.deleteContours();
  for (int i = 0; i < CDeepSkyObject::kMaxContours; ++i) object.addContour();
  const std::int64_t n =
      object.writeRecord(buffer.data(), static_cast<std::int64_t>(buffer.size()), true);
  ASSERT_GT(n, 0);
  CDeepSkyObject read;
  EXPECT_EQ(read.readRecord(buffer.data(), n, true), n);
  EXPECT_EQ(read.getContourCount(), CDeepSkyObject::kMaxContours);
}

}  // namespace
