// The pass search on eight threads at once (a test of the ThreadSanitizer
// list): eight workers, each with its own database and chart on the same
// catalogue, take satellites from one counter; their records equal one
// thread's bit for bit.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "mechanics/event_search.h"
#include "mechanics/sky_mechanics.h"
#include "skydata/satellite.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

// The ISS, a Molniya orbit and twenty-two of gpredict's element sets.
std::vector<SatelliteRecord> satellites() {
  std::vector<SatelliteRecord> out;
  auto add = [&](const SatelliteElementSet& elements) {
    SatelliteRecord r;
    r.elements = elements;
    out.push_back(r);
  };
  add(mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                        mechanics_test::kIssLines[1]));
  add(mechanics_test::elementsFromLines(mechanics_test::kMolniyaLines[0],
                                        mechanics_test::kMolniyaLines[1]));
  const auto sets = mechanics_test::gpredictElementSets();
  for (std::size_t k = 7; out.size() < 24 && k < sets.size(); k += 41)
    if (sets[k].elements.catalogueNumber != 25544) add(sets[k].elements);
  return out;
}

TEST(PassSearchThreads, EightWorkersGiveTheSameRecordsAsOne) {
  const std::vector<SatelliteRecord> records = satellites();
  ASSERT_EQ(records.size(), 24u) << "gpredict's element sets missing";
  using Result = std::vector<std::array<double, kPassFields>>;
  auto run = [&](SolarSystemWorld& world, std::size_t i) {
    CSkyMechanics chart(&world.database());
    chart.setLocation(-147.72 * M_PI / 180, 64.84 * M_PI / 180, 130);
    // A day from the element set's epoch, on a tenth of a day.
    const double start = std::floor(records[i].elements.epoch * 10) / 10;
    chart.setJulianDate(start);
    PassRecord out[32];
    const int n = findObjectPasses(
        chart, world.satellite(static_cast<std::uint32_t>(records[i].elements.catalogueNumber)),
        out, 32, start, start + 1, 0);
    Result result;
    for (int k = 0; k < n; ++k) {
      std::array<double, kPassFields> row;
      std::memcpy(row.data(), out[k], sizeof out[k]);
      result.push_back(row);
    }
    return result;
  };
  const std::size_t count = records.size();
  std::vector<Result> single(count);
  {
    SolarSystemWorld world({}, records);
    for (std::size_t i = 0; i < count; ++i) single[i] = run(world, i);
  }
  // The databases and charts are made on this thread first.
  std::vector<std::unique_ptr<SolarSystemWorld>> worlds;
  for (int w = 0; w < 8; ++w)
    worlds.push_back(
        std::make_unique<SolarSystemWorld>(std::vector<mechanics_test::BodyRecord>{}, records));
  std::vector<Result> threaded(count);
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 8; ++w)
    workers.emplace_back([&, w] {
      for (std::size_t i; (i = next.fetch_add(1)) < count;) threaded[i] = run(*worlds[w], i);
    });
  for (auto& worker : workers) worker.join();
  int passes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    ASSERT_EQ(threaded[i].size(), single[i].size()) << i;
    for (std::size_t k = 0; k < single[i].size(); ++k) {
      for (int f = 0; f < kPassFields; ++f)
        EXPECT_EQ(std::memcmp(&threaded[i][k][f], &single[i][k][f], sizeof(double)), 0) << i;
      ++passes;
    }
  }
  EXPECT_GT(passes, 50);
}

}  // namespace
