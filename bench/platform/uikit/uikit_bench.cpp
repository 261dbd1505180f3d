// The interface's per-frame work: a 375 x 667 table page (sticky headers,
// 14 rows of text, the index strip, the navigation bar) composed at scale
// 2 (target: under 8 ms), and a 200-row table reloaded (under 2 ms).
// Run with TESSALY_BUNDLE pointing at the source tree's resources folder.
#include <benchmark/benchmark.h>

#include "platform/host/check/check_screens.h"

namespace {

void BM_TablePageComposedAtScale2(benchmark::State& state) {
  ui::Application::shared().reset();
  auto delegate = std::make_shared<check::CheckDelegate>();
  ui::Application::shared().setDelegate(delegate);
  ui::Application::shared().launch();
  auto context = cg::Context::createForPoints(375, 667, 2);
  context->translateCTM(0, 667);
  context->scaleCTM(1, -1);
  ui::Application::shared().compose(*context);  // first layout and cells
  for (auto _ : state) {
    ui::Application::shared().compose(*context);
    benchmark::DoNotOptimize(context->data());
  }
  ui::Application::shared().reset();
}
BENCHMARK(BM_TablePageComposedAtScale2)->Unit(benchmark::kMillisecond);

class Rows : public ui::TableViewDataSource {
 public:
  int numberOfSections(ui::TableView&) override { return 10; }
  int numberOfRows(ui::TableView&, int) override { return 20; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& t, ui::IndexPath p) override {
    auto cell = t.dequeueReusableCell("row");
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::value1, "row");
    cell->textLabel().setText("Row " + std::to_string(p.row));
    cell->detailTextLabel()->setText("12:34:56");
    return cell;
  }
  std::string titleForHeader(ui::TableView&, int s) override { return "Section " + std::to_string(s); }
};

void BM_Reload200Rows(benchmark::State& state) {
  Rows rows;
  auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 667}, ui::TableViewStyle::plain);
  table->dataSource = &rows;
  table->reloadData();
  for (auto _ : state) table->reloadData();
}
BENCHMARK(BM_Reload200Rows)->Unit(benchmark::kMicrosecond);

}  // namespace
