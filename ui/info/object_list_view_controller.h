// ObjectListViewController: one satellite list of the list manager
// ("Tonight's Satellites", a category by pass or by name) as rows of name,
// status and rise and set or the time of the event; in name order with an
// index of first letters. A row opens the object's information screen; a
// timed row's clock button opens the event menu.
//
// Thread rules: main thread only. The arrays it shows belong to the list
// manager and must stay valid while the screen lives.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/table_view.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/sv_view_controller.h"

class ObjectListViewController : public SVViewController,
                                 private ui::TableViewDataSource,
                                 private ui::TableViewDelegate {
 public:
  // The list title whose times read "Visible on ..." and whose alerts say
  // "Visible".
  static constexpr const char* kTonightsSatellites = "Tonight's Satellites";

  // `interfaceName` is the screen definition ("ObjectListView"); `times`
  // may be null.
  ObjectListViewController(std::string interfaceName, const SkyObjectID* objects,
                           const double* times, int count, std::string title, bool showCommonName,
                           bool indexed);
  std::string className() const override { return "ObjectListViewController"; }

  int searchRow() const { return searchRow_; }
  void setSearchRow(int row) { searchRow_ = row; }
  // Indexed lists: first character of the name (a whole code point) to
  // the list positions, and those characters in order.
  const std::map<std::string, std::vector<int>>& names() const { return names_; }
  const std::vector<std::string>& keys() const { return keys_; }
  ui::TableView* table() const { return table_.get(); }
  // The list position of a row.
  int positionOf(ui::IndexPath path) const;

  void accessoryButtonTapped(ui::Object* sender);
  void doneTouched(ui::Object* sender);

  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  // The table's accessory taps keep their own overload beside the action.
  using ui::TableViewDelegate::accessoryButtonTapped;
  int numberOfSections(ui::TableView&) override;
  int numberOfRows(ui::TableView&, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath path) override;
  std::vector<std::string> sectionIndexTitles(ui::TableView&) override;
  std::string titleForHeader(ui::TableView&, int section) override;
  double heightForFooter(ui::TableView&, int) override { return 0; }
  void didSelectRow(ui::TableView&, ui::IndexPath path) override;
  void scrollViewDidScroll(ui::ScrollView& view) override;
  void buildIndex();

  std::string interfaceName_;
  const SkyObjectID* objectList_;
  const double* objectTimes_;
  int objectCount_;
  bool showCommonName_, indexed_;
  int searchRow_ = 0;
  std::map<std::string, std::vector<int>> names_;
  std::vector<std::string> keys_;
  ui::Color detailTextColor_;
  std::shared_ptr<ui::TableView> table_;
};
