// Costs of the settings file's reading and writing: a whole model to text
// and back (the file read at start and written on every pause, budget
// 5 ms), and a hostile file of 100,000 user places, which must read in one
// walk (budget 1 s, most of it the other keys' searches along the long top
// level; fetching each place's occurrence from the list's head would take
// hours).
#include <benchmark/benchmark.h>

#include <string>

#include "engine/locations.h"
#include "skydata/settings.h"
#include "ui/foundation/settings_model.h"

namespace {

std::string modelText(Settings& settings) {
  CSettings* tree = settings.saveToCSettings();
  std::string text = CSettings::format(tree, 0);
  CSettings::deleteList(tree);
  return text;
}

void BM_SettingsWrittenAndRead(benchmark::State& state) {
  initLocationDatabase(0);
  Settings settings;
  CSettings empty("", "");
  settings.readFromCSettings(&empty);  // the defaults
  for (auto _ : state) {
    CSettings* tree = settings.saveToCSettings();
    settings.readFromCSettings(tree);
    CSettings::deleteList(tree);
  }
  state.counters["bytes"] = double(modelText(settings).size());
}
BENCHMARK(BM_SettingsWrittenAndRead)->Unit(benchmark::kMicrosecond);

void BM_HundredThousandUserPlaces(benchmark::State& state) {
  initLocationDatabase(0);
  CSettings* tree = new CSettings("PellorinSettingsVersion", "1.0");
  for (int i = 0; i < 100000; ++i) {
    CSettings* fields = new CSettings("UserLocationName", ("Place " + std::to_string(i)).c_str());
    CSettings::addDouble(fields, "UserLocationLongitude", i * 1e-3);
    CSettings::addObject(tree, "UserLocation", fields);
  }
  Settings settings;
  for (auto _ : state) {
    settings.readFromCSettings(tree);
    benchmark::DoNotOptimize(settings.userLocations().data());
  }
  CSettings::deleteList(tree);
}
BENCHMARK(BM_HundredThousandUserPlaces)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
