// The screens of the host check program (also used by the host tests):
// a table of 30 indexed sections in a navigation stack, and a detail
// screen with controls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_input.h"

namespace check {

constexpr int kSections = 30;
constexpr int kRowsPerSection = 3;
std::string sectionTitle(int section);
std::string indexTitle(int section);
std::string rowTitle(int section, int row);

class DetailController : public ui::ViewController {
 public:
  explicit DetailController(std::string title);
  void loadView() override;
  std::shared_ptr<ui::Label> label;
  std::shared_ptr<ui::Switch> toggle;
  std::shared_ptr<ui::Slider> slider;
  std::shared_ptr<ui::SegmentedControl> segments;
  std::shared_ptr<ui::TextField> field;
  std::shared_ptr<ui::Button> alertButton;
  std::string answer;  // the alert action chosen
};

class TableController : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  TableController();
  void loadView() override;
  std::shared_ptr<ui::TableView> table;
  std::shared_ptr<DetailController> lastDetail;
  std::string longPressAnswer;

  int numberOfSections(ui::TableView&) override { return kSections; }
  int numberOfRows(ui::TableView&, int) override { return kRowsPerSection; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  std::string titleForHeader(ui::TableView&, int section) override { return sectionTitle(section); }
  std::vector<std::string> sectionIndexTitles(ui::TableView&) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;
};

class CheckDelegate : public ui::ApplicationDelegate {
 public:
  bool didFinishLaunching(ui::Application&, const ns::JSON&) override;
  void willTerminate(ui::Application&) override { terminated = true; }
  std::shared_ptr<ui::Window> window() const override { return window_; }
  std::shared_ptr<ui::NavigationController> navigation;
  std::shared_ptr<TableController> tableController;
  bool terminated = false;

 private:
  std::shared_ptr<ui::Window> window_;
};

// The script the headless check plays (on a 375 x 667 screen).
std::string defaultScript();

}  // namespace check
