// Visible passes of every catalogue satellite over one site: gpredict's
// element sets (some 1,000 of 2018 January), one day from a common start,
// minimum altitude 10 degrees, with shadow entry and exit and the
// visibility test. Once on one core, and on a pool of workers (one per
// core, each with its own database and chart on the same catalogue, built
// on this thread first) that take satellites from an atomic counter. The
// target: under 1 s of wall-clock time on 8 cores. For comparison the
// independent finder of the tests on the same set: python3-sgp4's states
// every 30 s, then ERFA's geometry by 20-second steps. The Earth from the
// engine's series, and from JPL's DE405 as the application reads it from
// its bundle.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "mechanics/event_search.h"
#include "mechanics/sky_mechanics.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "tests/mechanics/de405_file.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/mechanics/pass_finder.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kDeg = M_PI / 180;
constexpr double kMinAltitude = 10 * kDeg;
const pass_finder::Site kSite = {"Boulder", -105.27 * kDeg, 40.01 * kDeg, 1.65};

struct Worker {
  std::unique_ptr<SolarSystemWorld> world;
  std::unique_ptr<CSkyMechanics> chart;
  std::vector<CSatellite*> satellites;
};

struct Scene {
  std::vector<mechanics_test::ElementLines> sets;
  // The satellites in the order the pool takes them: most revolutions a
  // day first (the most evaluations), so that the last ones taken are
  // short and the workers finish together.
  std::vector<std::size_t> order;
  std::vector<Worker> workers;
  double start = 0;
};

Scene& scene() {
  static Scene s = [] {
    Scene scene;
    scene.sets = mechanics_test::gpredictElementSets();
    std::vector<SatelliteRecord> records;
    std::vector<double> epochs;
    for (const auto& set : scene.sets) {
      SatelliteRecord r;
      r.elements = set.elements;
      r.standardMagnitude = 4.0;
      records.push_back(r);
      epochs.push_back(set.elements.epoch);
    }
    if (!epochs.empty()) {
      std::nth_element(epochs.begin(), epochs.begin() + epochs.size() / 2, epochs.end());
      scene.start = std::floor(epochs[epochs.size() / 2]) + 0.5;
    }
    for (std::size_t i = 0; i < scene.sets.size(); ++i) scene.order.push_back(i);
    std::stable_sort(scene.order.begin(), scene.order.end(), [&](std::size_t a, std::size_t b) {
      return scene.sets[a].elements.meanMotion > scene.sets[b].elements.meanMotion;
    });
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned w = 0; w < cores; ++w) {
      Worker worker;
      worker.world =
          std::make_unique<SolarSystemWorld>(std::vector<mechanics_test::BodyRecord>{}, records);
      worker.chart = std::make_unique<CSkyMechanics>(&worker.world->database());
      worker.chart->setLocation(kSite.lon, kSite.lat, kSite.heightKm * 1000);
      worker.chart->setJulianDate(scene.start);
      for (const auto& r : records)
        worker.satellites.push_back(
            worker.world->satellite(static_cast<std::uint32_t>(r.elements.catalogueNumber)));
      scene.workers.push_back(std::move(worker));
    }
    return scene;
  }();
  return s;
}

struct Tally {
  long passes = 0, visible = 0;
  std::uint64_t evaluations = 0;
  double cpuSeconds = 0;  // the worker thread's processor time
};

double threadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The passes of satellite i on a worker's chart.
void passesOf(Worker& worker, double start, std::size_t i, Tally& tally) {
  if (worker.satellites[i] == nullptr) return;
  PassRecord records[64];
  const std::uint64_t before = eventSearchEvaluations();
  const int n = findObjectPasses(*worker.chart, worker.satellites[i], records, 64, start, start + 1,
                                 kMinAltitude);
  tally.evaluations += eventSearchEvaluations() - before;
  tally.passes += n;
  for (int k = 0; k < n; ++k) tally.visible += isPassVisible(records[k]);
}

void report(benchmark::State& state, const Tally& tally, double seconds) {
  state.counters["satellites"] = static_cast<double>(scene().sets.size());
  state.counters["passes"] = static_cast<double>(tally.passes);
  state.counters["visible"] = static_cast<double>(tally.visible);
  state.counters["evaluations"] = static_cast<double>(tally.evaluations);
  state.counters["evaluations_per_s"] = static_cast<double>(tally.evaluations) / seconds;
}

// Argument 0: the Earth from the engine's series; 1: from JPL's DE405, as
// the application reads it from its bundle.
bool ready(benchmark::State& state) {
  if (scene().sets.empty()) {
    state.SkipWithError("no element sets (is gpredict's satellite list installed?)");
    return false;
  }
  const bool jpl = state.range(0) != 0;
  if (jpl && !de405::files().ok) {
    state.SkipWithError("DE405 converter failed");
    return false;
  }
  for (Worker& worker : scene().workers) {
    std::snprintf(worker.chart->ephemerisDirectory, sizeof worker.chart->ephemerisDirectory, "%s",
                  jpl ? de405::files().directory().c_str() : "");
    worker.chart->setJulianDate(scene().start);
  }
  return true;
}

void BM_VisiblePassesOneCore(benchmark::State& state) {
  if (!ready(state)) return;
  Scene& s = scene();
  Tally tally;
  double seconds = 0;
  for (auto _ : state) {
    tally = Tally{};
    const auto begin = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < s.sets.size(); ++i) passesOf(s.workers[0], s.start, i, tally);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  }
  report(state, tally, seconds);
}
BENCHMARK(BM_VisiblePassesOneCore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VisiblePassesAllCores(benchmark::State& state) {
  if (!ready(state)) return;
  Scene& s = scene();
  std::vector<Tally> tallies(s.workers.size());
  double seconds = 0;
  for (auto _ : state) {
    std::fill(tallies.begin(), tallies.end(), Tally{});
    const auto begin = std::chrono::steady_clock::now();
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < s.workers.size(); ++w)
      threads.emplace_back([&, w] {
        const double cpu = threadSeconds();
        for (std::size_t k; (k = next.fetch_add(1)) < s.order.size();)
          passesOf(s.workers[w], s.start, s.order[k], tallies[w]);
        tallies[w].cpuSeconds = threadSeconds() - cpu;
      });
    for (auto& thread : threads) thread.join();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  }
  Tally total;
  double busiest = 0;
  for (const Tally& t : tallies) {
    busiest = std::max(busiest, t.cpuSeconds);
    total.passes += t.passes;
    total.visible += t.visible;
    total.evaluations += t.evaluations;
  }
  report(state, total, seconds);
  state.counters["workers"] = static_cast<double>(s.workers.size());
  // On a machine shared with other work the wall-clock time says little;
  // the busiest worker's processor time is what it would be with a core
  // each.
  state.counters["busiest_worker_cpu_s"] = busiest;
}
BENCHMARK(BM_VisiblePassesAllCores)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The independent finder on the same set and window, once: the script's
// propagation and the geometry timed apart.
void BM_IndependentFinder(benchmark::State& state) {
  if (!ready(state)) return;
  Scene& s = scene();
  SolarSystemWorld& world = *s.workers[0].world;
  const double earthRadius = world.body(30, 3)->getDiameter() / 2;
  const double sunRadius = world.body(30, 0)->getDiameter() / 2;
  double propagation = 0, geometry = 0;
  long passes = 0, visible = 0;
  for (auto _ : state) {
    std::vector<pass_finder::Query> queries;
    for (const auto& set : s.sets) queries.push_back({set.line1, set.line2, s.start - 0.3});
    const auto tracks = pass_finder::propagate(queries, 1.6, &propagation);
    if (tracks.size() != s.sets.size()) {
      state.SkipWithError("the independent propagator did not run (python3-sgp4)");
      return;
    }
    passes = visible = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (const auto& track : tracks) {
      const pass_finder::Finder finder(track, kSite, earthRadius, sunRadius);
      for (const auto& p : finder.passes(s.start, s.start + 1, kMinAltitude)) {
        ++passes;
        visible += pass_finder::Finder::visible(p);
      }
    }
    geometry = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  }
  state.counters["passes"] = static_cast<double>(passes);
  state.counters["visible"] = static_cast<double>(visible);
  state.counters["propagation_s"] = propagation;
  state.counters["geometry_s"] = geometry;
}
BENCHMARK(BM_IndependentFinder)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
