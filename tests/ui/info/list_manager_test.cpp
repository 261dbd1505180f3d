// The satellite list manager: its titles, sections and codes, and the
// lists it builds for the chart screen (a fake shell around a real chart)
// by name and by pass time, with the database's filter put back.
#include "ui/info/list_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "skydata/object_factory.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/ui/info/chart_screen.h"

namespace {

using info_test::InfoSky;

TEST(ListManager, SectionsTitlesAndCategoryCodes) {
  const char* sections[] = {"Special Interest", "Weather & Earth Resources", "Communication",
                            "Navigation", "Scientific", "Miscellaneous", "Earth Observant"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ListMgr::getTitleForSection(i), sections[i]);
  EXPECT_EQ(ListMgr::getTitleForSection(7), "");
  EXPECT_EQ(ListMgr::getTitleForSection(-1), "");
  EXPECT_FALSE(ListMgr::getTitlesOfListsForSection(6).has_value());
  EXPECT_FALSE(ListMgr::getTitlesOfListsForSection(-1).has_value());
  const struct {
    const char* title;
    int code;
  } codes[] = {{"Tonight's Satellites", -1}, {"Starlink", 35}, {"Interplanetary", 91},
               {"Space Debris", 93},         {"Sirius & XM Radio", 31}, {"starlink", -1}};
  for (const auto& c : codes) EXPECT_EQ(ListMgr::getSatelliteType(c.title), c.code) << c.title;
  // The section lists after "Tonight's Satellites" are the 25 codes in order.
  std::vector<int> fromSections;
  for (int i = 0; i < 6; ++i) {
    const auto titles = ListMgr::getTitlesOfListsForSection(i);
    ASSERT_TRUE(titles.has_value());
    for (const std::string& title : *titles)
      if (title != "Tonight's Satellites") fromSections.push_back(ListMgr::getSatelliteType(title));
  }
  const std::span<const int> all = ListMgr::getAllSatTypes();
  EXPECT_EQ(fromSections, std::vector<int>(all.begin(), all.end()));
  EXPECT_EQ(ListMgr::getNumSatTypes(), 25);
  EXPECT_EQ(ListMgr::getMaxSkyObjectIDs(), 30000);
}

class ListBuilding : public ::testing::Test {
 protected:
  struct List {
    std::vector<SkyObjectID> ids;
    double* times;
    bool indexed, common;
    SkyObjectID* array;
  };
  List build(const std::string& title) {
    List list{};
    const std::int64_t count = ListMgr::getList(title, &list.array, &list.times, &list.indexed, &list.common);
    list.ids.assign(list.array, list.array + count);
    return list;
  }

  InfoSky sky;
  info_test::ChartScreen screen{sky};
};

TEST_F(ListBuilding, ByNameEverySatelliteOfTheCategoryIndexedAndTheFilterPutBack) {
  sky.database().setCategoryShown(77, false);
  sky.database().searchFilter.magnitude[1] = 3;
  const List weather = build("Weather");
  ASSERT_EQ(weather.ids.size(), 7u);  // NOAA 15, 18, 19, METOP-A, -B, METEOR-M 2, GOES 16
  EXPECT_TRUE(weather.indexed && weather.common);
  EXPECT_EQ(weather.times, nullptr);
  EXPECT_EQ(weather.array, ListMgr::getSkyObjectIDs());
  for (std::size_t i = 0; i < weather.ids.size(); ++i) {
    SkyObjectID id = weather.ids[i];
    const CSatellite* satellite = asSatellite(sky.database().getObject(&id));
    ASSERT_NE(satellite, nullptr);
    EXPECT_TRUE(satellite->hasCategory(10));
    EXPECT_TRUE(i == 0 || std::strcmp(weather.ids[i - 1].name, weather.ids[i].name) <= 0);
  }
  const SearchFilter& filter = sky.database().searchFilter;
  EXPECT_TRUE(filter.lowestType == 1 && filter.highestType == 42);
  EXPECT_EQ(filter.magnitude[1], SearchFilter::kInfinity);
  EXPECT_FALSE(sky.database().isCategoryShown(77));
  EXPECT_TRUE(sky.database().isCategoryShown(10) && sky.database().isCategoryShown(3));

  for (const SkyObjectID& id : build("Interplanetary").ids) EXPECT_EQ(id.type, 36);
}

TEST_F(ListBuilding, ByPassTimeTheSatellitesThatRiseWithinADayInTheirOrder) {
  screen.settings.setSortListBy("SortListByPassTime");
  const List brightest = build("Brightest");
  EXPECT_FALSE(brightest.indexed);
  ASSERT_NE(brightest.times, nullptr);
  ASSERT_GE(brightest.ids.size(), 5u);
  for (std::size_t i = 0; i < brightest.ids.size(); ++i) {
    SkyObjectID id = brightest.ids[i];
    const CSatellite* satellite = asSatellite(sky.database().getObject(&id));
    ASSERT_NE(satellite, nullptr);
    EXPECT_TRUE(satellite->hasCategory(3));
    const double t = brightest.times[i];
    EXPECT_TRUE(t >= info_test::kSatelliteDate && t < info_test::kSatelliteDate + 1);
    EXPECT_TRUE(i == 0 || brightest.times[i - 1] <= t);
  }
  // The same shared arrays every time.
  EXPECT_EQ(build("Weather").array, brightest.array);
  EXPECT_EQ(build("Weather").times, brightest.times);
}

// A satellite whose orbit the model refuses all through the list's day
// (decayed) is listed neither by name nor by pass time nor tonight.
TEST_F(ListBuilding, ADecayedSatelliteIsNotListed) {
  const auto listed = [&](const std::string& title, int norad) {
    for (SkyObjectID id : build(title).ids) {
      const CSatellite* satellite = asSatellite(sky.database().getObject(&id));
      if (satellite != nullptr && static_cast<int>(satellite->getBodyNumber()) == norad) return true;
    }
    return false;
  };
  constexpr int kNoaa15 = 25338;  // weather and brightest
  ASSERT_TRUE(listed("Weather", kNoaa15));
  ASSERT_NE(sky.decayedSatellite(kNoaa15), nullptr);
  EXPECT_FALSE(listed("Weather", kNoaa15));
  EXPECT_EQ(build("Weather").ids.size(), 6u);
  EXPECT_FALSE(listed("Brightest", kNoaa15));
  screen.settings.setSortListBy("SortListByPassTime");
  EXPECT_FALSE(listed("Brightest", kNoaa15));
  EXPECT_FALSE(listed("Weather", kNoaa15));
  EXPECT_FALSE(listed("Tonight's Satellites", kNoaa15));
  EXPECT_TRUE(listed("Weather", 28654));  // NOAA 18 is still there
}

TEST_F(ListBuilding, WithoutAChartScreenTheListIsEmpty) {
  ChartViewController::setCurrentController(nullptr);
  const List list = build("Brightest");
  EXPECT_TRUE(list.ids.empty());
  EXPECT_EQ(list.array, ListMgr::getSkyObjectIDs());
  EXPECT_TRUE(list.common);
}

}  // namespace
