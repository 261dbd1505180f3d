// The chart's per-frame position work: every catalogue satellite brought up
// to date at one moment (light time, aberration, magnitude with the Earth's
// shadow, orbital frame), as the chart does for each drawn frame; and the
// Sun, planets and moons. The satellites are the element sets gpredict
// ships (Debian gpredict, some 1,000 sets of 2018), written once into a
// solar-system catalogue with the project's writer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mechanics/sky_mechanics.h"
#include "skydata/planet.h"
#include "skydata/record_io.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/two_line_elements.h"
#include "mechanics/jpl_ephemeris.h"
#include "skydata/open_file.h"
#include "skydata/star.h"
#include "tests/mechanics/de405_file.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

std::vector<SatelliteRecord> catalogueSatellites() {
  std::vector<SatelliteRecord> out;
  for (const auto& set : mechanics_test::gpredictElementSets()) {
    SatelliteRecord r;
    r.elements = set.elements;
    r.standardMagnitude = 4.0;
    out.push_back(r);
  }
  return out;
}

struct Scene {
  std::unique_ptr<SolarSystemWorld> world;
  std::unique_ptr<CSkyMechanics> chart;
  std::vector<CSatellite*> satellites;
  std::vector<CPlanet*> planets, moons;
  double jd = 0;
};

Scene& scene() {
  static Scene s = [] {
    Scene scene;
    const std::vector<SatelliteRecord> records = catalogueSatellites();
    scene.world = std::make_unique<SolarSystemWorld>(mechanics_test::standardExtraBodies(),
                                                     records);
    scene.chart = std::make_unique<CSkyMechanics>(&scene.world->database());
    std::vector<double> epochs;
    for (const SatelliteRecord& r : records) {
      scene.satellites.push_back(
          scene.world->satellite(static_cast<std::uint32_t>(r.elements.catalogueNumber)));
      epochs.push_back(r.elements.epoch);
    }
    std::erase(scene.satellites, nullptr);
    if (!epochs.empty()) {
      std::nth_element(epochs.begin(), epochs.begin() + epochs.size() / 2, epochs.end());
      scene.jd = epochs[epochs.size() / 2] + 0.3;
    }
    scene.chart->setLocation(0.2, 0.8, 100);
    for (int p = 0; p <= 9; ++p) scene.planets.push_back(scene.world->body(30, p));
    for (int id : {301, 401, 402, 501, 502, 503, 504, 505, 506, 601, 602, 603, 604, 605, 606,
                   607, 608, 609, 701, 705, 801, 802, 901, 902})
      scene.moons.push_back(scene.world->body(31, static_cast<std::uint32_t>(id)));
    return scene;
  }();
  return s;
}

// Per frame: one time step, then every object.
void updateAll(benchmark::State& state, const std::vector<CPlanet*>& objects, double jd = 0) {
  Scene& s = scene();
  if (objects.empty()) {
    state.SkipWithError("no objects (is gpredict's satellite list installed?)");
    return;
  }
  if (jd == 0) jd = s.jd;
  for (auto _ : state) {
    s.chart->setJulianDate(jd);
    for (CPlanet* object : objects) s.chart->updateObjectPosition(object);
    benchmark::ClobberMemory();
  }
  const auto n = static_cast<double>(objects.size());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(objects.size()));
  state.counters["objects"] = n;
  state.counters["us_per_object"] =
      benchmark::Counter(n * 1e-6, benchmark::Counter::kIsIterationInvariantRate |
                                       benchmark::Counter::kInvert);
}

// Argument 0: a third of a day after the sets' median epoch; 1: years
// later (2026 December 7), beyond the model's window, where each satellite
// is still put to the full model for its verdict (a decayed one has no
// place) and the others are carried on by their mean elements.
void BM_CatalogueSatellitesAtOneMoment(benchmark::State& state) {
  Scene& s = scene();
  std::vector<CPlanet*> objects(s.satellites.begin(), s.satellites.end());
  updateAll(state, objects, state.range(0) == 0 ? s.jd : 2461381.5);
}
BENCHMARK(BM_CatalogueSatellitesAtOneMoment)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SunAndPlanets(benchmark::State& state) { updateAll(state, scene().planets); }
BENCHMARK(BM_SunAndPlanets)->Unit(benchmark::kMicrosecond);

void BM_Moons(benchmark::State& state) { updateAll(state, scene().moons); }
BENCHMARK(BM_Moons)->Unit(benchmark::kMicrosecond);

// One moment's change alone: frames of the date and the observer.
void BM_SetJulianDate(benchmark::State& state) {
  Scene& s = scene();
  double jd = s.jd;
  for (auto _ : state) {
    s.chart->setJulianDate(jd);
    jd += 1e-5;
  }
}
BENCHMARK(BM_SetJulianDate);

// JPL's DE405 converted by the project's tool (needs python3-casacore and
// casacore-data-jpl-de405), opened once.
JPLEphemeris* de405Ephemeris() {
  static JPLEphemeris* ephemeris = [] {
    if (!de405::files().ok) return static_cast<JPLEphemeris*>(nullptr);
    std::int64_t offset, length;
    std::FILE* file = openFileWithSize(de405::files().native.c_str(), "rb", &offset, &length);
    return file ? openJPLEphemeris(file, offset, length, nullptr, 0, nullptr, 0) : nullptr;
  }();
  return ephemeris;
}

// The Earth about the Sun from the record in hand (the chart asks several
// bodies at one time), and with every call in a new record.
void BM_JplEarthFromTheCachedRecord(benchmark::State& state) {
  JPLEphemeris* e = de405Ephemeris();
  if (e == nullptr) return state.SkipWithError("DE405 converter failed");
  double out[6], t = 2455000.5;
  for (auto _ : state) {
    jplBodyState(e, kJPLEarth, kJPLSun, out, true, t);
    benchmark::DoNotOptimize(out);
    t += 1e-6;
  }
}
BENCHMARK(BM_JplEarthFromTheCachedRecord);

void BM_JplEarthOnARecordChange(benchmark::State& state) {
  JPLEphemeris* e = de405Ephemeris();
  if (e == nullptr) return state.SkipWithError("DE405 converter failed");
  double out[6], t = 2437000.5;
  for (auto _ : state) {
    jplBodyState(e, kJPLEarth, kJPLSun, out, true, t);
    benchmark::DoNotOptimize(out);
    t += 33.0;
    if (t > 2473400) t = 2437000.5;
  }
}
BENCHMARK(BM_JplEarthOnARecordChange);

// The series Earth the file replaces.
void BM_SeriesEarth(benchmark::State& state) {
  Scene& s = scene();
  double position[3], velocity[3], t = 2455000.5;
  for (auto _ : state) {
    s.chart->planetState(3, position, velocity, t);
    benchmark::DoNotOptimize(position);
    t += 1.1;
  }
}
BENCHMARK(BM_SeriesEarth);

// Stars brought up to date: proper motion and aberration, as for every
// drawn star.
void BM_StarUpdates(benchmark::State& state) {
  Scene& s = scene();
  std::vector<std::unique_ptr<CStar>> stars;
  for (int k = 0; k < 1000; ++k) {
    auto star = std::make_unique<CStar>(1);
    stars.push_back(std::move(star));
  }
  // Catalogue vectors and motions through the record reader.
  for (int k = 0; k < 1000; ++k) {
    char record[64];
    RecordWriter w(record, sizeof record, false);
    w.writeRecordU8(1);
    w.writeRecordU8(0);
    w.writeRecordU8(0);
    for (double f : {0.006 * k, 0.0015 * k - 0.75, 10.0 + k, 1e-7, -2e-7, 0.0})
      w.writeRecordFloat(f);
    w.writeRecordI16(500);
    w.writeRecordI16(32767);
    w.writeRecordString("");
    stars[k]->readRecord(record, w.result(), false);
  }
  s.chart->setJulianDate(s.jd);
  for (auto _ : state) {
    for (auto& star : stars) s.chart->updateStarPosition(star.get());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_StarUpdates);

// A minor body's table for the year either side of its epoch: 17,521
// hourly RK4 steps with the JPL bodies attracting.
void BM_IntegrateOrbitTable(benchmark::State& state) {
  if (!de405::files().ok) return state.SkipWithError("DE405 converter failed");
  Scene& s = scene();
  CPlanet* ceres = s.world->body(33, 1);
  std::snprintf(s.chart->ephemerisDirectory, sizeof s.chart->ephemerisDirectory, "%s",
                de405::files().directory().c_str());
  s.chart->setJulianDate(2455000.5);
  for (auto _ : state) {
    if (!s.chart->integrateOrbitTable(ceres, 17521, 1.0 / 24))
      return state.SkipWithError("integration failed");
  }
  s.chart->ephemerisDirectory[0] = '\0';
  s.chart->setJulianDate(s.jd);
}
BENCHMARK(BM_IntegrateOrbitTable)->Unit(benchmark::kMillisecond);

}  // namespace
