// LocationPickerViewController: the places of one location group (a
// country, or the user's places) or of one search, in sections by the
// first character of their names with an index strip. A tap picks the
// place; the user's places can be deleted.
//
// Thread rules: main thread only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/foundation/sv_view_controller.h"
#include "ui/settings/location_picker_delegate.h"

struct Location;

class LocationPickerViewController : public SVViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
 public:
  // Group -1 lists `locations` (not owned, `numLocations` of them); group
  // 0 the user's places; groups from 1 a country's cities. The index is
  // built at once.
  LocationPickerViewController(int groupNumber, const Location* locations, int numLocations);
  ~LocationPickerViewController() override;
  std::string className() const override { return "LocationPickerViewController"; }
  // Outlet "mainTableView".
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  const int groupNumber;
  const Location* const locations;
  const int numLocations;
  // Section key (a name's first character) to record numbers, in walk
  // order; the keys sorted by character code.
  std::map<std::string, std::vector<int>> names;
  std::vector<std::string> keys;
  std::shared_ptr<ui::TableView> mainTableView;

  void setLocationPickerDelegate(LocationPickerDelegate* delegate) { locationPickerDelegate_ = delegate; }
  void buildNameIndex();
  void setEditing(bool editing, bool animated);
  // The record of a number in this list; false when it cannot be read.
  bool fetchRecord(int number, Location& record) const;

  void loadView() override;
  void viewDidLoad() override;
  unsigned supportedInterfaceOrientations() const override;

  int numberOfSections(ui::TableView&) override { return int(keys.size()); }
  int numberOfRows(ui::TableView&, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  std::vector<std::string> sectionIndexTitles(ui::TableView&) override { return keys; }
  bool canEditRow(ui::TableView&, ui::IndexPath) override { return groupNumber == 0; }
  ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, ui::IndexPath) override;
  void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style, ui::IndexPath path) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;

 private:
  // The record number at a row, or -1.
  int numberAt(ui::IndexPath path) const;
  void deleteUserPlace(ui::TableView& table, ui::IndexPath path);
  LocationPickerDelegate* locationPickerDelegate_ = nullptr;  // not owned
  std::shared_ptr<ui::BarButtonItem> editItem_;
};

// The section key of a place name: its first whole UTF-8 character; "#"
// for a name that is empty or does not begin with one.
std::string locationSectionKey(const char* name);
