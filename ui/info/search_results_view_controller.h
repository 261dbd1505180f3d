// SearchResultsViewController: the satellites a search found, in order of
// catalogue number, as object-list rows; a row opens the information
// screen.
//
// Thread rules: main thread only. The identifiers are the list manager's
// shared array, which a later search or list overwrites.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/table_view.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/sv_view_controller.h"

class SearchResultsViewController : public SVViewController,
                                    private ui::TableViewDataSource,
                                    private ui::TableViewDelegate {
 public:
  SearchResultsViewController();
  std::string className() const override { return "SearchResultsViewController"; }
  // A new screen from the screen definition "SearchResultsView".
  static std::shared_ptr<SearchResultsViewController> create();

  void setObjectIDs(const SkyObjectID* objects, int count);
  void showObjectInfo(const SkyObjectID* object);
  // Closes the screen where it was presented on its own (a voice search).
  void doneTouched(ui::Object* sender);
  int numObjects() const { return numObjects_; }
  ui::TableView* table() const { return table_.get(); }

  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  int numberOfRows(ui::TableView&, int) override { return numObjects_; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath path) override;
  double heightForFooter(ui::TableView&, int) override { return 0; }
  void didSelectRow(ui::TableView&, ui::IndexPath path) override;

  const SkyObjectID* objectIDs_ = nullptr;
  int numObjects_ = 0;
  ui::Color detailTextColor_;
  std::shared_ptr<ui::TableView> table_;
};
