#include "platform/host/check/check_screens.h"

#include <cstdio>

namespace check {

std::string sectionTitle(int section) {
  static const char* const names[kSections] = {
      "Andromeda", "Aquarius", "Aquila",    "Aries",   "Auriga",    "Bootes",     "Cancer",   "Canis Major",
      "Capricornus", "Carina", "Cassiopeia", "Centaurus", "Cepheus", "Cetus",     "Corvus",   "Crux",
      "Cygnus",    "Draco",    "Gemini",    "Hercules", "Hydra",     "Leo",        "Lyra",     "Orion",
      "Pegasus",   "Perseus",  "Pisces",    "Sagittarius", "Scorpius", "Taurus"};
  return section >= 0 && section < kSections ? names[section] : "";
}

std::string indexTitle(int section) { return sectionTitle(section).substr(0, 2); }

std::string rowTitle(int section, int row) {
  return sectionTitle(section) + " " + std::to_string(row + 1);
}

// ---- detail --------------------------------------------------------------------

DetailController::DetailController(std::string title) { setTitle(std::move(title)); }

void DetailController::loadView() {
  auto view = std::make_shared<ui::View>(ui::Screen::main().bounds());
  view->setBackgroundColor(ui::Color::white(0.95));
  label = std::make_shared<ui::Label>(ui::Rect{20, 20, 335, 30});
  label->setText(title());
  label->setFont(ui::Font::boldSystemFont(20));
  toggle = std::make_shared<ui::Switch>(ui::Rect{20, 70, 51, 31});
  slider = std::make_shared<ui::Slider>(ui::Rect{100, 70, 255, 31});
  slider->setSliderValue(0.25);
  segments = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{"Sky", "Orbit", "Ground"});
  segments->setFrame({20, 120, 335, 32});
  segments->setSelectedSegmentIndex(0);
  field = std::make_shared<ui::TextField>(ui::Rect{20, 170, 335, 36});
  field->borderStyle = ui::TextBorderStyle::roundedRect;
  field->placeholder = "Observer's name";
  field->addAction([](ui::Control& c) { c.resignFirstResponder(); }, ui::kControlEventEditingDidEndOnExit);
  alertButton = std::make_shared<ui::Button>(ui::Rect{20, 230, 335, 44}, ui::ButtonType::system);
  alertButton->setTitle("Show Alert");
  alertButton->setBackgroundColor(ui::Color::whiteColor());
  alertButton->layer().cornerRadius = 8;
  alertButton->addAction([this](ui::Control&) {
    auto alert = std::make_shared<ui::AlertController>("Set Alert For Event", "Remind you 10 minutes before?");
    alert->addAction({"Cancel", ui::AlertActionStyle::cancel, [this](const ui::AlertAction& a) { answer = a.title; }});
    alert->addAction({"OK", ui::AlertActionStyle::defaultStyle, [this](const ui::AlertAction& a) { answer = a.title; }});
    presentViewController(alert, true);
  }, ui::kControlEventTouchUpInside);
  for (auto v : std::vector<std::shared_ptr<ui::View>>{label, toggle, slider, segments, field, alertButton})
    view->addSubview(v);
  setView(view);
}

// ---- table ---------------------------------------------------------------------

TableController::TableController() { setTitle("Constellations"); }

void TableController::loadView() {
  table = std::make_shared<ui::TableView>(ui::Screen::main().bounds(), ui::TableViewStyle::plain);
  table->dataSource = this;
  table->delegate = this;
  table->scrollDelegate = this;
  auto press = std::make_shared<ui::LongPressGestureRecognizer>();
  press->cancelsTouchesInView = true;
  press->addAction([this](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureState::began) return;
    auto path = table->indexPathForRowAtPoint(g.locationInView(table.get()));
    if (!path) return;
    auto alert = std::make_shared<ui::AlertController>(rowTitle(path->section, path->row), "Long press");
    alert->addAction({"Cancel", ui::AlertActionStyle::cancel,
                      [this](const ui::AlertAction& a) { longPressAnswer = a.title; }});
    presentViewController(alert, true);
  });
  table->addGestureRecognizer(press);
  setView(table);
}

std::shared_ptr<ui::TableViewCell> TableController::cellForRow(ui::TableView& t, ui::IndexPath path) {
  auto cell = t.dequeueReusableCell("Row");
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::defaultStyle, "Row");
  cell->textLabel().setText(rowTitle(path.section, path.row));
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  return cell;
}

std::vector<std::string> TableController::sectionIndexTitles(ui::TableView&) {
  std::vector<std::string> titles;
  for (int s = 0; s < kSections; ++s) titles.push_back(indexTitle(s));
  return titles;
}

void TableController::didSelectRow(ui::TableView& t, ui::IndexPath path) {
  t.deselectRow(path, true);
  lastDetail = std::make_shared<DetailController>(rowTitle(path.section, path.row));
  if (auto* navigation = navigationController()) navigation->pushViewController(lastDetail, true);
}

// ---- application -----------------------------------------------------------------

bool CheckDelegate::didFinishLaunching(ui::Application&, const ns::JSON&) {
  window_ = std::make_shared<ui::Window>();
  tableController = std::make_shared<TableController>();
  navigation = std::make_shared<ui::NavigationController>(tableController);
  window_->setRootViewController(navigation);
  window_->makeKeyAndVisible();
  return true;
}

std::string defaultScript() {
  return "# The host check's walk through the interface (375 x 667 points).\n"
         "snapshot 01-table\n"
         "drag 150 560 150 260 0.4\n"
         "wait 2\n"
         "snapshot 02-scrolled\n"
         "tap 366 355\n"
         "snapshot 03-index\n"
         "tap 120 100\n"
         "wait 1\n"
         "snapshot 04-detail\n"
         "tap 180 232\n"
         "type Ada Lovelace\n"
         "snapshot 05-typing\n"
         "key return\n"
         "tap 180 296\n"
         "wait 1\n"
         "snapshot 06-alert\n"
         "tap 255 377\n"
         "wait 1\n"
         "tap 40 22\n"
         "wait 1\n"
         "longpress 120 160 0.8\n"
         "wait 1\n"
         "snapshot 07-long-press\n"
         "tap 187 366\n"
         "wait 1\n"
         "snapshot 08-end\n";
}

}  // namespace check
