#include "skydata/star.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/vectors.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "skydata/star_classes.h"
#include "star_records.h"

namespace {

using star_records::StarPart;

// Reads a star part (and nothing else) into a CStar of the record's type.
std::unique_ptr<CStar> readStar(const StarPart& part, bool otherByteOrder = false) {
  unsigned char buffer[1024];
  RecordWriter w(buffer, sizeof buffer, otherByteOrder);
  star_records::writeStarPart(w, part);
  auto star = std::make_unique<CStar>();
  EXPECT_EQ(star->readRecord(buffer, w.result(), otherByteOrder), w.result());
  return star;
}

std::vector<unsigned char> written(const CSkyObject& object, bool otherByteOrder) {
  std::vector<unsigned char> buffer(4096);
  const std::int64_t n =
      object.writeRecord(buffer.data(), static_cast<std::int64_t>(buffer.size()), otherByteOrder);
  EXPECT_GT(n, 0);
  buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return buffer;
}

// The position and its rates pass through float unit vectors, so they may
// move by a float step on each pass; everything else must come back as it
// was.
void expectSameRecord(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                      bool other) {
  ASSERT_EQ(a.size(), b.size());
  RecordReader ra(a.data(), static_cast<std::int64_t>(a.size()), other);
  RecordReader rb(b.data(), static_cast<std::int64_t>(b.size()), other);
  EXPECT_EQ(ra.readRecordU8(), rb.readRecordU8());
  const int numbers = ra.readRecordU8();
  ASSERT_EQ(numbers, rb.readRecordU8());
  for (int i = 0; i < numbers; ++i) EXPECT_EQ(ra.readRecordI64(), rb.readRecordI64());
  const int names = ra.readRecordU8();
  ASSERT_EQ(names, rb.readRecordU8());
  for (int i = 0; i < names; ++i) EXPECT_STREQ(ra.readRecordString(), rb.readRecordString());
  for (int i = 0; i < 6; ++i) {
    const float x = ra.readRecordFloat(), y = rb.readRecordFloat();
    EXPECT_NEAR(x, y, 1e-5 * std::fabs(y)) << "float " << i;
  }
  ASSERT_EQ(ra.position(), rb.position());
  EXPECT_TRUE(std::equal(a.begin() + ra.position(), a.end(), b.begin() + rb.position()));
}

TEST(StarClasses, FactoryMakesEveryStarClassAndTheDowncastsReachItsParts) {
  for (int code = 1; code <= 29; ++code) {
    std::unique_ptr<CSkyObject> object(createSkyObject(code));
    if (code == 8) {
      EXPECT_EQ(object, nullptr);
      continue;
    }
    ASSERT_NE(object, nullptr) << code;
    EXPECT_EQ(object->getType(), code);
    EXPECT_NE(asStar(object.get()), nullptr) << code;  // a deep-sky object is a star
    EXPECT_EQ(asVariableStar(object.get()) != nullptr, code >= 4 && code <= 7) << code;
    EXPECT_EQ(asDoubleStar(object.get()) != nullptr, code >= 2 && code <= 5) << code;
    EXPECT_EQ(asBinaryStar(object.get()) != nullptr, code == 3 || code == 5) << code;
    EXPECT_EQ(asDeepSkyObject(object.get()) != nullptr, code >= 10) << code;
  }
  EXPECT_EQ(asStar(static_cast<CSkyObject*>(nullptr)), nullptr);

  // One CStar part, whichever way it is reached.
  std::unique_ptr<CSkyObject> pair(createSkyObject(5));
  CStar* viaVariable = asVariableStar(pair.get());
  CStar* viaBinary = asBinaryStar(pair.get());
  EXPECT_EQ(viaVariable, viaBinary);
  EXPECT_EQ(viaVariable, asStar(pair.get()));
  EXPECT_EQ(asBinaryStar(pair.get())->getCompanionRegion(), 4294967295u);  // no link yet
  EXPECT_EQ(asBinaryStar(pair.get())->getCompanionIndex(), -1);

  // The code is tested before the class: a plain star claiming code 6 is no
  // variable star, and an ownership bit does not hide the code.
  CStar impostor(1);
  impostor.setOwnedByRegion(true);
  EXPECT_NE(asStar(&impostor), nullptr);
  CStar claimsVariable(6);
  EXPECT_EQ(asVariableStar(&claimsVariable), nullptr);
}

TEST(StarClasses, EveryTypeCodeRoundTripsInBothByteOrders) {
  for (bool other : {false, true}) {
    for (int code = 1; code <= 29; ++code) {
      if (code == 8) continue;
      SCOPED_TRACE(testing::Message() << "code " << code << " other order " << other);
      const auto record = star_records::sampleRecord(code, other);
      std::unique_ptr<CSkyObject> first(createSkyObject(code));
      ASSERT_EQ(first->readRecord(record.data(), static_cast<std::int64_t>(record.size()), other),
                static_cast<std::int64_t>(record.size()));
      const auto rewritten = written(*first, other);
      ASSERT_EQ(rewritten.size(), record.size());
      std::unique_ptr<CSkyObject> second(createSkyObject(code));
      ASSERT_EQ(second->readRecord(rewritten.data(), static_cast<std::int64_t>(rewritten.size()),
                                   other),
                static_cast<std::int64_t>(rewritten.size()));
      expectSameRecord(written(*second, other), rewritten, other);

      const CStar* star = asStar(second.get());
      EXPECT_EQ(star->getType(), code);
      std::int64_t numbers[4];
      ASSERT_EQ(star->getCatalogNumbers(numbers, 4), 2);
      EXPECT_EQ(numbers[1], 4 * 10000000000000000LL + 2491);
      const char* names[4];
      ASSERT_EQ(star->getNames(names, 4), 2);
      EXPECT_STREQ(names[1], "Dog Star");
      EXPECT_FLOAT_EQ(star->getVisualMagnitude(), -1.46f);
      EXPECT_FLOAT_EQ(star->getStarDistance(), 2.637f);
      EXPECT_FLOAT_EQ(star->getRadialVelocity(), -5.6e-6f);
      EXPECT_STREQ(star->getSpectralType(), "A1V");
      double p[3], expected[3];
      star->getCatalogVector(p);
      sphericalToVector(expected, 1.767793, -0.291751, 1.0);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], expected[i], 2e-7);

      if (const CVariableStar* variable = asVariableStar(second.get())) {
        EXPECT_FLOAT_EQ(variable->getMaxMagnitude(), 5.2f);
        EXPECT_FLOAT_EQ(variable->getMinMagnitude(), 6.1f);
        EXPECT_FLOAT_EQ(variable->getPeriod(), 4.47f);
        EXPECT_DOUBLE_EQ(variable->getEpoch(), 2451645.0);
        EXPECT_STREQ(variable->getVariableType(), "DCEP");
      }
      if (const CDoubleStar* pair = asDoubleStar(second.get())) {
        EXPECT_FLOAT_EQ(pair->getCompanionMagnitude(), 8.5f);
        EXPECT_FLOAT_EQ(pair->getSeparation(), 1e-5f);
        EXPECT_FLOAT_EQ(pair->getThirdValue(), 7.0f);
        EXPECT_STREQ(pair->getComponents(), "AB");
      }
      if (const CBinaryStar* binary = asBinaryStar(second.get())) {
        EXPECT_FLOAT_EQ(binary->getPeriastronYear(), 1994.3f);
        EXPECT_FLOAT_EQ(binary->getAscendingNode(), 0.78f);
        EXPECT_EQ(binary->getCompanionRegion(), 1234u);
        EXPECT_EQ(binary->getCompanionIndex(), 56);
      }
      if (const CDeepSkyObject* dso = asDeepSkyObject(second.get())) {
        EXPECT_EQ(dso->getMajorSize(), 600);
        EXPECT_EQ(dso->getOrientation(), 45);
        ASSERT_EQ(dso->getContourCount(), 2);
        EXPECT_EQ(dso->getContour(0)->getPointCount(), 3);
        EXPECT_FLOAT_EQ(dso->getContour(1)->getRadius(), 0.5f);
      }
    }
  }
}

TEST(StarClasses, TruncatedRecordsFailWithoutReadingPastTheirEnd) {
  for (bool other : {false, true}) {
    for (int code : {1, 2, 3, 4, 5, 6, 16}) {
      const auto record = star_records::sampleRecord(code, other);
      for (std::size_t length = 0; length < record.size(); ++length) {
        // An exact-size heap copy, so the sanitizers see any over-read.
        std::vector<unsigned char> cut(record.begin(), record.begin() + length);
        std::unique_ptr<CSkyObject> object(createSkyObject(code));
        ASSERT_EQ(object->readRecord(cut.data(), static_cast<std::int64_t>(length), other), -1)
            << code << " " << length;
      }
      std::unique_ptr<CSkyObject> object(createSkyObject(code));
      object->readRecord(record.data(), static_cast<std::int64_t>(record.size()), other);
      std::vector<unsigned char> small(record.size() - 1);
      EXPECT_EQ(object->writeRecord(small.data(), static_cast<std::int64_t>(small.size()), other),
                -1);
    }
  }
}

TEST(StarClasses, MoreThanSixteenNumbersOrNamesAreSkippedInStep) {
  StarPart part;
  for (int i = 1; i <= 20; ++i) part.numbers.push_back(i);
  for (int i = 1; i <= 18; ++i) part.names.push_back("n" + std::to_string(i));
  part.visual = 123;
  part.spectralType = "K0III";
  const auto star = readStar(part);
  std::int64_t numbers[20];
  EXPECT_EQ(star->getCatalogNumbers(numbers, 20), 16);
  EXPECT_EQ(numbers[15], 16);
  const char* names[20];
  EXPECT_EQ(star->getNames(names, 20), 16);
  EXPECT_STREQ(names[15], "n16");
  EXPECT_FLOAT_EQ(star->getVisualMagnitude(), 1.23f);  // read after the surplus
  EXPECT_STREQ(star->getSpectralType(), "K0III");
}

TEST(StarClasses, ListGettersWriteOnlyWithinTheCallersArray) {
  CStar star;
  std::int64_t number = 99;
  const char* name = "untouched";
  EXPECT_EQ(star.getCatalogNumbers(&number, 0), 0);
  EXPECT_EQ(star.getNames(&name, 0), 0);
  EXPECT_EQ(number, 99);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(star.getCatalogNumbers(&number, 1), 0);
  EXPECT_EQ(star.getNames(&name, 1), 0);
  EXPECT_EQ(number, 0);
  EXPECT_STREQ(name, "");

  const std::int64_t three[] = {7, 8, 9};
  star.setCatalogNumbers(three, 3);
  EXPECT_EQ(star.getCatalogNumbers(&number, 1), 3);  // the stored count
  EXPECT_EQ(number, 7);
  std::int64_t out[4];
  EXPECT_EQ(getObjectCatalogNumbers(&star, out, 2), 2);
  star.setCatalogNumbers(three, 0);
  EXPECT_EQ(star.getCatalogNumbers(out, 4), 0);

  const char* two[] = {"Polaris", nullptr};
  star.setNames(two, 2);
  const char* got[2];
  EXPECT_EQ(getObjectNames(&star, got, 2), 2);
  EXPECT_STREQ(got[0], "Polaris");
  EXPECT_STREQ(got[1], "");
  EXPECT_EQ(getObjectNames(nullptr, got, 2), 0);
}

TEST(StarClasses, FindsTheNumberOfACatalogue) {
  CStar star;
  const std::int64_t numbers[] = {5 * 10000000000000000LL + 48915, -4295806720LL,
                                  4 * 10000000000000000LL + 2491, 4 * 10000000000000000LL + 7};
  star.setCatalogNumbers(numbers, 4);
  EXPECT_EQ(star.findCatalogNumber(4), numbers[2]);  // the first of its catalogue
  EXPECT_EQ(star.findCatalogNumber(-1), numbers[1]);  // a Gaia source
  EXPECT_EQ(star.findCatalogNumber(7), 0);
}

TEST(StarClasses, NameGettersFillTheCallersBuffer) {
  CStar star;
  const char* names[] = {"Betelgeuse"};
  star.setNames(names, 1);
  char buffer[5];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_STREQ(star.getName(buffer, sizeof buffer), "Bete");
  EXPECT_EQ(star.getNameString(), "Betelgeuse");
  CStar empty;
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_STREQ(empty.getName(buffer, sizeof buffer), "");
  EXPECT_STREQ(empty.formatCatalogNumber(0, buffer, sizeof buffer, 0), "");
  EXPECT_STREQ(empty.formatCatalogNumber(0, nullptr, 0, 0), "");

  // Names first, then the catalogue designations; a number of the asked
  // catalogue is preferred to the first.
  const std::int64_t numbers[] = {5 * 10000000000000000LL + 48915, 4 * 10000000000000000LL + 2491};
  const char* sirius[] = {"Sirius"};
  star.setNames(sirius, 1);
  star.setCatalogNumbers(numbers, 2);
  EXPECT_EQ(star.getNameString(), "Sirius, HD 48915, HR 2491");
  char text[32];
  EXPECT_STREQ(star.formatCatalogNumber(4, text, sizeof text, 0), "HR 2491");
  EXPECT_STREQ(star.formatCatalogNumber(11, text, sizeof text, 0), "HD 48915");
  EXPECT_STREQ(star.formatCatalogNumber(4, nullptr, 0, 0), "HR 2491");
}

TEST(StarClasses, MissingMagnitudes) {
  StarPart none;
  const auto dark = readStar(none);
  EXPECT_EQ(dark->getVisualMagnitude(), INFINITY);
  EXPECT_EQ(dark->getBlueMagnitude(), INFINITY);
  EXPECT_EQ(dark->getBestMagnitude(), INFINITY);
  EXPECT_EQ(dark->getColorIndex(), INFINITY);
  EXPECT_EQ(dark->getBrightness(), 0.0f);

  StarPart blueOnly;
  blueOnly.blue = 650;
  blueOnly.distance = 10.0f;
  const auto blue = readStar(blueOnly);
  EXPECT_FLOAT_EQ(blue->getBestMagnitude(), 6.5f);
  EXPECT_EQ(blue->getColorIndex(), INFINITY);
  // At 10 pc the absolute magnitude is the apparent one; B uses the Sun's
  // 5.44.
  EXPECT_NEAR(blue->getLuminosity(), std::pow(10.0, (5.44 - 6.5) / 2.5), 1e-6);

  StarPart both;
  both.visual = 100;
  both.blue = 165;
  const auto star = readStar(both);
  EXPECT_FLOAT_EQ(star->getColorIndex(), 0.65f);
  EXPECT_FLOAT_EQ(star->getBrightness(), std::pow(10.0f, -0.4f));
}

TEST(StarClasses, MotionVectorIsTheRateOfTheCatalogVector) {
  // An independent numerical derivative of the unit vector of (ra, dec).
  StarPart part;
  part.ra = 4.0f;
  part.dec = 0.3f;
  part.raRate = 2e-4f;
  part.decRate = -1e-4f;
  part.distance = 50.0f;
  part.radialVelocity = 1e-3f;
  const auto moving = readStar(part);
  double motion[3], before[3], after[3];
  moving->getMotionVector(motion);
  const double h = 1e-3;
  sphericalToVector(before, 4.0 - part.raRate * h, 0.3 - part.decRate * h, 1.0 - 2e-5 * h);
  sphericalToVector(after, 4.0 + part.raRate * h, 0.3 + part.decRate * h, 1.0 + 2e-5 * h);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(motion[i], (after[i] - before[i]) / (2 * h), 1e-9);

  // Without a distance there is no radial rate: the motion is tangential.
  part.distance = INFINITY;
  const auto flat = readStar(part);
  double p[3];
  flat->getMotionVector(motion);
  flat->getCatalogVector(p);
  EXPECT_NEAR(vectorDot(p, motion), 0.0, 1e-11);
  EXPECT_EQ(flat->getMotionVector(nullptr)[0], motion[0]);  // the shared buffer
}

TEST(StarClasses, TemperatureOnlyForStarCodes) {
  StarPart part;
  part.type = 9;
  part.spectralType = "G2V";
  EXPECT_NEAR(readStar(part)->getTemperature(), 5790, 1);
  part.type = 16;
  EXPECT_EQ(readStar(part)->getTemperature(), INFINITY);
  part.type = 1;
  part.spectralType = "pec";
  EXPECT_EQ(readStar(part)->getTemperature(), INFINITY);
}

// Published values: the Sun at 1 AU (V = -26.74, M_V = 4.83, B - V = 0.65,
// Teff 5772 K, IAU 2015 nominal); Sirius A (V = -1.46, Hipparcos 2007
// parallax 379.21 mas, M_V = 1.42); Vega (V = 0.026, parallax 130.23 mas,
// M_V = 0.582).
TEST(StarClasses, DerivedValuesAgreeWithPublishedStars) {
  StarPart sun;
  sun.visual = -2674;
  sun.blue = -2609;
  sun.distance = static_cast<float>(1.0 / 206264.80624709636);
  sun.spectralType = "G2V";
  const auto theSun = readStar(sun);
  EXPECT_NEAR(theSun->getAbsoluteMagnitude(), 4.83, 0.005);
  EXPECT_NEAR(theSun->getLuminosity(), 1.0, 0.015);
  EXPECT_NEAR(theSun->getTemperature(), 5772, 0.01 * 5772);
  EXPECT_NEAR(theSun->getDiameter(), 1.0, 0.015);

  StarPart sirius;
  sirius.visual = -146;
  sirius.distance = 1000.0f / 379.21f;
  EXPECT_NEAR(readStar(sirius)->getAbsoluteMagnitude(), 1.42, 0.02);
  StarPart vega;
  vega.visual = 3;  // 0.03, the field's hundredths
  vega.distance = 1000.0f / 130.23f;
  EXPECT_NEAR(readStar(vega)->getAbsoluteMagnitude(), 0.582, 0.03);

  // Unknown or damaged distances give no absolute magnitude at all.
  for (float distance : {INFINITY, NAN, 0.0f, -3.0f}) {
    sirius.distance = distance;
    const auto star = readStar(sirius);
    EXPECT_EQ(star->getAbsoluteMagnitude(), INFINITY) << distance;
    EXPECT_EQ(star->getLuminosity(), INFINITY);
    EXPECT_EQ(star->getDiameter(), INFINITY);
  }
}

}  // namespace
