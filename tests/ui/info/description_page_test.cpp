// The description page: its sentences for each object class, numbers
// worked out by hand (and the Sun as a G2V star), the fetched satellite
// paragraph from a loopback site read back by Python's html.parser, and the
// escaping of every text from a catalogue or the network.
#include "ui/info/description_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/support/loopback_server.h"
#include "tests/support/requirements.h"
#include "tests/ui/info/info_sky.h"
#include "tests/ui/info/python_oracle.h"
#include "tests/ui/info/star_specs.h"

namespace {

using info_test::InfoSky;
using info_test::objectFromRecord;
using info_test::part;
using info_test::runOracle;
using info_test::StarSpec;
using tessaly::test::LoopbackServer;

constexpr double kDegree = M_PI / 180;
constexpr double kArcsecond = kDegree / 3600;
constexpr std::size_t kPageSize = 10000;
constexpr const char* kEnding = "</p></body></html>";

// The page of an object as it stands (its place, magnitude and distance
// as last computed).
std::string pageAsIs(CSkyChart& chart, CSkyObject* object, std::size_t size = kPageSize) {
  std::vector<char> buffer(size + 1, '#');
  EXPECT_TRUE(getObjectDescriptionHTML(&chart, object, buffer.data(), size));
  EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
  return buffer.data();
}

// The page with the object's place brought up to date first.
std::string page(CSkyChart& chart, CSkyObject* object, std::size_t size = kPageSize) {
  if (object != nullptr) chart.updateObjectPosition(object);
  return pageAsIs(chart, object, size);
}

std::unique_ptr<CSkyObject> star(const star_records::StarPart& part,
                                 const info_test::Variable* variable = nullptr,
                                 const info_test::Pair* pair = nullptr) {
  StarSpec spec;
  spec.star = part;
  spec.variable = variable;
  spec.pair = pair;
  auto object = objectFromRecord(part.type, info_test::starRecord(spec));
  EXPECT_NE(object, nullptr);
  return object;
}

// The page's paragraphs after the heading, as text.
std::string body(const std::string& html) {
  const std::size_t start = html.find("<h1>");
  return start == std::string::npos ? html : html.substr(start);
}

// Python's reading of a page: its start tags and its text.
struct ParsedPage {
  std::vector<std::string> tags;
  std::string text;
};
ParsedPage parse(const std::string& html) {
  ParsedPage parsed;
  for (const std::string& line : runOracle("tests/ui/info/page_parser.py", "", html)) {
    if (line.rfind("tag ", 0) == 0) parsed.tags.push_back(line.substr(4));
    if (line.rfind("text ", 0) == 0) parsed.text = line.substr(5);
  }
  return parsed;
}

class DescriptionPage : public ::testing::Test {
 protected:
  void TearDown() override {
    ns::UserDefaults::standard().removeObject(kSatelliteDescriptionURLKey);
  }
  InfoSky sky;
  std::unique_ptr<CSkyChart> chart = sky.chart(info_test::kSatelliteDate);
};

TEST_F(DescriptionPage, TheHeadCarriesTheStyleSheetAndItsReplacement) {
  const std::string html = page(*chart, sky.star(info_test::kVega));
  EXPECT_EQ(
      html.rfind("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
                 "<html><head><meta name=\"viewport\" content=\"initial-scale=1.0\">\n"
                 "<link id=\"cssfile\" rel=\"stylesheet\" type=\"text/css\" href=\"Onyx.css\">\n"
                 "<script type=\"text/javascript\">cssparam=location.href.split(\"cssfile=\")[1];"
                 "if(cssparam)document.getElementById('cssfile').href=cssparam;</script>\n"
                 "<title>Vega</title></head><body><h1>Vega</h1><p>",
                 0),
      0u);
  EXPECT_EQ(html.substr(html.size() - std::strlen(kEnding)), kEnding);
}

TEST_F(DescriptionPage, MagnitudesAreTruncatedAndDistancesScaled) {
  // 9000 and 12000 light years in parsecs.
  auto near =
      star(part(1, "Near", 10, 10, 2.9, 3.0, static_cast<float>(9000 / 3.261563761906712), ""));
  EXPECT_NE(
      page(*chart, near.get()).find("Near is a 2th magnitude Star appearing in the constellation"),
      std::string::npos);
  EXPECT_NE(page(*chart, near.get()).find(" It is 9000 light years from our solar system."),
            std::string::npos);
  auto far =
      star(part(1, "Far", 10, 10, -1.5, -1.4, static_cast<float>(12000 / 3.261563761906712), ""));
  EXPECT_NE(page(*chart, far.get()).find("Far is a -1th magnitude"), std::string::npos);
  EXPECT_NE(page(*chart, far.get()).find(" It is 12 thousand light years"), std::string::npos);
  // No magnitude, or one that is not a number or too large for the
  // ordinal: the sentence without it.
  for (float magnitude : {INFINITY, NAN, 1e30f, -1e30f}) {
    far->setMagnitude(magnitude);
    const std::string html = pageAsIs(*chart, far.get());
    EXPECT_NE(html.find("Far is a Star appearing in the constellation"), std::string::npos)
        << magnitude;
  }
}

TEST_F(DescriptionPage, SpectraNameTheStarAndTheSunIsItsOwnReference) {
  EXPECT_NE(page(*chart, star(part(1, "Rigel", 78.6, -8.2, 0.13, 0.1, 264, "B8Ia+A0")).get())
                .find(" It is a blue-white supergiant of spectral type B8Ia+A0."),
            std::string::npos);
  EXPECT_NE(page(*chart, star(part(1, "K", 10, 10, 5.0, 5.9, 20, "K0V")).get())
                .find(" It is a yellow-orange main-sequence star of spectral type K0V."),
            std::string::npos);
  EXPECT_NE(page(*chart, star(part(1, "K", 10, 10, 5.0, 6.1, 20, "K0V")).get())
                .find(" It is a orange dwarf of spectral type K0V."),
            std::string::npos);
  EXPECT_NE(page(*chart, star(part(1, "Plain", 10, 10, 5.0, 5.3, 20, "")).get())
                .find(" It appears yellow-white in color."),
            std::string::npos);
  // A star like the Sun (G2V, absolute magnitude 4.83 at 10 pc).
  const std::string sun = page(*chart, star(part(1, "Sol", 10, 10, 4.83, 5.48, 10, "G2V")).get());
  // (The class table's bolometric correction of G2V is larger than the
  // Sun's -0.07, so the output may read 1.1.)
  for (const char* sentence :
       {" - 1.0 times hotter than the Sun's - ", "1.0 times the Sun's diameter",
        " This star's total energy output, or luminosity, is 1.",
        "and it has a mass of 1.0 Solar masses."})
    EXPECT_NE(sun.find(sentence), std::string::npos) << sentence << "\n" << body(sun);
  // Without a class the output comes from the absolute magnitude alone: 5
  // magnitudes brighter than the Sun is 100 times.
  EXPECT_NE(page(*chart, star(part(1, "Bright", 10, 10, -0.18, -0.1, 10, "")).get())
                .find(" Its energy output is 100 times the Sun's luminosity."),
            std::string::npos);
}

TEST_F(DescriptionPage, CompanionsOfDoubleAndBinaryStars) {
  const info_test::Pair pair{5.09, 34.7 * kArcsecond, 54 * kDegree, "AB"};
  const std::string html = page(
      *chart,
      star(part(2, "Albireo", 292.68, 27.96, 3.18, 4.31, 133, "K3II+B9.5V"), nullptr, &pair).get());
  EXPECT_NE(
      html.find(
          "</p><p>This star is part of a double or multiple star system, but its orbit is not "
          "known."
          " Its magitude +5.1 secondary component appears 34.7 arcseconds away, corresponding to a"
          " physical distance of at least 4615 AU from its primary."),
      std::string::npos)
      << body(html);
  const std::string sirius = page(*chart, sky.star(info_test::kSirius));
  EXPECT_NE(
      sirius.find(
          "This star is part of a binary system with a known orbit. Its 8th-magitude secondary"
          " component appears 7.5 arcseconds away from the primary - a physical distance of "),
      std::string::npos)
      << body(sirius);
  EXPECT_NE(sirius.find(" AU. Their mutual orbital period is 50 years."), std::string::npos);
  // Without a distance the period stands alone.
  EXPECT_NE(page(*chart, sky.star(info_test::kHalfYearBinary))
                .find(". The orbital period of this binary system is 0 years."),
            std::string::npos);
}

TEST_F(DescriptionPage, VariableStarsAndSupernovae) {
  EXPECT_NE(
      page(*chart, sky.star(info_test::kMira))
          .find("</p><p>Mira is a pulsating Mira-type variable star of type M. Its magnitude varies"
                " from +10.1 to +2.0, over a period of 332.0 days."),
      std::string::npos);
  EXPECT_NE(page(*chart, sky.star(info_test::kRRC))
                .find("Overtone is a pulsating RR Lyrae-type variable star of type RRC."),
            std::string::npos);
  EXPECT_EQ(page(*chart, sky.star(info_test::kRVTauri)).find("RR Lyrae"), std::string::npos);
  const std::string supernova = page(*chart, sky.star(info_test::kSupernova));
  const std::string sentence = "This type SNII supernova reached magnitude 2.9 on 1987/02/23.";
  ASSERT_NE(supernova.find(sentence), std::string::npos) << body(supernova);
  EXPECT_EQ(supernova.find(" on ", supernova.find(sentence) + sentence.size()), std::string::npos);
  EXPECT_EQ(supernova.find(" on on "), std::string::npos);
  const info_test::Variable faint{INFINITY, 9.5, INFINITY, 2451000.0, "L"};
  EXPECT_NE(page(*chart, star(part(6, "Slow", 10, 10, 9, 9.5, 100, "M5III"), &faint).get())
                .find("At its faintest, it appears at magnitude +9.5, with an irregular or unknown "
                      "period."),
            std::string::npos);
}

TEST_F(DescriptionPage, GalaxiesAndClusters) {
  const auto galaxy = [&](const char* morphology, float velocity) {
    star_records::StarPart p = part(16, "G", 10, 41, 9, 10, 1e6f, morphology);
    p.radialVelocity = velocity;
    return page(*chart, objectFromRecord(16, info_test::deepSkyRecord(p, 600, 300)).get());
  };
  // Radial velocities in parsecs a year: 1000 km/s and -100 km/s.
  const float kmPerSecond = static_cast<float>(31557600.0 / 30856775670536.098);
  EXPECT_NE(
      galaxy("E3", 1000 * kmPerSecond)
          .find(" It is an elliptical galaxy of morphological type E3, and is receding at 1000"
                " kilometers per second - about 0.3% of light speed."),
      std::string::npos);
  EXPECT_NE(
      galaxy("SBb", -100 * kmPerSecond)
          .find(" It is a barred spiral galaxy of morphological type SBb, and is moving toward us"
                " at 100 kilometers per second."),
      std::string::npos);
  EXPECT_NE(galaxy("Sc", INFINITY).find(" It is a spiral galaxy of morphological type Sc."),
            std::string::npos);
  const std::string sized = galaxy("Irr", 200 * kmPerSecond);
  EXPECT_NE(
      sized.find("G appears roughly 10.0 x 5.0 arcminutes in size, corresponding to a physical"
                 " diameter of 9488 light years."),
      std::string::npos)
      << body(sized);
  EXPECT_NE(sized.find("an irregular galaxy"), std::string::npos);
  const std::string cluster = page(*chart, sky.deepSky(info_test::kOpenCluster));
  EXPECT_NE(cluster.find("Cluster's apparent size is approximately 110.0 arcminutes"),
            std::string::npos)
      << body(cluster);
  EXPECT_EQ(cluster.find("galaxy"), std::string::npos);
}

TEST_F(DescriptionPage, SatellitesAndOtherBodies) {
  CSatellite* iss = sky.satellite(info_test::kISS);
  chart->updateObjectPosition(iss);
  std::string html = page(*chart, iss);
  EXPECT_NE(html.find(" It orbits the Earth every 93 minutes at altitudes from 4"),
            std::string::npos)
      << body(html);
  EXPECT_NE(
      html.find(" It was launched in 1998, and NORAD assigned it tracking number 25544. It is a"
                " satellite.</p></body></html>"),
      std::string::npos)
      << body(html);
  iss->setNameAt(1, "CZ-2C R/B");
  for (int k = 0; k < 4; ++k) iss->setCategory(k, 0);
  iss->addCategory(25);
  iss->addCategory(1);
  html = page(*chart, iss);
  EXPECT_NE(
      html.find(
          " It was launched recently; NORAD assigned it tracking number 25544. It is a Iridium"
          " communication rocket booster."),
      std::string::npos)
      << body(html);
  iss->addCategory(72);
  EXPECT_NE(page(*chart, iss).find(" communication CubeSat."), std::string::npos);
  // A geostationary satellite's period reads in hours.
  EXPECT_NE(page(*chart, sky.satellite(41866))
                .find(" It orbits the Earth every 23.9 hours at altitudes between"),
            std::string::npos);

  CPlanet* ceres = sky.world().body(33, 1);
  chart->updateObjectPosition(ceres);
  html = page(*chart, ceres);
  for (const char* sentence :
       {" It orbits the sun every 4.6 years at an average distance of 2.8 AU.",
        " It is a main belt asteroid which orbits the Sun between Mars and Jupiter.",
        "</p><p>(1) Ceres is a large object, 939 kilometers in diameter. "})
    EXPECT_NE(html.find(sentence), std::string::npos) << sentence << "\n" << body(html);
  // The Sun and the moons orbit no Sun as the sentence would say.
  for (CPlanet* body : {sky.database().getSun(), sky.database().getMoon()})
    EXPECT_EQ(page(*chart, body).find("orbits the sun"), std::string::npos);
  EXPECT_NE(page(*chart, sky.world().body(30, 5)).find(" It orbits the sun every 11.9 years"),
            std::string::npos);
}

TEST_F(DescriptionPage, SurfaceFeaturesAndPlaces) {
  const std::string crater = page(*chart, sky.crater());
  EXPECT_NE(crater.find(" on Moon. "), std::string::npos) << body(crater);
  EXPECT_NE(crater.find("; 85 km across. "), std::string::npos) << body(crater);
  const std::string town = page(*chart, sky.town());
  EXPECT_NE(town.find(" Population "), std::string::npos) << body(town);
  // A place whose population is not a count leaves the number out.
  mechanics_test::FeatureRecord place;
  place.name = "Nowhere";
  place.type = 100;
  for (float population : {NAN, INFINITY, 1e20f}) {
    place.size = population;
    mechanics_test::SolarSystemWorld world({}, {}, {place});
    ASSERT_TRUE(world.loaded());
    CSkyChart local(&world.database(), "");
    SkyObjectID id;
    CSkyDatabase::setSkyObjectID(&id, kSolarSystemFile, 0, 11, 0, "", 0);  // after the fixed bodies
    CSkyObject* feature = world.database().getObject(&id);
    ASSERT_NE(feature, nullptr);
    EXPECT_EQ(page(local, feature).find("Population"), std::string::npos) << population;
  }
}

TEST_F(DescriptionPage, TheSatelliteSitesTextIsFetchedAndEscaped) {
  std::atomic<int> requests{0};
  std::string path;
  LoopbackServer site([&](int client, const LoopbackServer::Request& request) {
    ++requests;
    path = request.path;
    LoopbackServer::sendResponse(client, 200, "OK", "<script>alert(1)</script> & <b>");
  });
  CSatellite* iss = sky.satellite(info_test::kISS);
  chart->updateObjectPosition(iss);
  // No site: nothing is fetched.
  EXPECT_EQ(page(*chart, iss).find("<p>", page(*chart, iss).find("satellite.")), std::string::npos);
  EXPECT_EQ(requests.load(), 0);

  ns::UserDefaults::standard().setString(kSatelliteDescriptionURLKey, site.url("/"));
  const std::string html = page(*chart, iss);
  EXPECT_EQ(requests.load(), 1);
  EXPECT_EQ(path, "/satellite/get-satellite-description.php?s=25544");
  EXPECT_NE(
      html.find(
          "satellite.<p>&lt;script&gt;alert(1)&lt;/script&gt; &amp; &lt;b&gt;</p></body></html>"),
      std::string::npos)
      << body(html);
  const ParsedPage parsed = parse(html);
  if (parsed.tags.empty()) TESSALY_SKIP_OR_FAIL("python3 is not installed");
  EXPECT_EQ(std::count(parsed.tags.begin(), parsed.tags.end(), "script"), 1);
  EXPECT_EQ(std::count(parsed.tags.begin(), parsed.tags.end(), "b"), 0);
  EXPECT_NE(parsed.text.find("satellite.<script>alert(1)</script> & <b>"), std::string::npos)
      << parsed.text;
}

TEST_F(DescriptionPage, AFailedFetchLeavesNoParagraph) {
  int answer = 0;
  LoopbackServer site([&](int client, const LoopbackServer::Request&) {
    if (answer == 0) LoopbackServer::sendResponse(client, 404, "Not Found", "gone");
    if (answer == 1)
      LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort");
    if (answer == 2) LoopbackServer::sendResponse(client, 200, "OK", "");
  });
  ns::UserDefaults::standard().setString(kSatelliteDescriptionURLKey, site.url(""));
  CSatellite* iss = sky.satellite(info_test::kISS);
  chart->updateObjectPosition(iss);
  for (answer = 0; answer < 3; ++answer) {
    const std::string html = page(*chart, iss);
    EXPECT_NE(html.find(" satellite.</p></body></html>"), std::string::npos)
        << answer << body(html);
  }
}

TEST_F(DescriptionPage, CatalogueTextsAreEscaped) {
  auto hostile = star(part(1, "<img src=x onerror=alert(1)>", 10, 10, 5, 5.5, 20, "K0V<script>"));
  const std::string html = page(*chart, hostile.get());
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_EQ(html.find("<script"), html.rfind("<script type="));
  EXPECT_NE(html.find("<title>&lt;img src=x onerror=alert(1)&gt;</title>"), std::string::npos);
  EXPECT_NE(html.find("spectral type K0V&lt;script&gt;."), std::string::npos) << body(html);
  const ParsedPage parsed = parse(html);
  if (parsed.tags.empty()) TESSALY_SKIP_OR_FAIL("python3 is not installed");
  EXPECT_EQ(std::count(parsed.tags.begin(), parsed.tags.end(), "img"), 0);
  EXPECT_EQ(std::count(parsed.tags.begin(), parsed.tags.end(), "script"), 1);
}

TEST_F(DescriptionPage, EveryClassFitsAndACutPageKeepsItsEnd) {
  std::vector<CSkyObject*> objects;
  for (int s = 0; s < info_test::kStarCount; ++s)
    objects.push_back(sky.star(static_cast<info_test::Star>(s)));
  for (int d = 0; d < info_test::kDeepSkyCount; ++d)
    objects.push_back(sky.deepSky(static_cast<info_test::DeepSky>(d)));
  objects.push_back(sky.constellation(0));
  objects.push_back(sky.constellation(info_test::kAsterismIndex));
  objects.push_back(sky.constellation(info_test::kPerseidsIndex));
  objects.push_back(sky.crater());
  objects.push_back(sky.town());
  for (int i = 0; i < sky.database().getSolarSystemObjectCount(); ++i)
    if (CPlanet* body = sky.database().getSolarSystemObject(i)) objects.push_back(body);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    CSkyObject* object = objects[i];
    ASSERT_NE(object, nullptr) << i;
    chart->updateObjectPosition(object);
    const std::string html = page(*chart, object);
    EXPECT_LT(html.size(), kPageSize);
    EXPECT_EQ(html.substr(html.size() - std::strlen(kEnding)), kEnding);
  }
  // Cut: the end kept, no character reference or tag split.
  auto named = star(part(1, "A&B <C> \"D\" 'E'", 10, 10, 5, 5.5, 20, "G2V"));
  const std::string whole = page(*chart, named.get());
  for (std::size_t size = 2; size < whole.size(); size += 7) {
    const std::string cut = page(*chart, named.get(), size);
    ASSERT_LT(cut.size(), size);
    if (size > std::strlen(kEnding)) {
      EXPECT_EQ(cut.substr(cut.size() - std::strlen(kEnding)), kEnding) << size;
      const std::string kept = cut.substr(0, cut.size() - std::strlen(kEnding));
      EXPECT_EQ(whole.rfind(kept, 0), 0u) << size;
      const std::size_t amp = kept.rfind('&');
      if (amp != std::string::npos) {
        EXPECT_NE(kept.find(';', amp), std::string::npos) << kept;
      }
      EXPECT_GE(kept.rfind('>') + 1, kept.rfind('<') + 1) << kept;
    }
  }
  char one[1] = {'x'};
  EXPECT_TRUE(getObjectDescriptionHTML(chart.get(), named.get(), one, 1));
  EXPECT_EQ(one[0], '\0');
  EXPECT_FALSE(getObjectDescriptionHTML(chart.get(), named.get(), nullptr, 100));
  EXPECT_FALSE(getObjectDescriptionHTML(chart.get(), nullptr, one, 1));
}

}  // namespace
