// Costs a user waits for on the settings screens: the settings screen
// made from its screen definition, laid out and drawn at scale 2 (each
// time the settings open; budget one 60 Hz frame, 16 ms), and the place list of the largest
// country of the large city table indexed by first character (each time a
// country is opened; budget 50 ms).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "engine/locations.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/application.h"
#include "ui/foundation/interface_classes.h"
#include "ui/foundation/theme.h"
#include "ui/settings/location_picker_view_controller.h"
#include "ui/settings/settings_view_controller.h"

namespace {

void BM_SettingsScreenOpened(benchmark::State& state) {
  setenv("TESSALY_BUNDLE", TESSALY_SOURCE_RESOURCES, 0);
  ns::RunLoop::main().setClock(std::make_shared<ns::ManualClock>(0.0));
  ui::Application::shared().reset();
  SystemFontOverride::install();
  registerThemedInterfaceClasses();
  for (auto _ : state) {
    auto screen = std::make_shared<SettingsViewController>();
    screen->view()->setFrame({0, 0, 375, 667});
    screen->view()->layoutIfNeeded();
    screen->mainTable->layoutIfNeeded();
    benchmark::DoNotOptimize(screen->view()->snapshotImage(2));
  }
  SystemFontOverride::uninstall();
}
BENCHMARK(BM_SettingsScreenOpened)->Unit(benchmark::kMillisecond);

void BM_LargestCountryIndexed(benchmark::State& state) {
  initLocationDatabase(1);
  int largest = 1;
  for (int g = 1; g < locationGroupCount(); ++g)
    if (locationGroupSize(g) > locationGroupSize(largest)) largest = g;
  for (auto _ : state) {
    LocationPickerViewController list(largest, nullptr, 0);
    benchmark::DoNotOptimize(list.keys.size());
  }
  state.counters["places"] = locationGroupSize(largest);
  initLocationDatabase(0);
}
BENCHMARK(BM_LargestCountryIndexed)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
