// LocationGroupPickerViewController: the countries of the location
// database as a list, with a search bar over every place. A country opens
// its place list; a search that finds one place picks it at once, more
// open a list of at most 100. The pick goes to the delegate, then the
// pickers close.
//
// Thread rules: main thread only. Searches share one process-wide buffer
// of results: a list of results shows that search's places only until the
// next search.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/text_input.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui/settings/location_picker_delegate.h"

class LocationGroupPickerViewController : public SVViewController,
                                          public ui::TableViewDataSource,
                                          public ui::TableViewDelegate,
                                          public ui::SearchBarDelegate,
                                          public LocationPickerDelegate {
 public:
  static constexpr int kMaxSearchResults = 100;

  LocationGroupPickerViewController();
  std::string className() const override { return "LocationGroupPickerViewController"; }
  // Outlet "searchBar".
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  std::shared_ptr<ui::SearchBar> searchBar;
  // Row i is group i + 1 (group 0, the user's places, is not listed).
  std::vector<std::string> locationGroups;
  int numLocationsFound = 0;

  void setLocationPickerDelegate(LocationPickerDelegate* delegate) { locationPickerDelegate_ = delegate; }
  void setPopToDelegateOnPicked(bool pop) { popToDelegateOnPicked_ = pop; }
  bool popToDelegateOnPicked() const { return popToDelegateOnPicked_; }
  // The pick in progress (null outside one).
  const Location* locationPicked() const { return locationPicked_; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;

  // From the place lists it opens: passes the place on and closes.
  void locationPicked(const Location* location) override;
  void doneTouched();
  void cancelTouched();
  // The search button's work.
  void search(const std::string& text);

  int numberOfRows(ui::TableView&, int) override { return int(locationGroups.size()); }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;

  void textDidBeginEditing(ui::SearchBar& bar) override;
  void textDidEndEditing(ui::SearchBar& bar) override;
  void searchButtonClicked(ui::SearchBar& bar) override;
  void cancelButtonClicked(ui::SearchBar& bar) override;

 private:
  LocationPickerDelegate* locationPickerDelegate_ = nullptr;  // not owned
  const Location* locationPicked_ = nullptr;
  bool popToDelegateOnPicked_ = false;
};
