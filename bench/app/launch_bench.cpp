// Launch to the first chart frame, headless on the manual clock, with the
// built data bundle (every catalogue, the location index, the chart screen
// and its first GL frame through the software GPU). Target: under 0.5 s.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/application.h"
#include "platform/uikit/display_links.h"

namespace {

void BM_LaunchToFirstFrame(benchmark::State& state) {
  if (!std::getenv("TESSALY_BUNDLE")) setenv("TESSALY_BUNDLE", TESSALY_BENCH_BUNDLE, 1);
  std::error_code error;
  if (!std::filesystem::exists(ns::Bundle::main().resourcePath() + "/SkyData/Stars.skydata", error)) {
    state.SkipWithError("the data bundle is not built");
    return;
  }
  ns::RunLoop& loop = ns::RunLoop::main();
  loop.setClock(std::make_shared<ns::ManualClock>(0.0));
  for (auto _ : state) {
    ui::Application& app = ui::Application::shared();
    app.reset();
    auto shell = std::make_shared<ApplicationShell>();
    app.setDelegate(shell);
    app.launch();
    app.layoutWindows();
    auto* screen = dynamic_cast<ChartScreenController*>(ChartViewController::currentController());
    while (screen && screen->surface()->framesDrawn() == 0 && loop.now() < 5) {
      loop.runUntil(loop.now() + 1.0 / 60);
      ui::stepDisplayLinks(loop.now());
      app.layoutWindows();
    }
    state.PauseTiming();
    app.terminate();
    app.reset();
    shell.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LaunchToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
