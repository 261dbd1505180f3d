// SearchViewController: the "Satellites" screen of the chart's Search
// button: a search bar for satellite names and numbers above the list
// manager's satellite lists in six titled sections. One match opens its
// information screen, several the results screen, none an alert; a list
// title opens that list.
//
// Thread rules: main thread only. The search filter is the database's and
// is set and reset within one search.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/table_view.h"
#include "platform/uikit/text_input.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/sv_view_controller.h"

class SearchViewController : public SVViewController,
                             private ui::TableViewDataSource,
                             private ui::TableViewDelegate,
                             private ui::SearchBarDelegate {
 public:
  static constexpr int kSections = 6;

  SearchViewController();
  std::string className() const override { return "SearchViewController"; }
  // A new screen from the screen definition "SearchView".
  static std::shared_ptr<SearchViewController> create();
  // The text of the last search, kept between openings (none until the
  // screen has disappeared once).
  static const std::optional<std::string>& lastSearchText();

  void doSearch();
  void resetSearch();
  void showObjectInfo(const SkyObjectID* object);
  void doneTouched(ui::Object* sender);

  ui::SearchBar* searchBar() const { return searchBar_.get(); }
  ui::TableView* table() const { return table_.get(); }

  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  int numberOfSections(ui::TableView&) override { return kSections; }
  int numberOfRows(ui::TableView&, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath path) override;
  std::string titleForHeader(ui::TableView&, int section) override;
  double heightForHeader(ui::TableView&, int section) override;
  double heightForFooter(ui::TableView&, int) override { return 0.01; }
  std::shared_ptr<ui::View> viewForHeader(ui::TableView&, int section) override;
  void didSelectRow(ui::TableView&, ui::IndexPath path) override;
  void scrollViewDidScroll(ui::ScrollView& view) override;
  void textDidBeginEditing(ui::SearchBar&) override;
  void textDidEndEditing(ui::SearchBar&) override;
  void searchButtonClicked(ui::SearchBar&) override;
  void cancelButtonClicked(ui::SearchBar&) override;
  void endEditing();
  void setKeyboardOverlay();

  std::vector<std::string> listForSection_[kSections];
  std::shared_ptr<ui::SearchBar> searchBar_;
  std::shared_ptr<ui::TableView> table_;
};
